// The gesture recognizer: a state machine that turns the stream of touch
// samples (one per report, with its touch state) into gesture codes. Pure:
// it reads its state, the sample and the scales, and returns a code.
#pragma once

#include <cstdint>

#include "device/ParameterBlock.h"

// One sample as the reader hands it over: the mapped position (0..4095 on
// both axes, X to the right, Y downwards) and the two spread figures.
struct coord_dist {
    int32_t X;
    int32_t Y;
    uint8_t Dist1;
    uint8_t Dist2;
};

// Touch states of a sample.
constexpr uint8_t kTouchNone = 0;
constexpr uint8_t kTouchSingle = 1;
constexpr uint8_t kTouchMulti = 2;
constexpr uint8_t kTouchUndecided = 0xFF;

// Gesture codes. 1..14 select gesture map entry code - 1; the rest are
// informational and send nothing.
constexpr uint16_t kGestureNothing = 0;
constexpr uint16_t kGestureRHori = 1;
constexpr uint16_t kGestureLHori = 2;
constexpr uint16_t kGestureUVert = 3;
constexpr uint16_t kGestureDVert = 4;
constexpr uint16_t kGestureRArc = 5;
constexpr uint16_t kGestureLArc = 6;
constexpr uint16_t kGestureCWCircle = 7;
constexpr uint16_t kGestureCCWCircle = 8;
constexpr uint16_t kGestureRPan = 9;
constexpr uint16_t kGestureLPan = 10;
constexpr uint16_t kGestureUPan = 11;
constexpr uint16_t kGestureDPan = 12;
constexpr uint16_t kGesturePinchIn = 13;
constexpr uint16_t kGesturePinchOut = 14;
constexpr uint16_t kGestureTwoFingerTap = 15;  // two fingers became one without a step
constexpr uint16_t kGestureTap = 20;           // one finger ended without a step
constexpr uint16_t kGestureOtherStep = 31;     // a step that completes no circle or turn
constexpr uint16_t kGestureInProgress = 255;   // nothing to report yet

constexpr bool IsMappedGesture(uint16_t code) { return code >= kGestureRHori && code <= kGesturePinchOut; }

// Direction codes of MoveDirection.
constexpr uint8_t kDirNone = 0;
constexpr uint8_t kDirRight = 1;  // X grew
constexpr uint8_t kDirLeft = 2;   // X fell
constexpr uint8_t kDirDown = 4;   // Y grew
constexpr uint8_t kDirUp = 8;     // Y fell

// Two fingers whose position moved more than this have made no tap.
constexpr uint16_t kTwoFingerTapSlack = 50;

// The four gesture scales, in block order (offsets 130..137).
struct GestureScales {
    uint16_t FlipScale;         // repeated first-direction steps that fire a straight stroke early
    uint16_t SingleTouchScale;  // one-finger step threshold
    uint16_t PanScale;          // two-finger pan step threshold
    uint16_t PinchScale;        // two-finger spread step threshold
};

// The scales as they are now in `block`, each field read once, untorn.
GestureScales ReadGestureScales(const ParameterBlock& block);

// Everything the recognizer remembers between samples; all zero at start.
struct RecognizerState {
    uint8_t Seq[4];       // directions of the one-finger stroke, one per change
    uint8_t SeqIdx;       // Seq slot that the next step writes (0..3)
    int8_t SameDirCount;  // steps that repeated the first direction
    uint8_t OneActive;    // a one-finger stroke is followed; its reference is set
    int32_t OneRefX, OneRefY;
    uint8_t StrokeFired;    // a straight stroke fired; quiet until the contact ends
    uint8_t CircleMode;     // a circle was seen; further steps report turns
    uint8_t CircleLastDir;  // last direction seen in circle mode
    uint8_t TwoActive;      // a two-finger contact is followed
    int32_t TwoRefX, TwoRefY;
    int32_t TwoRefDist1, TwoRefDist2;
    uint8_t TwoTapPending;                    // the two-finger contact has made no step yet
    uint8_t PanRightPending, PanLeftPending;  // horizontal pans reported at release

    bool operator==(const RecognizerState&) const = default;
};

// What the recognizer does with one finger, read from the flags above:
// name, the console tool's name.
#define RTOUCH_ONE_FINGER_PHASES(X)                                                                      \
    X(Idle, "idle")             /* no stroke followed: the next single sample only sets the reference */ \
    X(Collecting, "collecting") /* a stroke is followed: each step goes into Seq */                      \
    X(Circling, "circling")     /* a circle was seen in this contact: each step reports a turn */        \
    X(Fired, "fired")           /* a straight stroke fired early: quiet until the contact ends */
// What the recognizer does with two fingers.
#define RTOUCH_TWO_FINGER_PHASES(X)                                                       \
    X(Idle, "idle")   /* no two-finger contact followed and no tap owed */                \
    X(Still, "still") /* two fingers down without a step: going to one finger is a tap */ \
    X(Moved, "moved") /* two fingers down and they have made a step */                    \
    X(TapOwed,                                                                            \
      "tap-owed") /* two fingers went away without a step: the next single or undecided sample reports the tap */

#define RTOUCH_ENUM(name, text) name,
enum class OneFingerPhase : uint8_t { RTOUCH_ONE_FINGER_PHASES(RTOUCH_ENUM) };
enum class TwoFingerPhase : uint8_t { RTOUCH_TWO_FINGER_PHASES(RTOUCH_ENUM) };
#undef RTOUCH_ENUM

// A stroke that lost its reference to two fingers is Idle, though a circle
// seen before goes on turning once one finger is back (CircleMode stays).
OneFingerPhase OneFingerPhaseOf(const RecognizerState& s);
TwoFingerPhase TwoFingerPhaseOf(const RecognizerState& s);
// Lower-case names of the phases, for the console tool.
const char* PhaseName(OneFingerPhase phase);
const char* PhaseName(TwoFingerPhase phase);

// The step between a reference and the current point, every argument taken
// as 16-bit unsigned: kDirLeft/kDirRight when |a_ref - a| > limit, else
// kDirUp/kDirDown when |b_ref - b| > limit, else kDirNone. The first pair
// wins, so a diagonal move counts as horizontal.
uint8_t MoveDirection(uint16_t a_ref, uint16_t a, uint16_t b_ref, uint16_t b, uint16_t limit);

// One sample in, one gesture code out.
uint16_t GestureRecognize(RecognizerState& s, uint8_t state, coord_dist sample, const GestureScales& scales);
