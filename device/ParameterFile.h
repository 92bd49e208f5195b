// The parameters file: read once at start-up, never written.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "device/FilePath.h"
#include "device/ParameterBlock.h"

// The application's parameters file, a fixed absolute path.
inline constexpr wchar_t kParameterFilePath[] = L"C:\\WINDOWS\\ZRNParameters.dat";
// Where rtouchctl keep puts the file it replaces.
inline constexpr wchar_t kParameterBackupPath[] = L"C:\\WINDOWS\\ZRNParameters.dat.bak";

// Opens the file for reading with no sharing and reads at most its first 180
// bytes; nullopt when it cannot be opened (missing, locked, no access) or
// its folder is not trusted (FolderTrusted) or the file itself is not
// (FileTrusted), no bytes when it cannot be read.
std::optional<std::vector<uint8_t>> ReadParameterFile(const FilePath& path);

// Whether the file served, and if not why the defaults were used instead.
enum class ParameterFileUse : uint8_t {
    Served,
    FolderNotTrusted,
    FileNotTrusted,
    CannotOpen,  // missing, locked (held open by anyone, in any session) or no access
    Short,       // fewer than 180 bytes, or a read error
};

// Why the file did not serve, in a few words for a support engineer;
// empty for Served.
std::string_view UnusedReason(ParameterFileUse use);

// ReadParameterFile followed by LoadParameterBlock. `error`, when given,
// receives the system's code for CannotOpen.
ParameterFileUse LoadParameterFile(const FilePath& path, uint16_t currentOrientation,
                                   ParameterBlock& defaults, ParameterBlock& live, uint32_t* error = nullptr);
