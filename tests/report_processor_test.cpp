#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/ReportProcessor.h"

namespace {

TouchReport At(uint16_t x, uint16_t y) { return TouchReport{x, y, 100, 200, 100, 100, 100, 100}; }

Position Mapped(const ParameterBlock& b, uint16_t x, uint16_t y) {
    ReaderCounters c{};
    const ProcessedReport p = ProcessReport(At(x, y), b, c);
    return Position{p.sample.X, p.sample.Y};
}

#define EXPECT_POS(ex, ey, p)   \
    do {                        \
        const Position q = (p); \
        EXPECT_EQ(ex, q.X);     \
        EXPECT_EQ(ey, q.Y);     \
    } while (0)

TEST(ReportProcessorTest, DefaultCoefficientsShiftBy128AndLimit) {
    const ParameterBlock b = MakeDefaultParams();
    EXPECT_POS(228, 328, Mapped(b, 100, 200));      // quadrant 1
    EXPECT_POS(228, 3128, Mapped(b, 100, 3000));    // quadrant 2
    EXPECT_POS(3128, 228, Mapped(b, 3000, 100));    // quadrant 3
    EXPECT_POS(3128, 3128, Mapped(b, 3000, 3000));  // quadrant 4
    EXPECT_POS(2048, 2048, Mapped(b, 1920, 1920));  // the split point itself
    EXPECT_POS(4095, 4095, Mapped(b, 4000, 3968));
    EXPECT_POS(4095, 128, Mapped(b, 65535, 0));
}

TEST(ReportProcessorTest, QuadrantsUseTheirOwnGainsAndSlopes) {
    ParameterBlock b = MakeDefaultParams();
    b.ScaleX[4] = 2.0f;        // X gain left of the split
    b.ScaleY[5] = 0.5f;        // Y gain below the split
    b.ScaleSlope[3] = 0.001f;  // quadrant 4, X slope over Y - CalY[8] (1920)
    // Left, top: X' = (1820 - 1920) x 2 + 2048.
    EXPECT_POS(1848, 1948, Mapped(b, 1820, 1820));
    // Right, bottom: X' = 1000 x (1 + 0.001 x (2420 - 1920)) + 2048;
    // Y' = 500 x 0.5 + 2048.
    EXPECT_POS(3548, 2298, Mapped(b, 2920, 2420));
    // On the split line X = X0 the left-hand quadrant applies.
    EXPECT_POS(2048, 2548, Mapped(b, 1920, 2920));
}

TEST(ReportProcessorTest, CalibratedValuesAreLimitedWithoutUndefinedConversions) {
    ParameterBlock b = MakeDefaultParams();
    b.CalX[0] = 2051;                          // X' = X - 3 near the left edge
    EXPECT_EQ(0, Mapped(b, 0, 2000).X);        // -3
    EXPECT_EQ(4095, Mapped(b, 4103, 2000).X);  // 4100
    EXPECT_EQ(4094, Mapped(b, 4097, 2000).X);

    constexpr float inf = std::numeric_limits<float>::infinity();
    b = MakeDefaultParams();
    b.ScaleX[5] = inf;
    b.ScaleY[5] = -inf;
    EXPECT_POS(4095, 0, Mapped(b, 3000, 3000));  // +inf and -inf
    b.ScaleX[4] = 1e30f;
    EXPECT_EQ(0, Mapped(b, 100, 100).X);  // huge negative
    b.ScaleX[4] = -1e30f;
    EXPECT_EQ(4095, Mapped(b, 100, 100).X);  // huge positive

    // NaN from a NaN gain or from inf x 0 lands on the centre.
    b = MakeDefaultParams();
    b.ScaleX[4] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_POS(kCoordForNaN, 328, Mapped(b, 100, 200));
    b = MakeDefaultParams();
    b.ScaleSlope[4] = inf;  // Y slope over X - CalX[5]; X = CalX[5] gives inf x 0
    EXPECT_POS(256, kCoordForNaN, Mapped(b, 128, 200));
}

TEST(ReportProcessorTest, OrientationTurnsForEveryDifference) {
    ParameterBlock b = MakeDefaultParams();
    struct Case {
        uint16_t orientation, calOrientation;
        int x, y;
    } cases[] = {
        {0, 0, 228, 328},                // r 0
        {1, 0, 4095 - 328, 228},         // r 1
        {2, 0, 4095 - 228, 4095 - 328},  // r 2
        {3, 0, 328, 4095 - 228},         // r 3
        {0, 1, 328, 4095 - 228},         // (0 - 1) mod 4 = 3
        {1, 3, 4095 - 228, 4095 - 328},  // (1 - 3) mod 4 = 2
        {65535, 65535, 228, 328},        // any 16-bit values: 0
        {5, 0, 4095 - 328, 228},         // 1
        {0, 65535, 4095 - 328, 228},     // (0 - 65535) mod 4 = 1
    };
    for (const Case& c : cases) {
        b.Orientation = c.orientation;
        b.CalOrientation = c.calOrientation;
        const Position p = Mapped(b, 100, 200);
        EXPECT_EQ(c.x, p.X) << c.orientation << "/" << c.calOrientation;
        EXPECT_EQ(c.y, p.Y) << c.orientation << "/" << c.calOrientation;
    }
}

TEST(ReportProcessorTest, AxisFlagsSwapFirstThenInvertByLowBits) {
    EXPECT_POS(3795, 3095, ApplyAxisFlags({1000, 300}, 0x13));
    EXPECT_POS(300, 1000, ApplyAxisFlags({1000, 300}, 0x10));
    EXPECT_POS(1000, 3795, ApplyAxisFlags({1000, 300}, 0x01));
    EXPECT_POS(3095, 300, ApplyAxisFlags({1000, 300}, 0x02));
    EXPECT_POS(1000, 300, ApplyAxisFlags({1000, 300}, 0x07));  // other low values: nothing
    EXPECT_POS(1000, 300, ApplyAxisFlags({1000, 300}, 0x04));
    EXPECT_POS(61440, 300, ApplyAxisFlags({65535, 300}, 0x02));  // |X - 4095| beyond the range

    ParameterBlock b = MakeDefaultParams();
    b.AxisFlags = 0x13;
    EXPECT_POS(3923, 3223, Mapped(b, 1000, 300));
}

struct StateRun {
    ParameterBlock block = MakeDefaultParams();
    ReaderCounters counters{};
    uint8_t Feed(const TouchReport& r) { return ProcessReport(r, block, counters).state; }
};

TouchReport One() { return At(1000, 1000); }
TouchReport TwoFingers() { return TouchReport{1000, 1000, 100, 200, 133, 100, 100, 100}; }
TouchReport Lift() { return TouchReport{}; }

TEST(ReportProcessorTest, FirstContactSampleIsDiscarded) {
    StateRun run;
    EXPECT_EQ(kTouchNone, run.Feed(One()));
    EXPECT_EQ(kTouchNone, run.Feed(Lift()));
    EXPECT_EQ(kTouchNone, run.Feed(One()));
    EXPECT_EQ(kTouchSingle, run.Feed(One()));
    EXPECT_EQ(kTouchSingle, run.Feed(One()));
}

TEST(ReportProcessorTest, TwoFingerSignatureIsUndecidedThreeTimesThenMulti) {
    StateRun run;
    std::vector<int> states;
    for (TouchReport r : {One(), One(), TwoFingers(), TwoFingers(), TwoFingers(), TwoFingers(), TwoFingers()})
        states.push_back(run.Feed(r));
    EXPECT_EQ((std::vector<int>{0, 1, 255, 255, 255, 2, 2}), states);
    // Back to one finger: the first single sample after two fingers reads as
    // a release again.
    EXPECT_EQ(kTouchNone, run.Feed(One()));
    EXPECT_EQ(kTouchSingle, run.Feed(One()));

    // Dist2 alone carries the signature too; exactly base + margin does not.
    StateRun other;
    EXPECT_EQ(kTouchUndecided, other.Feed(TouchReport{1000, 1000, 100, 200, 100, 133, 100, 100}));
    EXPECT_EQ(kTouchNone, other.Feed(TouchReport{1000, 1000, 100, 200, 132, 132, 100, 100}));
}

TEST(ReportProcessorTest, ReleaseInTheUndecidedRunStartsTheCountAgain) {
    StateRun run;
    run.Feed(TwoFingers());
    run.Feed(TwoFingers());
    EXPECT_EQ(kTouchNone, run.Feed(Lift()));
    EXPECT_EQ(0, run.counters.MultiCount);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(kTouchUndecided, run.Feed(TwoFingers())) << i;
    EXPECT_EQ(kTouchMulti, run.Feed(TwoFingers()));
}

TEST(ReportProcessorTest, PressureLimitIsInclusiveAndSigned) {
    StateRun run;
    run.block.PressureLimit = 1000;
    run.Feed(One());  // RTouch = (200 - 100) / 100 x 1000 = 1000
    EXPECT_EQ(kTouchSingle, run.Feed(One()));
    run.block.PressureLimit = 999;
    EXPECT_EQ(kTouchNone, run.Feed(One()));
    // Z2 < Z1: a negative figure passes the signed comparison.
    run.Feed(TouchReport{1000, 1000, 200, 100, 100, 100, 100, 100});
    EXPECT_EQ(kTouchSingle, run.Feed(TouchReport{1000, 1000, 200, 100, 100, 100, 100, 100}));
    // X = 0: no touch whatever the pressure.
    EXPECT_EQ(kTouchNone, run.Feed(TouchReport{0, 1000, 100, 200, 100, 100, 100, 100}));
}

}  // namespace
