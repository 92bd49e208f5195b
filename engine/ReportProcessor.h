// The touch worker's per-report processing: from one touch report and the
// live parameter block to the touch state and the mapped sample that the
// gesture recognizer gets. Pure apart from the reader's own counters.
#pragma once

#include <cstdint>

#include "device/AxisFlags.h"
#include "device/ParameterBlock.h"
#include "engine/GestureRecognizer.h"
#include "engine/TouchReport.h"

// The centre of the 12-bit coordinate space (0..kCoordMax on both axes).
constexpr double kCoordCentre = 2048.0;
// A calibrated value that is not a number (degenerate coefficients) is put
// at the centre: see MapAxis.
constexpr int32_t kCoordForNaN = 2048;

// The reader's counters of the touch state machine; all zero at start.
struct ReaderCounters {
    int32_t DownCount;   // single-contact samples since the last release or two-finger sample
    int32_t MultiCount;  // consecutive two-finger signature samples, 0..3
    int32_t Tracking;    // the current single contact has been reported as single
};

// Two-finger signature samples before the state turns from undecided to multi.
constexpr int32_t kUndecidedSamples = 3;

struct Position {
    int32_t X, Y;
};

// Swap on kAxisSwap, then invert by the low four bits (1 Y, 2 X, 3 both;
// any other value inverts nothing): inversion is |v - 4095|.
Position ApplyAxisFlags(Position p, uint16_t flags);

// The raw position after axis handling, calibrated around the measured
// centre by quadrant and limited to 0..4095 (before the orientation turn).
Position CalibratePosition(Position raw, const ParameterBlock& block);

// The turn between the current and the calibration-time display orientation,
// (Orientation - CalOrientation) mod 4, for any 16-bit values.
uint32_t OrientationTurn(uint16_t orientation, uint16_t calOrientation);
Position CorrectOrientation(Position p, uint32_t turn);

// Whether a report with figure `rtouch` says a finger is on the screen:
// a non-zero figure up to the pressure limit (signed comparison).
inline bool IsContact(int32_t rtouch, uint16_t pressureLimit) {
    return rtouch != 0 && rtouch <= int32_t{pressureLimit};
}

// The touch state of a report, with or without contact; updates the counters.
uint8_t DecideTouchState(const TouchReport& report, bool contact, const ParameterBlock& block,
                         ReaderCounters& counters);

struct ProcessedReport {
    uint8_t state;
    coord_dist sample;
    bool contact;  // the report says a finger is on the screen (its state may still be none)
};

// One report through RTouch, axis handling, calibration, orientation and the
// touch state. Reads each block field it needs once, untorn.
ProcessedReport ProcessReport(const TouchReport& report, const ParameterBlock& block,
                              ReaderCounters& counters);
