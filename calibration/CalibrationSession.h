// The nine-target calibration session as a pure state machine: one tick
// takes one read result and says what to draw and whether the session has
// ended. The Win32 dialog procedure performs what a tick asks for.
#pragma once

#include <cstdint>

#include "device/DriverChannel.h"
#include "device/ParameterBlock.h"
#include "engine/TouchReport.h"

constexpr uint32_t kCalSamplesPerTarget = 50;  // CalSampleMax at session start
constexpr uint32_t kCalTargetCount = static_cast<uint32_t>(kCalPointCount);

// How far the current target is: shown, waiting for a touch, collecting
// its samples, holding until the finger lifts.
enum class CalPhase : uint8_t { ShowTarget, WaitTouch, Collect, Hold };

// Where the session stands: the target being taken (0..8, kCalTargetCount
// once all are taken) and its phase.
struct CalProgress {
    uint32_t target;
    CalPhase phase;
    bool operator==(const CalProgress&) const = default;
};

struct CalSample {
    uint16_t X;
    uint16_t Y;
};

// A target's pixel position on the screen (the session window covers it).
struct CalTarget {
    uint16_t x;
    uint16_t y;
};

struct CalSession {
    CalProgress CalState;
    uint32_t CalSampleCount;
    uint32_t CalSampleMax;
    CalSample CalSamples[kCalSamplesPerTarget];
    CalTarget point_paint[kCalTargetCount];
    CalSample xy;             // the report of the current tick
    bool failing;             // the last read failed
    uint32_t failingSinceMs;  // the tick time of the first failure in a row
    bool ended;
};

enum class CalColor : uint8_t { Black, Red };
// Session result: 1 all nine targets taken, 0 ended without them.
enum class CalEnd : uint8_t { Running, Finished, Abandoned };

struct CalText {
    int32_t x;
    int32_t y;
    wchar_t text[6];
    int32_t length;  // characters to draw
};

// What one tick asks the platform to do, in this order: draw the texts,
// select a new brush (deleting the one it replaces), draw the target; then
// probe the driver or end the session.
struct CalTickResult {
    uint32_t textCount;
    CalText texts[2];
    bool selectBrush;
    CalColor brushColor;
    bool drawTarget;
    CalTarget target;
    CalColor targetColor;
    bool probeDriver;  // answer with CalProbeAnswer
    CalEnd end;
};

// Targets 0..8 (centre, four corners, four edge mid-points) for a W x H
// screen: W/2 by shift, W/32.0 and W - W/32.0 truncated toward zero.
void CalComputeTargets(uint32_t width, uint32_t height, CalTarget (&targets)[kCalTargetCount]);

// Where target i's progress text starts.
void CalLabelPosition(const CalTarget& target, uint32_t index, int32_t& x, int32_t& y);
// "%" starts this far right of the label position.
constexpr int32_t kCalPercentOffset = 19;

// A report counts as a touch when RTouch is non-zero and, read as unsigned,
// at most PressureLimit: a negative RTouch is never a touch here.
bool CalIsTouch(const TouchReport& report, uint16_t pressureLimit);

// Trimmed mean of a ring of n samples read from `start`: the first n/6 and
// the last n - 5n/6 are left out. X in the low 16 bits, Y in the high 16.
// A ring too small to keep any sample gives 0.
uint32_t CalAverage(const CalSample* samples, uint32_t start, uint32_t n);

// Session start for a W x H screen.
void CalStart(CalSession& session, uint32_t width, uint32_t height);

// Reads fail while nobody touches on some drivers, so failures alone prove
// nothing; failures for this long ask for a probe: a device unplugged and
// back meanwhile has made the session's channel dead for good. Counted in
// time, since a timer's ticks come late and irregularly.
constexpr uint32_t kCalProbeAfterMs = 1000;

// One timer tick at `nowMs` (a steady millisecond clock that may wrap).
// `report` is the report just read, or nullptr when the read failed. Writes
// CalX[i]/CalY[i] of `block` when target i is taken; entry 9 is never
// touched. Reads PressureLimit from `block`.
CalTickResult CalTick(CalSession& session, ParameterBlock& block, const ReportBytes* report, uint32_t nowMs);

// The platform's answer to a requested probe: a driver that is gone ends
// the session with 0.
CalTickResult CalProbeAnswer(CalSession& session, bool driverPresent);
