#include "calibration/CalibrationRun.h"

#include <cmath>

#include "calibration/CalibrationSolve.h"

namespace {

bool Plausible(float scale) {
    return std::isfinite(scale) && scale >= kMinPlausibleScale && scale <= kMaxPlausibleScale;
}

}  // namespace

bool IsDegenerateCalibration(const ParameterBlock& b) {
    for (float s : b.ScaleX)
        if (!Plausible(s)) return true;
    for (float s : b.ScaleY)
        if (!Plausible(s)) return true;
    for (float s : b.ScaleSlope)
        if (!std::isfinite(s)) return true;
    return false;
}

CalRunOutcome ApplyCalibrationResult(ParameterBlock& live, const ParameterBlock& before, int result,
                                     const ParameterBlock& defaults,
                                     std::optional<uint16_t> currentOrientation) {
    // The main window may have followed a rotation during the session: the
    // live Orientation is the last one known, never the one from before.
    const uint16_t liveOrientation = ReadField(live.Orientation);
    if (result != 0) {
        CalibrationSolve(live);
        if (IsDegenerateCalibration(live)) {
            WriteWholeBlock(live, before);
            WriteField(live.Orientation, liveOrientation);
            return CalRunOutcome::Rejected;
        }
    } else {
        WriteWholeBlock(live, defaults);
        // The defaults hold the start-up orientation only when there was no
        // file: the reset block takes the display as it is now (or as last
        // known), so no correction turns the touches.
        const uint16_t now = currentOrientation.value_or(liveOrientation);
        WriteField(live.Orientation, now);
        WriteField(live.CalOrientation, now);
        return CalRunOutcome::NotFinished;
    }
    // Points taken on the display as it is now: Orientation and
    // CalOrientation both name it, so a rotation after start-up turns no
    // gesture.
    if (currentOrientation) {
        WriteField(live.Orientation, *currentOrientation);
        WriteField(live.CalOrientation, *currentOrientation);
    }
    return CalRunOutcome::Finished;
}
