#include "engine/GestureRecognizer.h"

#include <cstdlib>

namespace {

// Turn keys: direction a then b is a x 16 + b; each further direction adds
// one hexadecimal digit. Y grows downwards, so right-then-down is clockwise.
constexpr uint16_t kClockwiseTurns[] = {0x14, 0x28, 0x42, 0x81};
constexpr uint16_t kCounterClockwiseTurns[] = {0x18, 0x24, 0x41, 0x82};
constexpr uint16_t kClockwiseCircles[] = {0x1428, 0x2814, 0x4281, 0x8142};
constexpr uint16_t kCounterClockwiseCircles[] = {0x1824, 0x2418, 0x4182, 0x8241};
// Three directions: two turns in one sense, or a turn followed by a run in
// the new direction (repeated last digit).
constexpr uint16_t kClockwiseStrokes[] = {0x142, 0x144, 0x281, 0x288, 0x422, 0x428, 0x811, 0x814};
constexpr uint16_t kCounterClockwiseStrokes[] = {0x182, 0x188, 0x241, 0x244, 0x411, 0x418, 0x822, 0x824};

template <size_t N>
bool InSet(const uint16_t (&set)[N], uint16_t key) {
    for (uint16_t k : set)
        if (k == key) return true;
    return false;
}

uint16_t TurnKey(uint8_t a, uint8_t b) { return static_cast<uint16_t>(a << 4 | b); }

// The straight stroke of one direction, or `otherwise` for a non-direction.
uint16_t StraightGesture(uint8_t direction, uint16_t otherwise) {
    switch (direction) {
    case kDirRight:
        return kGestureRHori;
    case kDirLeft:
        return kGestureLHori;
    case kDirUp:
        return kGestureUVert;
    case kDirDown:
        return kGestureDVert;
    default:
        return otherwise;
    }
}

// The directions of the stroke only. A two-finger contact and a two-finger
// tap forget them but keep SeqIdx or SameDirCount: the next stroke goes on
// from there.
void ClearSeq(RecognizerState& s) { s.Seq[0] = s.Seq[1] = s.Seq[2] = s.Seq[3] = 0; }

// Everything one stroke has collected.
void ResetStroke(RecognizerState& s) {
    ClearSeq(s);
    s.SeqIdx = 0;
    s.SameDirCount = 0;
}

uint16_t u16(int32_t v) { return static_cast<uint16_t>(v); }

// The stroke that ended, from the directions it collected.
uint16_t ClassifyStroke(const RecognizerState& s) {
    if (s.Seq[2] != 0) {
        const uint16_t key = static_cast<uint16_t>(s.Seq[0] << 8 | s.Seq[1] << 4 | s.Seq[2]);
        if (InSet(kClockwiseStrokes, key)) return kGestureRArc;
        if (InSet(kCounterClockwiseStrokes, key)) return kGestureLArc;
        return kGestureNothing;
    }
    const uint16_t key = TurnKey(s.Seq[0], s.Seq[1]);
    switch (key) {
    case 0x11:
        return kGestureRHori;
    case 0x22:
        return kGestureLHori;
    case 0x88:
        return kGestureUVert;
    case 0x44:
        return kGestureDVert;
    }
    if (InSet(kClockwiseTurns, key)) return kGestureRArc;
    if (InSet(kCounterClockwiseTurns, key)) return kGestureLArc;
    return kGestureNothing;
}

// What a release reports: the stroke, else one pending pan, else a tap.
uint16_t ReleaseCode(RecognizerState& s) {
    if (s.Seq[1] != 0 || s.Seq[2] != 0) return ClassifyStroke(s);
    if (s.Seq[0] != 0) return StraightGesture(s.Seq[0], kGestureNothing);
    if (s.PanRightPending) {
        s.PanRightPending = 0;
        return kGestureRPan;
    }
    if (s.PanLeftPending) {
        s.PanLeftPending = 0;
        return kGestureLPan;
    }
    return s.OneActive ? kGestureTap : kGestureNothing;
}

// End of contact. A stroke that already reported (fired or circled) is
// dropped first, so it reports nothing more.
uint16_t Release(RecognizerState& s) {
    if (s.StrokeFired || s.CircleMode) {
        s.StrokeFired = 0;
        s.CircleMode = 0;
        s.OneActive = 0;
        ResetStroke(s);
    }
    const uint16_t r = ReleaseCode(s);
    ResetStroke(s);
    s.OneActive = 0;
    s.TwoActive = 0;
    return r;
}

// Two fingers went to one (or undecided) without a step.
uint16_t ReportTwoFingerTap(RecognizerState& s) {
    s.TwoTapPending = 0;
    s.SeqIdx = 0;
    s.OneActive = 0;
    s.TwoActive = 0;
    ClearSeq(s);
    return kGestureTwoFingerTap;
}

uint16_t BeginTwoFingers(RecognizerState& s, coord_dist p) {
    s.TwoActive = 1;
    s.TwoTapPending = 1;
    s.TwoRefX = p.X;
    s.TwoRefY = p.Y;
    s.TwoRefDist1 = p.Dist1;
    s.TwoRefDist2 = p.Dist2;
    return kGestureInProgress;
}

// A spread step, or kGestureInProgress. A rise of either spread figure
// (right/down of MoveDirection) is an opening.
uint16_t PinchStep(RecognizerState& s, coord_dist p, const GestureScales& scales) {
    const uint8_t pinch =
        MoveDirection(u16(s.TwoRefDist1), p.Dist1, u16(s.TwoRefDist2), p.Dist2, scales.PinchScale);
    if (pinch == kDirNone) return kGestureInProgress;
    s.TwoTapPending = 0;
    s.PanRightPending = 0;
    s.PanLeftPending = 0;
    s.TwoRefDist1 = p.Dist1;
    s.TwoRefDist2 = p.Dist2;
    return pinch == kDirRight || pinch == kDirDown ? kGesturePinchOut : kGesturePinchIn;
}

// A position step: vertical pans report at once, horizontal ones wait for
// the release.
uint16_t PanStep(RecognizerState& s, coord_dist p, const GestureScales& scales) {
    const uint8_t pan = MoveDirection(u16(s.TwoRefX), u16(p.X), u16(s.TwoRefY), u16(p.Y), scales.PanScale);
    if (pan == kDirNone) return kGestureInProgress;
    s.TwoTapPending = 0;
    s.TwoRefX = p.X;
    s.TwoRefY = p.Y;
    switch (pan) {
    case kDirRight:
        s.PanRightPending = 1;
        return kGestureInProgress;
    case kDirLeft:
        s.PanLeftPending = 1;
        return kGestureInProgress;
    case kDirDown:
        return kGestureDPan;
    default:
        return kGestureUPan;
    }
}

uint16_t TwoFingers(RecognizerState& s, coord_dist p, const GestureScales& scales) {
    s.OneActive = 0;
    ClearSeq(s);
    if (!s.TwoActive) return BeginTwoFingers(s, p);
    if (MoveDirection(u16(s.TwoRefX), u16(p.X), u16(s.TwoRefY), u16(p.Y), kTwoFingerTapSlack) != kDirNone)
        s.TwoTapPending = 0;  // the reference stays: this only rules out a tap
    // A spread step wins over a pan step in the same sample.
    const uint16_t pinch = PinchStep(s, p, scales);
    return pinch != kGestureInProgress ? pinch : PanStep(s, p, scales);
}

// 8-bit signed count, widened with its sign and compared unsigned: once it
// has wrapped to negative it reaches any threshold.
bool ReachedFlipScale(int8_t count, uint16_t flipScale) {
    return static_cast<uint32_t>(static_cast<int32_t>(count)) >= static_cast<uint32_t>(flipScale);
}

uint16_t BeginStroke(RecognizerState& s, coord_dist p) {
    ClearSeq(s);
    s.OneActive = 1;
    s.OneRefX = p.X;
    s.OneRefY = p.Y;
    return kGestureInProgress;
}

// Circling: each step is a quarter turn from the last direction, or not.
uint16_t CircleStep(RecognizerState& s) {
    const uint16_t key = TurnKey(s.CircleLastDir, s.Seq[0]);
    const uint16_t r = InSet(kClockwiseTurns, key)          ? kGestureCWCircle
                       : InSet(kCounterClockwiseTurns, key) ? kGestureCCWCircle
                                                            : kGestureOtherStep;
    s.CircleLastDir = s.Seq[0];
    s.SeqIdx = 0;
    return r;
}

// Slots 1 and 2: a new direction opens the next slot; a repeat of the first
// direction counts towards FlipScale, which fires a straight stroke early.
uint16_t TurnOrRepeat(RecognizerState& s, const GestureScales& scales) {
    if (s.Seq[s.SeqIdx] != s.Seq[s.SeqIdx - 1])
        ++s.SeqIdx;
    else if (s.SeqIdx == 1)
        s.SameDirCount = static_cast<int8_t>(s.SameDirCount + 1);  // wraps at 128
    if (!ReachedFlipScale(s.SameDirCount, scales.FlipScale)) return kGestureInProgress;
    const uint16_t r = StraightGesture(s.Seq[s.SeqIdx], kGestureInProgress);
    s.StrokeFired = 1;
    s.OneActive = 0;
    ResetStroke(s);
    return r;
}

// Four slots: a circle when they run round in one sense, which starts
// circling; otherwise the fourth slot is tried again at the next turn.
uint16_t TryCircle(RecognizerState& s) {
    if (s.Seq[3] == s.Seq[2]) return kGestureInProgress;
    const uint16_t key = static_cast<uint16_t>(s.Seq[0] << 12 | s.Seq[1] << 8 | s.Seq[2] << 4 | s.Seq[3]);
    const bool clockwise = InSet(kClockwiseCircles, key);
    if (!clockwise && !InSet(kCounterClockwiseCircles, key)) return kGestureOtherStep;
    s.CircleLastDir = s.Seq[3];
    s.CircleMode = 1;
    ResetStroke(s);
    return clockwise ? kGestureCWCircle : kGestureCCWCircle;
}

uint16_t CollectStep(RecognizerState& s, const GestureScales& scales) {
    if (s.SeqIdx == 0) {
        s.SeqIdx = 1;
        return kGestureInProgress;
    }
    if (s.SeqIdx < 3) return TurnOrRepeat(s, scales);
    return TryCircle(s);
}

uint16_t OneFinger(RecognizerState& s, coord_dist p, const GestureScales& scales) {
    s.TwoActive = 0;
    const OneFingerPhase phase = OneFingerPhaseOf(s);
    if (phase == OneFingerPhase::Idle) return BeginStroke(s, p);
    const uint8_t d =
        MoveDirection(u16(s.OneRefX), u16(p.X), u16(s.OneRefY), u16(p.Y), scales.SingleTouchScale);
    if (d == kDirNone) return kGestureInProgress;
    s.OneRefX = p.X;
    s.OneRefY = p.Y;
    s.Seq[s.SeqIdx] = d;
    return phase == OneFingerPhase::Circling ? CircleStep(s) : CollectStep(s, scales);
}

}  // namespace

GestureScales ReadGestureScales(const ParameterBlock& block) {
    return GestureScales{ReadField(block.FlipScale), ReadField(block.SingleTouchScale),
                         ReadField(block.PanScale), ReadField(block.PinchScale)};
}

OneFingerPhase OneFingerPhaseOf(const RecognizerState& s) {
    if (s.StrokeFired) return OneFingerPhase::Fired;
    if (!s.OneActive) return OneFingerPhase::Idle;
    return s.CircleMode ? OneFingerPhase::Circling : OneFingerPhase::Collecting;
}

TwoFingerPhase TwoFingerPhaseOf(const RecognizerState& s) {
    if (s.TwoActive) return s.TwoTapPending ? TwoFingerPhase::Still : TwoFingerPhase::Moved;
    return s.TwoTapPending ? TwoFingerPhase::TapOwed : TwoFingerPhase::Idle;
}

#define RTOUCH_NAME(name, text) text,
constexpr const char* kOneFingerPhaseNames[] = {RTOUCH_ONE_FINGER_PHASES(RTOUCH_NAME)};
constexpr const char* kTwoFingerPhaseNames[] = {RTOUCH_TWO_FINGER_PHASES(RTOUCH_NAME)};
#undef RTOUCH_NAME

const char* PhaseName(OneFingerPhase phase) { return kOneFingerPhaseNames[static_cast<int>(phase)]; }
const char* PhaseName(TwoFingerPhase phase) { return kTwoFingerPhaseNames[static_cast<int>(phase)]; }

uint8_t MoveDirection(uint16_t a_ref, uint16_t a, uint16_t b_ref, uint16_t b, uint16_t limit) {
    if (std::abs(a_ref - a) > limit) return a_ref > a ? kDirLeft : kDirRight;
    if (std::abs(b_ref - b) > limit) return b_ref > b ? kDirUp : kDirDown;
    return kDirNone;
}

uint16_t GestureRecognize(RecognizerState& s, uint8_t state, coord_dist sample, const GestureScales& scales) {
    if (state == kTouchNone) return Release(s);
    if (OneFingerPhaseOf(s) == OneFingerPhase::Fired) return kGestureNothing;
    if (state == kTouchMulti) return TwoFingers(s, sample, scales);
    if (s.TwoTapPending) return ReportTwoFingerTap(s);
    if (state == kTouchSingle) return OneFinger(s, sample, scales);
    return kGestureNothing;  // undecided
}
