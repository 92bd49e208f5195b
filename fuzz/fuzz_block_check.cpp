// Any 180 bytes as a block to keep: the check names a field only for a
// value its rule refuses, and a block it passes loads with every map entry
// inside the tables, finite coefficients and every slider field in range.
#include <cmath>
#include <cstring>

#include "device/BlockCheck.h"
#include "device/SliderRanges.h"
#include "engine/GestureTables.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kParameterBlockSize) return 0;
    std::array<uint8_t, kParameterBlockSize> image;
    std::memcpy(image.data(), data, kParameterBlockSize);
    const std::vector<BlockFault> faults = CheckBlock(image);
    for (const BlockFault& f : faults) FUZZ_CHECK(!f.field.empty() && !f.problem.empty());
    if (!faults.empty()) return 0;
    ParameterBlock defaults = MakeDefaultParams(), live{};
    ChooseDefaultMap(defaults, false);
    LoadParameterBlock(std::span<const uint8_t>(image), 0, defaults, live);
    for (const GestureMapEntry& e : live.GestureMap)
        FUZZ_CHECK(e.modifier < kModifierRowCount && e.key < kKeyRowCount);
    for (float s : live.ScaleSlope) FUZZ_CHECK(std::isfinite(s));
    for (const SliderRange* r : kSliderRanges)
        FUZZ_CHECK(live.*r->field >= r->minimum && live.*r->field <= r->maximum);
    FUZZ_CHECK(live.DriverWord142 == kDriverWord142Value);
    return 0;
}
