// The 12-byte touch report and the touch resistance figure derived from it,
// shared by the touch worker and the calibration session.
#pragma once

#include <cstdint>

#include "device/DriverChannel.h"

struct TouchReport {
    uint16_t X, Y, Z1, Z2;
    uint8_t Dist1, Dist2, Dist1Base, Dist2Base;
};

// Decodes the little-endian report bytes.
TouchReport DecodeReport(const ReportBytes& bytes);

// RTouch: 0 when Z1 or X is 0; otherwise (Z2 - Z1) / Z1 * X in double
// precision, rounded to float, truncated toward zero. Values beyond the
// 32-bit range saturate instead of overflowing the conversion.
int32_t ComputeRTouch(const TouchReport& report);
