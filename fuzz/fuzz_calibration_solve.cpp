// The calibration solve and the run's plausibility check on any nine
// points: the block is either rejected, and then exactly the block from
// before, or accepted with twenty finite coefficients, twelve scale factors
// within 0.125..8, documented axis flags and points normalised as
// documented, and the engine then maps the measured centre, corners and
// edge mid-points onto their ideal positions (to within one unit).
//
// Input: nine points (X u16, Y u16), the display orientation (byte mod 4),
// then up to 180 bytes of the block from before the session (over the
// defaults); the points go into CalX/CalY[0..8] as the session leaves them.
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "calibration/CalibrationRun.h"
#include "calibration/CalibrationSession.h"
#include "calibration/CalibrationSolve.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr int32_t kRawMax = 4095;

bool Plausible(float scale) { return std::isfinite(scale) && scale >= 0.125f && scale <= 8.0f; }

// The documented normalisation of one raw point: exchange, then reversal.
void Normalise(uint16_t& x, uint16_t& y, uint16_t flags) {
    if (flags & 0x10) std::swap(x, y);
    if (flags & 0x01) y = static_cast<uint16_t>(std::abs(int32_t{y} - kRawMax));
    if (flags & 0x02) x = static_cast<uint16_t>(std::abs(int32_t{x} - kRawMax));
}

void CheckAccepted(const ParameterBlock& live, const ParameterBlock& before,
                   const CalSample (&raw)[kCalPointCount], uint16_t orientation) {
    for (float s : live.ScaleX) FUZZ_CHECK(Plausible(s));
    for (float s : live.ScaleY) FUZZ_CHECK(Plausible(s));
    for (float s : live.ScaleSlope) FUZZ_CHECK(std::isfinite(s));
    const uint16_t flags = live.AxisFlags;
    FUZZ_CHECK((flags & ~0x13u) == 0);
    for (size_t i = 0; i < kCalPointCount; ++i) {
        uint16_t x = raw[i].X, y = raw[i].Y;
        Normalise(x, y, flags);
        FUZZ_CHECK(live.CalX[i] == x && live.CalY[i] == y);
    }
    FUZZ_CHECK(live.CalX[9] == before.CalX[9] && live.CalY[9] == before.CalY[9]);
    FUZZ_CHECK(live.CalOrientation == orientation && live.Orientation == orientation);
    // Everything after the calibration fields but the two orientations is as before.
    ParameterBlock rest = live;
    rest.CalOrientation = before.CalOrientation;
    rest.Orientation = before.Orientation;
    const size_t from = offsetof(ParameterBlock, Orientation);
    FUZZ_CHECK(std::memcmp(BlockBytes(rest).data() + from, BlockBytes(before).data() + from,
                           kParameterBlockSize - from) == 0);

    // The measured points through the engine's own calibration.
    Position mapped[kCalPointCount];
    for (size_t i = 0; i < kCalPointCount; ++i)
        mapped[i] = CalibratePosition(ApplyAxisFlags(Position{raw[i].X, raw[i].Y}, flags), live);
    auto near = [](int32_t got, uint16_t ideal) { return std::abs(got - int32_t{ideal}) <= 1; };
    FUZZ_CHECK(mapped[0].X == 2048 && mapped[0].Y == 2048);
    for (size_t p = 1; p <= 4; ++p) FUZZ_CHECK(near(mapped[p].X, XL[p]) && near(mapped[p].Y, YL[p]));
    FUZZ_CHECK(near(mapped[5].Y, YL[5]) && near(mapped[6].Y, YL[6]));
    FUZZ_CHECK(near(mapped[7].X, XL[7]) && near(mapped[8].X, XL[8]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    CalSample raw[kCalPointCount];
    for (CalSample& p : raw) {
        p.X = in.u16();
        p.Y = in.u16();
    }
    const uint16_t orientation = in.byte() % 4;
    ParameterBlock defaults = MakeDefaultParams();
    ChooseDefaultMap(defaults, false);
    const ParameterBlock before = BlockFromInput(in);

    ParameterBlock live = before;
    for (size_t i = 0; i < kCalPointCount; ++i) {
        live.CalX[i] = raw[i].X;
        live.CalY[i] = raw[i].Y;
    }
    const ParameterBlock measured = live;
    const CalRunOutcome outcome = ApplyCalibrationResult(live, before, 1, defaults, orientation);
    FUZZ_CHECK(outcome == CalRunOutcome::Finished || outcome == CalRunOutcome::Rejected);

    ParameterBlock solved = measured;
    CalibrationSolve(solved);
    bool degenerate = false;
    for (float s : solved.ScaleX) degenerate |= !Plausible(s);
    for (float s : solved.ScaleY) degenerate |= !Plausible(s);
    for (float s : solved.ScaleSlope) degenerate |= !std::isfinite(s);
    FUZZ_CHECK(degenerate == (outcome == CalRunOutcome::Rejected));
    FUZZ_CHECK(degenerate == IsDegenerateCalibration(solved));

    if (outcome == CalRunOutcome::Rejected)
        FUZZ_CHECK(std::memcmp(&live, &before, sizeof live) == 0);
    else
        CheckAccepted(live, before, raw, orientation);
    return 0;
}
