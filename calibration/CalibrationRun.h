// What the calibration run does with the block once the session is over:
// solve or reset, reject a degenerate calibration, record the orientation.
#pragma once

#include <cstdint>
#include <optional>

#include "device/ParameterBlock.h"

// Plausible scale factors: a screen covered by between 1/8 and 8 times the
// raw travel. Anything outside (or not finite) means the points were bad.
constexpr float kMinPlausibleScale = 0.125f;
constexpr float kMaxPlausibleScale = 8.0f;

enum class CalRunOutcome : uint8_t {
    Finished,     // solved and kept
    NotFinished,  // the session ended without its nine points: defaults
    Rejected,     // solved but degenerate: the block from before is back
};

// Whether the solved coefficients are unusable: any of ScaleX[0..5],
// ScaleY[0..5], ScaleSlope[0..7] not finite, or any scale factor outside
// kMinPlausibleScale..kMaxPlausibleScale.
bool IsDegenerateCalibration(const ParameterBlock& block);

// Applies a session's result to `live`, whose CalX/CalY the session has
// just written. `before` is the block as it was before the session,
// `defaults` the defaults as prepared at start-up, `currentOrientation` the
// display orientation when it could be read. Result 1 solves; a degenerate
// solve puts `before` back except for the live Orientation; a good one gets
// the current orientation as Orientation and CalOrientation. Result 0
// restores the whole defaults with Orientation and CalOrientation both the
// current orientation (unreadable: the live Orientation), so the reset block
// turns no touch.
CalRunOutcome ApplyCalibrationResult(ParameterBlock& live, const ParameterBlock& before, int result,
                                     const ParameterBlock& defaults,
                                     std::optional<uint16_t> currentOrientation);
