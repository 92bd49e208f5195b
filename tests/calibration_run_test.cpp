#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <utility>

#include "calibration/CalibrationRun.h"
#include "calibration/CalibrationSolve.h"
#include "engine/ReportProcessor.h"

namespace {

bool SameBytes(const ParameterBlock& a, const ParameterBlock& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

ParameterBlock Defaults() {
    ParameterBlock d = MakeDefaultParams();
    ChooseDefaultMap(d, false);
    return d;
}

// A block as loaded before the session, with settings that differ from the
// defaults, and the same block after a session measured `raw`.
struct RunBlocks {
    ParameterBlock before;
    ParameterBlock live;
};
template <class F>
RunBlocks SessionMeasured(F raw) {
    RunBlocks r;
    r.before = Defaults();
    r.before.CalOrientation = 3;
    r.before.PanScale = 1234;
    r.before.ScaleX[2] = 1.5f;
    r.live = r.before;
    for (size_t i = 0; i < kCalPointCount; ++i) {
        auto [x, y] = raw(XL[i], YL[i]);
        r.live.CalX[i] = static_cast<uint16_t>(x);
        r.live.CalY[i] = static_cast<uint16_t>(y);
    }
    return r;
}

TEST(CalibrationRun, CompletedSessionIsSolvedAndRecordsTheOrientation) {
    RunBlocks r = SessionMeasured([](int x, int y) { return std::pair{4095 - x, y}; });
    EXPECT_EQ(CalRunOutcome::Finished, ApplyCalibrationResult(r.live, r.before, 1, Defaults(), 1));
    EXPECT_EQ(2, r.live.AxisFlags);
    EXPECT_EQ(1.0f, r.live.ScaleX[2]);
    EXPECT_EQ(1, r.live.CalOrientation);
    EXPECT_EQ(1, r.live.Orientation);  // rotated since start-up: no turn
    EXPECT_EQ(1234, r.live.PanScale);  // only the calibration changes

    RunBlocks unreadable = SessionMeasured([](int x, int y) { return std::pair{x, y}; });
    EXPECT_EQ(CalRunOutcome::Finished,
              ApplyCalibrationResult(unreadable.live, unreadable.before, 1, Defaults(), std::nullopt));
    EXPECT_EQ(3, unreadable.live.CalOrientation);
    EXPECT_EQ(0, unreadable.live.Orientation);
}

// Also the missing-device path: the session ends with 0 at once.
TEST(CalibrationRun, UnfinishedSessionRestoresTheWholeDefaults) {
    const ParameterBlock defaults = Defaults();
    RunBlocks r = SessionMeasured([](int x, int y) { return std::pair{x / 2, y}; });
    EXPECT_EQ(CalRunOutcome::NotFinished, ApplyCalibrationResult(r.live, r.before, 0, defaults, 2));
    ParameterBlock want = defaults;
    want.Orientation = 2;
    want.CalOrientation = 2;
    EXPECT_TRUE(SameBytes(want, r.live));

    // The orientation cannot be read: the one the live block had is kept,
    // not the one from before the session.
    RunBlocks unreadable = SessionMeasured([](int x, int y) { return std::pair{x, y}; });
    unreadable.before.Orientation = 2;
    unreadable.live.Orientation = 1;
    ApplyCalibrationResult(unreadable.live, unreadable.before, 0, defaults, std::nullopt);
    want = defaults;
    want.Orientation = 1;
    want.CalOrientation = 1;
    EXPECT_TRUE(SameBytes(want, unreadable.live));
}

// Defaults prepared while a parameters file was there keep Orientation 0;
// whatever the display's orientation, the reset block's touches go where
// they are, not turned.
TEST(CalibrationRun, UnfinishedSessionTurnsNoTouchWhateverTheDisplay) {
    const ParameterBlock defaults = Defaults();
    ASSERT_EQ(0, defaults.Orientation);
    for (uint16_t display = 0; display < 4; ++display) {
        RunBlocks r = SessionMeasured([](int x, int y) { return std::pair{x, y}; });
        r.before.Orientation = display;
        ApplyCalibrationResult(r.live, r.before, 0, defaults, display);
        EXPECT_EQ(0u, OrientationTurn(r.live.Orientation, r.live.CalOrientation)) << "display " << display;
    }
}

TEST(CalibrationRun, DegenerateCalibrationPutsTheOldBlockBack) {
    struct Case {
        const char* name;
        std::pair<int, int> (*raw)(int, int);
    };
    const Case cases[] = {
        {"left centre at the centre's X",
         [](int x, int y) {
             return std::pair{x == 128 && y == 2048 ? 2048 : x, y};
         }},
        {"all points equal",
         [](int, int) {
             return std::pair{2000, 2000};
         }},
        {"tiny travel: scale 10",
         [](int x, int y) {
             return std::pair{2048 + (x - 2048) / 10, 2048 + (y - 2048) / 10};
         }},
        {"one corner past the centre: negative scale",
         [](int x, int y) {
             return std::pair{x == 3968 && y == 3968 ? 1000 : x, y};
         }},
        {"huge travel: scale below 1/8",
         [](int x, int y) {
             return std::pair{30000 + (x - 2048) * 9, 30000 + (y - 2048) * 9};
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunBlocks r = SessionMeasured(c.raw);
        EXPECT_EQ(CalRunOutcome::Rejected, ApplyCalibrationResult(r.live, r.before, 1, Defaults(), 0));
        EXPECT_TRUE(SameBytes(r.before, r.live));
        // A rotation followed during the session stays.
        r = SessionMeasured(c.raw);
        r.live.Orientation = 2;
        ApplyCalibrationResult(r.live, r.before, 1, Defaults(), 2);
        ParameterBlock want = r.before;
        want.Orientation = 2;
        EXPECT_TRUE(SameBytes(want, r.live));
    }
}

TEST(CalibrationRun, ScaleLimitsAreInclusive) {
    RunBlocks eight = SessionMeasured([](int x, int y) {
        return std::pair{2048 + (x - 2048) / 8, 2048 + (y - 2048) / 8};
    });
    EXPECT_EQ(CalRunOutcome::Finished, ApplyCalibrationResult(eight.live, eight.before, 1, Defaults(), 0));
    EXPECT_EQ(8.0f, eight.live.ScaleX[0]);

    RunBlocks eighth = SessionMeasured([](int x, int y) {
        return std::pair{30000 + (x - 2048) * 8, 30000 + (y - 2048) * 8};
    });
    EXPECT_EQ(CalRunOutcome::Finished, ApplyCalibrationResult(eighth.live, eighth.before, 1, Defaults(), 0));
    EXPECT_EQ(0.125f, eighth.live.ScaleY[5]);

    RunBlocks past = SessionMeasured([](int x, int y) {
        return std::pair{2048 + (x - 2048) / 8, 2048 + (y - 2048) / 8};
    });
    past.live.CalX[1] += 1;  // 1920 / 239
    EXPECT_EQ(CalRunOutcome::Rejected, ApplyCalibrationResult(past.live, past.before, 1, Defaults(), 0));
}

// The worker's mapping of one raw point: exchange and reversal by AxisFlags,
// then the quadrant calibration (no orientation turn).
std::pair<int, int> MapRaw(const ParameterBlock& b, int x, int y) {
    const Position p = CalibratePosition(ApplyAxisFlags(Position{x, y}, b.AxisFlags), b);
    return {p.X, p.Y};
}

// A realistic panel: offset centre, gain below one, a little skew, keystone
// and bow (so opposite edges differ), raw coordinates inside 0..4095.
struct Panel {
    double cx, cy, gx, gy, kx, ky, qx, qy, bx, by;
    std::pair<int, int> Raw(int u, int v) const {
        const double du = u - 2048.0, dv = v - 2048.0;
        return {
            static_cast<int>(std::lround(cx + gx * du + kx * dv + (qx * du * dv + bx * du * du) / 2048.0)),
            static_cast<int>(std::lround(cy + gy * dv + ky * du + (qy * du * dv + by * dv * dv) / 2048.0))};
    }
};

TEST(CalibrationRun, EveryAxisArrangementSolvesBackToTheTargets) {
    std::mt19937 rng(20240521);
    auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * (rng() / 4294967296.0); };
    for (int panelIndex = 0; panelIndex < 300; ++panelIndex) {
        const Panel p{2048 + uniform(-100, 100), 2048 + uniform(-100, 100), uniform(0.7, 0.93),
                      uniform(0.7, 0.93),        uniform(-0.03, 0.03),      uniform(-0.03, 0.03),
                      uniform(-0.02, 0.02),      uniform(-0.02, 0.02),      uniform(-0.02, 0.02),
                      uniform(-0.02, 0.02)};
        for (int arrangement = 0; arrangement < 8; ++arrangement) {
            const bool reverseX = arrangement & 1, reverseY = arrangement & 2, exchange = arrangement & 4;
            auto measured = [&](int u, int v) {
                auto [x, y] = p.Raw(u, v);
                if (reverseX) x = 4095 - x;
                if (reverseY) y = 4095 - y;
                if (exchange) std::swap(x, y);
                return std::pair{x, y};
            };
            SCOPED_TRACE("panel " + std::to_string(panelIndex) + " arrangement " +
                         std::to_string(arrangement));
            RunBlocks r = SessionMeasured(measured);
            ASSERT_EQ(CalRunOutcome::Finished, ApplyCalibrationResult(r.live, r.before, 1, Defaults(), 0));
            EXPECT_EQ((exchange ? 0x10 : 0) | (reverseX ? 2 : 0) | (reverseY ? 1 : 0), r.live.AxisFlags);
            for (size_t i = 0; i < kCalPointCount; ++i) {
                auto [x, y] = measured(XL[i], YL[i]);
                auto [mx, my] = MapRaw(r.live, x, y);
                const bool centreOrCorner = i <= 4, leftOrRight = i >= 7;
                if (centreOrCorner || leftOrRight) {
                    EXPECT_NEAR(XL[i], mx, 2) << "target " << i;
                }
                if (!leftOrRight) {
                    EXPECT_NEAR(YL[i], my, 2) << "target " << i;
                }
            }
        }
    }
}

}  // namespace
