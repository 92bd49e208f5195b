// The calibration solve: turns the nine measured points of a session into
// axis flags, scale factors and slopes of the quadrant calibration.
#pragma once

#include <cstdint>

#include "device/ParameterBlock.h"

// Ideal positions of targets 0..8 in the 0..4095 coordinate space: the
// centre 2048 and an inset of 128 (4096/32) from each edge.
extern const uint16_t XL[kCalPointCount];
extern const uint16_t YL[kCalPointCount];

// |v| for every int32_t, INT32_MIN included.
uint32_t AbsInt32(int32_t v);

// Detects exchange and reversal from targets 1, 2 and 3, normalises
// CalX/CalY[0..8] in place and computes ScaleX, ScaleY and ScaleSlope.
// Validates nothing: a zero denominator stores an infinity or a NaN.
// Call it once per completed session: it consumes the raw orientation.
void CalibrationSolve(ParameterBlock& block);
