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
    CalRunOutcome outcome = CalRunOutcome::Finished;
    if (result != 0) {
        CalibrationSolve(live);
        if (IsDegenerateCalibration(live)) {
            WriteWholeBlock(live, before);
            return CalRunOutcome::Rejected;
        }
    } else {
        WriteWholeBlock(live, defaults);
        outcome = CalRunOutcome::NotFinished;
    }
    if (currentOrientation) WriteField(live.CalOrientation, *currentOrientation);
    return outcome;
}
