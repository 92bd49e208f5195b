#include <gtest/gtest.h>

#include <vector>

#include "engine/GestureRecognizer.h"

namespace {

constexpr GestureScales kDefaults = {10, 350, 800, 24};

// Feeds samples to one recognizer from a zero state.
struct Recognizer {
    RecognizerState s{};
    GestureScales scales = kDefaults;
    uint16_t One(int x, int y) { return GestureRecognize(s, kTouchSingle, {x, y, 0, 0}, scales); }
    uint16_t Two(int x, int y, uint8_t d1 = 100, uint8_t d2 = 100) {
        return GestureRecognize(s, kTouchMulti, {x, y, d1, d2}, scales);
    }
    uint16_t Undecided() { return GestureRecognize(s, kTouchUndecided, {0, 0, 0, 0}, scales); }
    uint16_t Release() { return GestureRecognize(s, kTouchNone, {0, 0, 0, 0}, scales); }
    OneFingerPhase OnePhase() const { return OneFingerPhaseOf(s); }
    TwoFingerPhase TwoPhase() const { return TwoFingerPhaseOf(s); }
    // One finger through a path of points; returns the code of each.
    std::vector<uint16_t> Path(std::initializer_list<std::pair<int, int>> points) {
        std::vector<uint16_t> codes;
        for (auto [x, y] : points) codes.push_back(One(x, y));
        return codes;
    }
};

using Codes = std::vector<uint16_t>;

TEST(MoveDirectionTest, StrictLimitFirstPairWinsSixteenBitValues) {
    EXPECT_EQ(kDirNone, MoveDirection(1000, 1350, 0, 0, 350));  // exactly the limit: no step
    EXPECT_EQ(kDirRight, MoveDirection(1000, 1351, 0, 0, 350));
    EXPECT_EQ(kDirLeft, MoveDirection(1351, 1000, 0, 0, 350));
    EXPECT_EQ(kDirDown, MoveDirection(0, 0, 1000, 1351, 350));
    EXPECT_EQ(kDirUp, MoveDirection(0, 0, 1351, 1000, 350));
    EXPECT_EQ(kDirRight, MoveDirection(0, 400, 0, 4000, 350));  // diagonal counts as horizontal
    EXPECT_EQ(kDirLeft, MoveDirection(65535, 0, 0, 0, 350));    // full 16-bit range, no wrap
}

TEST(GestureRecognizerTest, StraightStrokesFireAtRelease) {
    Recognizer r;
    EXPECT_EQ((Codes{255, 255}), r.Path({{1000, 1000}, {1400, 1000}}));
    EXPECT_EQ(kGestureRHori, r.Release());
    r.Path({{1400, 1000}, {1000, 1000}, {600, 1000}});
    EXPECT_EQ(kGestureLHori, r.Release());  // two steps left: key 0x22
    r.Path({{1000, 1400}, {1000, 1000}});
    EXPECT_EQ(kGestureUVert, r.Release());
    r.Path({{1000, 1000}, {1000, 1400}});
    EXPECT_EQ(kGestureDVert, r.Release());
}

TEST(GestureRecognizerTest, TurnsAndHalfTurnsAreArcs) {
    Recognizer r;
    // Right three steps, down two: Seq 1,4,4 (key 0x144).
    EXPECT_EQ((Codes{255, 255, 255, 255, 255, 255}),
              r.Path({{0, 0}, {400, 0}, {800, 0}, {1200, 0}, {1200, 400}, {1200, 800}}));
    EXPECT_EQ(kGestureRArc, r.Release());
    r.Path({{1000, 1000}, {1400, 1000}, {1400, 600}});  // right, up: 0x18
    EXPECT_EQ(kGestureLArc, r.Release());
    r.Path({{1000, 1000}, {1400, 1000}, {1400, 1400}, {1000, 1400}});  // right, down, left: 0x142
    EXPECT_EQ(kGestureRArc, r.Release());
    r.Path({{1000, 1000}, {1400, 1000}, {1400, 1400}, {1800, 1400}});  // right, down, right: no arc
    EXPECT_EQ(kGestureNothing, r.Release());
}

TEST(GestureRecognizerTest, CircleFiresWhileDownThenEachQuarterTurn) {
    Recognizer r;
    EXPECT_EQ((Codes{255, 255, 255, 255, 7}),
              r.Path({{1000, 1000}, {1400, 1000}, {1400, 1400}, {1000, 1400}, {1000, 1000}}));
    EXPECT_EQ(OneFingerPhase::Circling, r.OnePhase());
    EXPECT_EQ(kGestureCWCircle, r.One(1400, 1000));   // up then right: 0x81
    EXPECT_EQ(kGestureOtherStep, r.One(1800, 1000));  // right again
    EXPECT_EQ(kGestureCCWCircle, r.One(1800, 600));   // right then up: counter-clockwise turn
    EXPECT_EQ(kGestureNothing, r.Release());          // circle mode ends quietly
    EXPECT_EQ(OneFingerPhase::Idle, r.OnePhase());
    EXPECT_EQ((Codes{255, 255, 255, 255, 8}),
              r.Path({{1000, 1000}, {1400, 1000}, {1400, 600}, {1000, 600}, {1000, 1000}}));
}

TEST(GestureRecognizerTest, CircleInterruptedByTwoFingersGoesOnTurning) {
    Recognizer r;
    r.Path({{1000, 1000}, {1400, 1000}, {1400, 1400}, {1000, 1400}, {1000, 1000}});
    EXPECT_EQ(255, r.Two(1000, 1000));
    EXPECT_EQ(OneFingerPhase::Idle, r.OnePhase());
    EXPECT_EQ(kGestureTwoFingerTap, r.One(1000, 1000));
    EXPECT_EQ(255, r.One(1000, 1000));  // a new reference...
    EXPECT_EQ(OneFingerPhase::Circling, r.OnePhase());
    EXPECT_EQ(kGestureCWCircle, r.One(1400, 1000));  // ...and the turn up-then-right still counts
}

TEST(GestureRecognizerTest, FourthDirectionOutOfOrderIsRetried) {
    Recognizer r;
    // Right, down, left, and left again: the fourth slot repeats the third.
    EXPECT_EQ((Codes{255, 255, 255, 255, 255}),
              r.Path({{1000, 1000}, {1400, 1000}, {1400, 1400}, {1000, 1400}, {600, 1400}}));
    EXPECT_EQ(kGestureOtherStep, r.One(600, 1800));  // down: key 0x1424 is no circle
    // Up now replaces the fourth slot: 0x1428 is a clockwise circle.
    EXPECT_EQ(kGestureCWCircle, r.One(600, 1400));
}

TEST(GestureRecognizerTest, FlipScaleFiresStraightStrokeEarly) {
    Recognizer r;
    r.scales.SingleTouchScale = 300;
    int x = 4000;
    EXPECT_EQ(255, r.One(x, 2000));  // reference point
    for (int step = 1; step <= 10; ++step) EXPECT_EQ(255, r.One(x -= 301, 2000)) << step;
    EXPECT_EQ(OneFingerPhase::Collecting, r.OnePhase());
    EXPECT_EQ(kGestureLHori, r.One(x -= 301, 2000));  // eleventh step, tenth repeat
    EXPECT_EQ(OneFingerPhase::Fired, r.OnePhase());
    EXPECT_EQ(kGestureNothing, r.One(x -= 301, 2000));
    EXPECT_EQ(kGestureNothing, r.Two(x, 2000));  // quiet for the rest of the contact
    EXPECT_EQ(kGestureNothing, r.Release());
    EXPECT_EQ(255, r.One(1000, 1000));  // a new contact starts afresh
}

TEST(GestureRecognizerTest, FlipScaleZeroFiresOnTheFirstTurnWithoutAGesture) {
    Recognizer r;
    r.scales.FlipScale = 0;
    EXPECT_EQ((Codes{255, 255, 255}), r.Path({{1000, 1000}, {1400, 1000}, {1400, 1400}}));
    EXPECT_EQ(OneFingerPhase::Fired, r.OnePhase());
    EXPECT_EQ(kGestureNothing, r.One(1000, 1400));
    EXPECT_EQ(kGestureNothing, r.Release());
}

TEST(GestureRecognizerTest, RepeatCountWrapsSoFlipScaleAbove128ActsAs128) {
    Recognizer r;
    r.scales = {1000, 10, 800, 24};
    r.One(0, 0);
    r.One(11, 0);  // first step
    for (int repeat = 1; repeat < 128; ++repeat) ASSERT_EQ(255, r.One(11 * (repeat + 1), 0)) << repeat;
    EXPECT_EQ(OneFingerPhase::Collecting, r.OnePhase());
    EXPECT_EQ(kGestureRHori, r.One(11 * 129, 0));  // 128th repeat: -128 widened reads as huge
}

TEST(GestureRecognizerTest, TapAndStationaryTouches) {
    Recognizer r;
    EXPECT_EQ(kGestureNothing, r.Release());  // release with nothing going on
    r.One(2000, 2000);
    r.One(2100, 2100);  // below the step threshold
    EXPECT_EQ(kGestureTap, r.Release());
}

TEST(GestureRecognizerTest, VerticalPansRepeatHorizontalPansWaitForRelease) {
    Recognizer r;
    EXPECT_EQ(255, r.Two(2000, 1000));
    EXPECT_EQ(kGestureDPan, r.Two(2000, 1801));
    EXPECT_EQ(255, r.Two(2000, 2500));  // 699 since the last step: none
    EXPECT_EQ(kGestureDPan, r.Two(2000, 2700));
    EXPECT_EQ(kGestureUPan, r.Two(2000, 1800));
    EXPECT_EQ(kGestureNothing, r.Release());

    EXPECT_EQ(255, r.Two(1000, 2000));
    EXPECT_EQ(255, r.Two(1900, 2000));
    EXPECT_EQ(255, r.Two(2800, 2000));
    EXPECT_EQ(kGestureRPan, r.Release());
    EXPECT_EQ(kGestureNothing, r.Release());  // reported once

    r.Two(3000, 2000);
    r.Two(2000, 2000);
    EXPECT_EQ(kGestureLPan, r.Release());
}

TEST(GestureRecognizerTest, PinchStepsRepeatAndWinOverPans) {
    Recognizer r;
    r.Two(2000, 2000, 100, 100);
    EXPECT_EQ(kGesturePinchOut, r.Two(2000, 2000, 125, 100));
    EXPECT_EQ(255, r.Two(2000, 2000, 149, 100));  // 24 since the last step: none
    EXPECT_EQ(kGesturePinchOut, r.Two(2000, 2000, 150, 126));
    EXPECT_EQ(kGesturePinchIn, r.Two(2000, 2000, 125, 126));
    EXPECT_EQ(kGesturePinchOut, r.Two(2000, 2000, 125, 151));  // Dist2 alone
    EXPECT_EQ(kGesturePinchIn, r.Two(2000, 2000, 125, 126));
    // A spread step and a pan step together: the pinch reports and the
    // position reference stays, so the pan follows on the next sample.
    EXPECT_EQ(kGesturePinchIn, r.Two(2000, 2900, 100, 126));
    EXPECT_EQ(kGestureDPan, r.Two(2000, 2900, 100, 126));
}

TEST(GestureRecognizerTest, PinchCancelsPendingHorizontalPans) {
    Recognizer r;
    r.Two(1000, 2000, 100, 100);
    r.Two(1900, 2000, 100, 100);  // right pan pending
    r.Two(1900, 2000, 130, 100);  // pinch out
    EXPECT_EQ(kGestureNothing, r.Release());
}

TEST(GestureRecognizerTest, PendingPansSurviveABusyReleaseAndReportOneAtATime) {
    Recognizer r;
    r.Two(1000, 2000);
    r.Two(1900, 2000);  // right pending
    r.Two(1000, 2000);  // left pending too
    EXPECT_EQ(kGestureRPan, r.Release());
    EXPECT_EQ(kGestureLPan, r.Release());

    r.Two(1000, 2000);
    r.Two(1900, 2000);                      // right pending
    r.Path({{1000, 1000}, {1400, 1000}});   // then a one-finger stroke to the right
    EXPECT_EQ(kGestureRHori, r.Release());  // the stroke wins this release
    r.One(500, 500);                        // a tap later on
    EXPECT_EQ(kGestureRPan, r.Release());   // ...reports the pan instead of the tap
}

TEST(GestureRecognizerTest, TwoFingerTapAndItsPendingAcrossARelease) {
    Recognizer r;
    r.Two(2000, 2000);
    EXPECT_EQ(255, r.Two(2040, 2040));  // within the 50-unit slack
    EXPECT_EQ(kGestureTwoFingerTap, r.One(2040, 2040));
    EXPECT_EQ(255, r.One(2040, 2040));  // the one-finger stroke starts one sample later

    r.Release();
    r.Two(2000, 2000);
    r.Two(2000, 2000);
    EXPECT_EQ(kGestureNothing, r.Release());  // the tap stays pending through a release
    EXPECT_EQ(kGestureTwoFingerTap, r.One(1000, 1000));
    EXPECT_EQ(255, r.One(1000, 1000));

    r.Release();
    r.Two(2000, 2000);
    r.Two(2051, 2000);  // beyond the slack: no tap, though no pan step either
    EXPECT_EQ(255, r.One(2051, 2000));
}

TEST(GestureRecognizerTest, UndecidedSamplesChangeNothingUnlessATapIsPending) {
    Recognizer r;
    r.One(1000, 1000);
    EXPECT_EQ(kGestureNothing, r.Undecided());
    EXPECT_EQ(OneFingerPhase::Collecting, r.OnePhase());
    EXPECT_EQ(255, r.One(1400, 1000));  // the stroke goes on from its reference
    EXPECT_EQ(kGestureNothing, r.Undecided());
    EXPECT_EQ(kGestureRHori, r.Release());

    r.Two(2000, 2000);
    EXPECT_EQ(kGestureTwoFingerTap, r.Undecided());
    EXPECT_EQ(TwoFingerPhase::Idle, r.TwoPhase());
    EXPECT_EQ(kGestureNothing, r.Undecided());  // the tap is reported once
}

TEST(GestureRecognizerTest, TwoFingerPhasesFollowTheContact) {
    Recognizer r;
    EXPECT_EQ(TwoFingerPhase::Idle, r.TwoPhase());
    r.Two(2000, 2000);
    EXPECT_EQ(TwoFingerPhase::Still, r.TwoPhase());
    r.Two(2060, 2000);  // beyond the tap slack, below a pan step
    EXPECT_EQ(TwoFingerPhase::Moved, r.TwoPhase());
    r.Release();
    EXPECT_EQ(TwoFingerPhase::Idle, r.TwoPhase());
    r.Two(2000, 2000);
    r.Release();
    EXPECT_EQ(TwoFingerPhase::TapOwed, r.TwoPhase());
    EXPECT_EQ(kGestureTwoFingerTap, r.One(500, 500));
    EXPECT_EQ(TwoFingerPhase::Idle, r.TwoPhase());
    EXPECT_EQ(OneFingerPhase::Idle, r.OnePhase());
}

TEST(GestureRecognizerTest, ScalesAreReadFromTheBlock) {
    ParameterBlock b = MakeDefaultParams();
    b.FlipScale = 3;
    b.PinchScale = 77;
    const GestureScales s = ReadGestureScales(b);
    EXPECT_EQ(3, s.FlipScale);
    EXPECT_EQ(350, s.SingleTouchScale);
    EXPECT_EQ(800, s.PanScale);
    EXPECT_EQ(77, s.PinchScale);
}

}  // namespace
