// Whether a parameter block image is fit to be kept as the parameters file
// that every session's copy loads and hands to the driver: the check that
// rtouchctl runs before it writes one, and that the installers run on the
// file they are given.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/ParameterBlock.h"

// One field that fails the check: its name ("ScaleX[2]", "GestureMap[5]")
// and what is wrong with it, as one line for a person.
struct BlockFault {
    std::string field;
    std::string problem;
};

// Every field of the image that fails; empty when it passes.
// AxisFlags is one of 0..3 or 0x10..0x13; the calibration coefficients are
// finite and the scale factors plausible (as a calibration run requires);
// DriverWord142 is 32; each gesture map entry names a row of the modifier
// and key tables, or the map's first byte says there is no map; the six
// slider fields lie within their sliders' ranges.
std::vector<BlockFault> CheckBlock(std::span<const uint8_t, kParameterBlockSize> image);
