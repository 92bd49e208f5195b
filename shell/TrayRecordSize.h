// The size of the tray icon record handed to the shell. Newer records are
// refused by older shells, so an add that fails is tried again with the
// next smaller size the shell may know.
#pragma once

#include <cstdint>

// The record sizes of this build: the full record, the one without the
// balloon icon, and the one without the item GUID either.
struct TrayRecordSizes {
    uint32_t full;
    uint32_t withoutBalloonIcon;
    uint32_t withoutGuid;
};

inline constexpr uint64_t kShellVersion5 = uint64_t{5} << 48;

// The first size to try for a shell version ((major << 48) | (minor << 32)):
// the full record from version 5.0 on, the smallest one before.
constexpr uint32_t FirstTrayRecordSize(uint64_t shellVersion, const TrayRecordSizes& sizes) {
    return shellVersion >= kShellVersion5 ? sizes.full : sizes.withoutGuid;
}

// The size to try after the shell refused `refused`; 0 when no smaller one is
// left.
constexpr uint32_t NextTrayRecordSize(uint32_t refused, const TrayRecordSizes& sizes) {
    if (refused > sizes.withoutBalloonIcon) return sizes.withoutBalloonIcon;
    if (refused > sizes.withoutGuid) return sizes.withoutGuid;
    return 0;
}
