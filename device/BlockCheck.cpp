#include "device/BlockCheck.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "calibration/CalibrationRun.h"
#include "device/AxisFlags.h"
#include "device/SliderRanges.h"
#include "engine/GestureTables.h"

namespace {

std::string Indexed(const char* name, size_t index) {
    return std::string(name) + "[" + std::to_string(index) + "]";
}

std::string FloatText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

// Y and X inverted or not, swapped or not: nothing else is defined.
bool KnownAxisFlags(uint16_t flags) { return (flags & ~(kAxisInvertY | kAxisInvertX | kAxisSwap)) == 0; }

template <size_t N>
void CheckScales(const char* name, const float (&scales)[N], std::vector<BlockFault>& faults) {
    for (size_t i = 0; i < N; ++i) {
        const float s = scales[i];
        if (!std::isfinite(s))
            faults.push_back({Indexed(name, i), "is " + FloatText(s) + ", not a finite number"});
        else if (s < kMinPlausibleScale || s > kMaxPlausibleScale)
            faults.push_back({Indexed(name, i), "is " + FloatText(s) + ", outside 0.125..8"});
    }
}

}  // namespace

std::vector<BlockFault> CheckBlock(std::span<const uint8_t, kParameterBlockSize> image) {
    ParameterBlock b;
    std::memcpy(&b, image.data(), kParameterBlockSize);
    std::vector<BlockFault> faults;
    CheckScales("ScaleX", b.ScaleX, faults);
    CheckScales("ScaleY", b.ScaleY, faults);
    for (size_t i = 0; i < std::size(b.ScaleSlope); ++i)
        if (!std::isfinite(b.ScaleSlope[i]))
            faults.push_back(
                {Indexed("ScaleSlope", i), "is " + FloatText(b.ScaleSlope[i]) + ", not a finite number"});
    if (!KnownAxisFlags(b.AxisFlags)) {
        char text[64];
        std::snprintf(text, sizeof text, "is 0x%04x, not one of 0..3 or 0x10..0x13", b.AxisFlags);
        faults.push_back({"AxisFlags", text});
    }
    for (const SliderRange* range : kSliderRanges) {
        const uint16_t value = b.*range->field;
        if (value < range->minimum || value > range->maximum)
            faults.push_back({range->name, "is " + std::to_string(value) + ", outside " +
                                               std::to_string(range->minimum) + ".." +
                                               std::to_string(range->maximum)});
    }
    if (b.DriverWord142 != kDriverWord142Value)
        faults.push_back({"DriverWord142", "is " + std::to_string(b.DriverWord142) + ", not 32"});
    if (image[offsetof(ParameterBlock, GestureMap)] == kNoMapMarker) return faults;
    for (size_t i = 0; i < kGestureCount; ++i) {
        const GestureMapEntry e = b.GestureMap[i];
        if (e.modifier >= kModifierRowCount)
            faults.push_back({Indexed("GestureMap", i), "names modifier row " + std::to_string(e.modifier) +
                                                            ", not one of 0.." +
                                                            std::to_string(kModifierRowCount - 1)});
        if (e.key >= kKeyRowCount)
            faults.push_back({Indexed("GestureMap", i), "names key row " + std::to_string(e.key) +
                                                            ", not one of 0.." +
                                                            std::to_string(kKeyRowCount - 1)});
    }
    return faults;
}
