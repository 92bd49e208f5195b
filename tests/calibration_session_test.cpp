#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "calibration/CalibrationSession.h"
#include "device/FakeDriver.h"

namespace {

struct Rep {
    ReportBytes bytes;
};
Rep Report(uint16_t x, uint16_t y, uint16_t z1, uint16_t z2) {
    return {{static_cast<uint8_t>(x), static_cast<uint8_t>(x >> 8), static_cast<uint8_t>(y),
             static_cast<uint8_t>(y >> 8), static_cast<uint8_t>(z1), static_cast<uint8_t>(z1 >> 8),
             static_cast<uint8_t>(z2), static_cast<uint8_t>(z2 >> 8), 0, 0, 0, 0}};
}
// RTouch = (2000 - 1000) / 1000 * 1000 = 1000: a touch under the default limit.
Rep Touch(uint16_t x, uint16_t y) { return Report(x, y, 1000, 2000); }
Rep Lift() { return Report(0, 0, 0, 0); }

std::wstring Text(const CalText& t) { return std::wstring(t.text, t.text + t.length); }

class CalSessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        block = MakeDefaultParams();
        CalStart(session, 1024, 768);
    }
    // The timer's ticks, 16 ms apart, on a clock that wraps during the test.
    static constexpr uint32_t kTickMs = 16;
    uint32_t nowMs = 0xFFFFFF00u;
    CalTickResult Tick(const Rep& r) { return CalTick(session, block, &r.bytes, nowMs += kTickMs); }
    CalTickResult Fail() { return CalTick(session, block, nullptr, nowMs += kTickMs); }

    // Shows the current target, starts collecting and feeds `samples` touches.
    void Collect(const std::vector<CalSample>& samples) {
        Tick(Lift());             // show target
        Tick(Touch(9999, 9999));  // starts collecting, not stored
        for (const CalSample& s : samples) Tick(Touch(s.X, s.Y));
    }
    // The tick at 50 (stores nothing) and the release.
    void FinishTarget() {
        Tick(Touch(9999, 9999));
        Tick(Lift());
    }
    static std::vector<CalSample> Ramp(uint32_t n, uint16_t x0 = 100, uint16_t y0 = 1000) {
        std::vector<CalSample> v;
        for (uint32_t k = 0; k < n; ++k)
            v.push_back({static_cast<uint16_t>(x0 + k), static_cast<uint16_t>(y0 + 2 * k)});
        return v;
    }

    CalSession session;
    ParameterBlock block;
};

TEST(CalTargets, ScreenLayouts) {
    CalTarget t[kCalTargetCount];
    CalComputeTargets(1024, 768, t);
    const CalTarget want[kCalTargetCount] = {{512, 384}, {32, 24},   {32, 744}, {992, 24}, {992, 744},
                                             {512, 24},  {512, 744}, {32, 384}, {992, 384}};
    for (uint32_t i = 0; i < kCalTargetCount; ++i) {
        EXPECT_EQ(want[i].x, t[i].x) << i;
        EXPECT_EQ(want[i].y, t[i].y) << i;
    }
    CalComputeTargets(1366, 768, t);
    EXPECT_EQ(683, t[0].x);
    EXPECT_EQ(42, t[1].x);
    EXPECT_EQ(42, t[7].x);
    EXPECT_EQ(1323, t[3].x);
    EXPECT_EQ(1323, t[8].x);
    CalComputeTargets(1920, 1080, t);
    EXPECT_EQ(33, t[1].y);
    EXPECT_EQ(1046, t[2].y);
    EXPECT_EQ(540, t[0].y);
    // Odd sizes: the half is a shift, the far edge truncates W - W/32.0.
    CalComputeTargets(1023, 767, t);
    EXPECT_EQ(511, t[0].x);
    EXPECT_EQ(31, t[1].x);
    EXPECT_EQ(991, t[3].x);  // 1023 - 31.97 = 991.03
    EXPECT_EQ(743, t[2].y);  // 767 - 23.97 = 743.03
}

TEST(CalTargets, ZeroScreenRunsASessionWithoutFault) {
    CalSession s;
    CalStart(s, 0, 0);
    for (const CalTarget& t : s.point_paint) {
        EXPECT_EQ(0, t.x);
        EXPECT_EQ(0, t.y);
    }
    ParameterBlock b = MakeDefaultParams();
    const Rep lift = Lift(), touch = Touch(500, 600);
    int ticks = 0;
    CalTickResult r{};
    while (r.end == CalEnd::Running && ticks++ < 1000)
        r = CalTick(s, b, ticks % 60 == 0 ? &lift.bytes : &touch.bytes, 0);
    EXPECT_EQ(CalEnd::Finished, r.end);
    EXPECT_EQ(500, b.CalX[8]);
}

TEST(CalTouchTest, EdgesOfTheUnsignedComparison) {
    const uint16_t limit = 20000;
    auto touch = [&](uint16_t x, uint16_t z1, uint16_t z2) {
        return CalIsTouch(DecodeReport(Report(x, 5, z1, z2).bytes), limit);
    };
    EXPECT_FALSE(touch(1000, 0, 2000));     // Z1 = 0
    EXPECT_FALSE(touch(0, 1000, 2000));     // X = 0
    EXPECT_FALSE(touch(100, 2, 1));         // Z2 < Z1: negative RTouch
    EXPECT_FALSE(touch(1000, 1000, 1000));  // RTouch 0
    EXPECT_TRUE(touch(1000, 1, 21));        // RTouch 20000 = limit
    EXPECT_FALSE(touch(20001, 1, 2));       // RTouch 20001
    EXPECT_FALSE(touch(1, 1000, 1001));     // 0.001 truncates to RTouch 0
}

TEST_F(CalSessionTest, FirstTargetDrawingAndProgressTexts) {
    EXPECT_EQ((CalProgress{0, CalPhase::ShowTarget}), session.CalState);
    CalTickResult r = Tick(Lift());
    EXPECT_EQ((CalProgress{0, CalPhase::WaitTouch}), session.CalState);
    EXPECT_TRUE(r.drawTarget);
    EXPECT_EQ(512, r.target.x);
    EXPECT_EQ(384, r.target.y);
    EXPECT_EQ(CalColor::Black, r.targetColor);
    EXPECT_FALSE(r.selectBrush);

    r = Tick(Lift());  // waiting: drawn again
    EXPECT_TRUE(r.drawTarget);
    r = Tick(Touch(1, 1));  // starts collecting: nothing drawn
    EXPECT_FALSE(r.drawTarget);
    EXPECT_EQ(0u, r.textCount);
    EXPECT_EQ(CalPhase::Collect, session.CalState.phase);

    std::vector<std::wstring> numbers;
    for (int k = 0; k < 50; ++k) {
        r = Tick(Touch(100, 100));
        ASSERT_EQ(2u, r.textCount);
        EXPECT_EQ(512 - 40, r.texts[0].x);
        EXPECT_EQ(384 - 30, r.texts[0].y);
        EXPECT_EQ(512 - 40 + 19, r.texts[1].x);
        EXPECT_EQ(L"%", Text(r.texts[1]));
        numbers.push_back(Text(r.texts[0]));
    }
    EXPECT_EQ(L"0 ", numbers[0]);
    EXPECT_EQ(L"2 ", numbers[1]);
    EXPECT_EQ(L"48", numbers[24]);
    EXPECT_EQ(L"51", numbers[25]);
    EXPECT_EQ(L"97", numbers[48]);
    EXPECT_EQ(L"10", numbers[49]);

    r = Tick(Lift());  // count = 50: "100 %" and red whether touched or not
    ASSERT_EQ(1u, r.textCount);
    EXPECT_EQ(L"100 %", Text(r.texts[0]));
    EXPECT_EQ(512 - 40, r.texts[0].x);
    EXPECT_TRUE(r.selectBrush);
    EXPECT_EQ(CalColor::Red, r.brushColor);
    EXPECT_TRUE(r.drawTarget);
    EXPECT_EQ(CalColor::Red, r.targetColor);
    EXPECT_EQ(CalPhase::Hold, session.CalState.phase);

    r = Tick(Lift());  // release: black brush for the next target, nothing drawn
    EXPECT_TRUE(r.selectBrush);
    EXPECT_EQ(CalColor::Black, r.brushColor);
    EXPECT_FALSE(r.drawTarget);
    EXPECT_EQ((CalProgress{1, CalPhase::ShowTarget}), session.CalState);

    r = Tick(Lift());  // target 1 (top left), label to its lower right
    EXPECT_EQ(32, r.target.x);
    EXPECT_EQ(24, r.target.y);
    Tick(Touch(1, 1));
    r = Tick(Touch(1, 1));
    EXPECT_EQ(32 + 20, r.texts[0].x);
    EXPECT_EQ(24 + 20, r.texts[0].y);
}

TEST_F(CalSessionTest, StartingReportAndTheTickAtFiftyStoreNothing) {
    Collect(Ramp(50));
    EXPECT_EQ(50u, session.CalSampleCount);
    EXPECT_EQ(100, session.CalSamples[0].X);  // not the 9999 that started collecting
    EXPECT_EQ(149, session.CalSamples[49].X);
    Tick(Touch(9999, 9999));  // the tick at 50
    EXPECT_EQ(50u, session.CalSampleCount);
    for (const CalSample& s : session.CalSamples) EXPECT_NE(9999, s.X);
}

TEST_F(CalSessionTest, ReleaseRightAfterFullTakesSamples8To40) {
    Collect(Ramp(50));
    FinishTarget();
    EXPECT_EQ(100 + 24, block.CalX[0]);   // mean of 108..140
    EXPECT_EQ(1000 + 48, block.CalY[0]);  // mean of 1016..1080
}

TEST_F(CalSessionTest, HoldingLongerSlidesTheWindowOverTheNewestSamples) {
    Collect(Ramp(50));
    Tick(Touch(9999, 9999));                                                // "100 %": stores nothing
    for (const CalSample& s : Ramp(120, 150, 1100)) Tick(Touch(s.X, s.Y));  // samples 50..169
    EXPECT_EQ(170u, session.CalSampleCount);
    Tick(Lift());
    EXPECT_EQ(100 + 144, block.CalX[0]);  // samples 128..160
    EXPECT_EQ(1000 + 2 * 144, block.CalY[0]);
}

TEST_F(CalSessionTest, LiftAndResumeMixTheSamples) {
    Collect(std::vector<CalSample>(20, {1000, 3000}));
    for (int k = 0; k < 10; ++k) {
        CalTickResult r = Tick(Lift());
        EXPECT_FALSE(r.drawTarget);
        EXPECT_EQ(0u, r.textCount);
    }
    EXPECT_EQ(20u, session.CalSampleCount);
    for (int k = 0; k < 30; ++k) Tick(Touch(2000, 1000));
    FinishTarget();
    // Window 8..40: samples 8..19 of the first touch, 20..40 of the second.
    EXPECT_EQ((12 * 1000 + 21 * 2000) / 33, block.CalX[0]);
    EXPECT_EQ((12 * 3000 + 21 * 1000) / 33, block.CalY[0]);
}

TEST_F(CalSessionTest, FailedReadsChangeNothingInAnyPhase) {
    Collect(Ramp(10));
    const CalSession before = session;
    for (int k = 0; k < 50; ++k) {
        CalTickResult r = Fail();
        EXPECT_FALSE(r.drawTarget);
        EXPECT_EQ(0u, r.textCount);
        EXPECT_EQ(CalEnd::Running, r.end);
    }
    EXPECT_EQ(before.CalState, session.CalState);
    EXPECT_EQ(before.CalSampleCount, session.CalSampleCount);
}

TEST_F(CalSessionTest, CompleteSessionWritesEntries0To8Only) {
    block.CalX[9] = 4321;
    block.CalY[9] = 1234;
    for (uint16_t i = 0; i < 9; ++i) {
        Collect(std::vector<CalSample>(
            50, {static_cast<uint16_t>(100 * (i + 1)), static_cast<uint16_t>(7 * (i + 1))}));
        FinishTarget();
    }
    EXPECT_EQ(kCalTargetCount, session.CalState.target);
    EXPECT_EQ(CalEnd::Running, Fail().end);  // all done, but a failed read still does nothing
    EXPECT_EQ(CalEnd::Finished, Tick(Lift()).end);
    for (uint16_t i = 0; i < 9; ++i) {
        EXPECT_EQ(100 * (i + 1), block.CalX[i]);
        EXPECT_EQ(7 * (i + 1), block.CalY[i]);
    }
    EXPECT_EQ(4321, block.CalX[9]);
    EXPECT_EQ(1234, block.CalY[9]);
    EXPECT_EQ(CalEnd::Running, Tick(Lift()).end);  // an ended session ignores late ticks
}

TEST(CalAverage, TrimsAndNeverDividesByZero) {
    CalSample ring[50];
    for (uint16_t k = 0; k < 50; ++k) ring[k] = {k, static_cast<uint16_t>(65535 - k)};
    // From start 45: ring positions 45+8 .. 45+40 mod 50, i.e. 3..35.
    const uint32_t xy = CalAverage(ring, 45, 50);
    EXPECT_EQ(19u, xy & 0xFFFF);
    EXPECT_EQ(65535u - 19, xy >> 16);
    EXPECT_EQ(0u, CalAverage(ring, 0, 0));
    EXPECT_EQ(0u, CalAverage(ring, 3, 1));  // 1/6 = 5/6 = 0: nothing kept
    CalSample full[50];
    for (CalSample& s : full) s = {65535, 65535};
    EXPECT_EQ(0xFFFFFFFFu, CalAverage(full, 17, 50));
}

// A driver that disappears mid-session: every read fails. After a second of
// failures (however many ticks that is) the session asks for a probe and
// ends with 0 when it finds none.
class CalVanishTest : public CalSessionTest {
protected:
    void SetUp() override {
        CalSessionTest::SetUp();
        FakeDriver::Reset();
        FakeDriver::SetPresent(true);
        channel = OpenDriverChannel();
    }
    void TearDown() override {
        CloseDriverChannel(channel);
        FakeDriver::Reset();
    }
    // The platform's tick: read, then answer a probe request.
    CalTickResult DriverTick() {
        ReportBytes buf{};
        const bool read = ReadTouchReport(channel, buf);
        CalTickResult r = CalTick(session, block, read ? &buf : nullptr, nowMs += kTickMs);
        if (r.probeDriver) r = CalProbeAnswer(session, ProbeDriver());
        return r;
    }
    DriverChannel channel = kInvalidChannel;
};

TEST_F(CalVanishTest, AbsentDriverEndsTheSessionAfterASecondOfFailures) {
    FakeDriver::QueueReport(Lift().bytes);
    FakeDriver::QueueReport(Touch(5, 5).bytes);
    EXPECT_EQ(CalEnd::Running, DriverTick().end);
    EXPECT_EQ(CalEnd::Running, DriverTick().end);
    FakeDriver::SetPresent(false);
    const uint32_t firstFailure = nowMs + kTickMs;
    CalTickResult r{};
    for (uint32_t ticks = 0; r.end == CalEnd::Running && ticks < 1000; ++ticks) r = DriverTick();
    EXPECT_EQ(CalEnd::Abandoned, r.end);
    EXPECT_GE(nowMs - firstFailure, kCalProbeAfterMs);
    EXPECT_LT(nowMs - firstFailure, kCalProbeAfterMs + kTickMs);
}

TEST_F(CalVanishTest, PresentDriverThatFailsReadsKeepsTheSession) {
    for (uint32_t k = 0; k < 500; ++k) ASSERT_EQ(CalEnd::Running, DriverTick().end);
    // A success starts the second afresh.
    Tick(Lift());
    const uint32_t almost = kCalProbeAfterMs / kTickMs + 1;  // the last one 992 ms after the first
    for (uint32_t k = 0; k < almost; ++k) EXPECT_FALSE(Fail().probeDriver);
    Tick(Lift());
    for (uint32_t k = 0; k < almost; ++k) EXPECT_FALSE(Fail().probeDriver);
    EXPECT_TRUE(Fail().probeDriver);
}

}  // namespace
