#include "device/ParameterBlock.h"

#include <cstring>

ParameterBlock LiveParams{};
ParameterBlock DefaultParams = MakeDefaultParams();

const GestureMapTable GestureMapModern = {
    {0, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 8}, {1, 7}, {0, 5},
    {0, 3}, {0, 5}, {0, 3}, {0, 1}, {0, 2}, {1, 2}, {1, 1},
};
const GestureMapTable GestureMapLegacy = {
    {0, 5}, {0, 3}, {0, 0}, {0, 0}, {1, 19}, {1, 20}, {0, 5},
    {0, 3}, {0, 5}, {0, 3}, {0, 1}, {0, 2},  {1, 2},  {1, 1},
};

ParameterBlock MakeDefaultParams() {
    ParameterBlock b{};
    const uint16_t calX[10] = {1920, 128, 128, 3968, 3968, 128, 1920, 1920, 3968, 3968};
    const uint16_t calY[10] = {1920, 128, 3968, 128, 3968, 1920, 128, 3968, 1920, 3968};
    std::memcpy(b.CalX, calX, sizeof calX);
    std::memcpy(b.CalY, calY, sizeof calY);
    for (float& s : b.ScaleX) s = 1.0f;
    for (float& s : b.ScaleY) s = 1.0f;
    for (float& s : b.ScaleSlope) s = 0.0f;
    b.AxisFlags = 0;
    b.Orientation = 0;
    b.CalOrientation = 0;
    b.DoubleClickArea = 20;
    b.ConstantTouch = 50;
    b.FlipScale = 10;
    b.SingleTouchScale = 350;
    b.PanScale = 800;
    b.PinchScale = 24;
    b.Dist1Margin = 32;
    b.Dist2Margin = 32;
    b.DriverWord142 = kDriverWord142Value;
    b.RightClickInterval = 10;
    b.DriverWord146 = 125;
    b.DriverWord148 = 4;
    b.PressureLimit = 20000;
    return b;
}

void WriteGestureMap(ParameterBlock& block, const GestureMapTable& map) {
    for (size_t i = 0; i < kGestureCount; ++i) {
        WriteField(block.GestureMap[i].modifier, map[i].modifier);
        WriteField(block.GestureMap[i].key, map[i].key);
    }
}

template <class T, size_t N>
static void WriteArray(T (&dst)[N], const T (&src)[N]) {
    for (size_t i = 0; i < N; ++i) WriteField(dst[i], src[i]);
}

void WriteWholeBlock(ParameterBlock& dst, const ParameterBlock& src) {
    WriteArray(dst.CalX, src.CalX);
    WriteArray(dst.CalY, src.CalY);
    WriteArray(dst.ScaleX, src.ScaleX);
    WriteArray(dst.ScaleY, src.ScaleY);
    WriteArray(dst.ScaleSlope, src.ScaleSlope);
    uint16_t* dstWords = &dst.AxisFlags;
    const uint16_t* srcWords = &src.AxisFlags;
    // The sixteen 16-bit fields from AxisFlags to PressureLimit are contiguous.
    static_assert(offsetof(ParameterBlock, PressureLimit) - offsetof(ParameterBlock, AxisFlags) == 15 * 2);
    for (size_t i = 0; i < 16; ++i) WriteField(dstWords[i], srcWords[i]);
    WriteGestureMap(dst, src.GestureMap);
}

bool IsLegacySystem(unsigned majorVersion) { return majorVersion <= 5; }

void ChooseDefaultMap(ParameterBlock& defaults, bool legacySystem) {
    WriteGestureMap(defaults, legacySystem ? GestureMapLegacy : GestureMapModern);
}

void LoadParameterBlock(std::optional<std::span<const uint8_t>> file, uint16_t currentOrientation,
                        ParameterBlock& defaults, ParameterBlock& live) {
    if (!file || file->size() < kParameterBlockSize) {
        defaults.Orientation = currentOrientation;
        live = defaults;
        return;
    }
    live = ParameterBlock{};
    std::memcpy(&live, file->data(), kParameterBlockSize);
    if (BlockBytes(live)[offsetof(ParameterBlock, GestureMap)] == kNoMapMarker)
        std::memcpy(live.GestureMap, defaults.GestureMap, kGestureMapSize);
    if (live.DriverWord142 != kDriverWord142Value) live.DriverWord142 = kDriverWord142Value;
    if (live.Orientation != currentOrientation) live.Orientation = currentOrientation;
}

std::span<const uint8_t, kParameterBlockSize> BlockBytes(const ParameterBlock& block) {
    return std::span<const uint8_t, kParameterBlockSize>(reinterpret_cast<const uint8_t*>(&block),
                                                         kParameterBlockSize);
}
