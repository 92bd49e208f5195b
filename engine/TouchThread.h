// The touch worker: its body, free of platform calls, and its one owner,
// the only code that writes StopThread and ThreadRunning. What the body does
// to the system (screen size refresh, input injection) and how a thread is
// made come in as plain function pointers, so the host build runs the same
// code against the substitute driver.
#pragma once

#include "device/ParameterBlock.h"
#include "engine/TouchEngine.h"

struct WorkerActions {
    // Refreshes ScreenWidth and ScreenHeight; called after every successful read.
    void (*refreshScreenSize)();
    // Sends the input of one gesture map entry; called for codes 1..14.
    void (*injectGesture)(const GestureMapEntry* entry);
    // Asks the starter (the worker's start context) to send the live block:
    // called after the worker opened a channel in place of its first one,
    // which reaches a device that came back without the block.
    void (*requestBlock)(void* starter);
    // A steady millisecond clock; only differences matter (it may wrap).
    uint32_t (*nowMs)();
    // Waits `ms` milliseconds, or less when a stop is requested meanwhile.
    void (*idleWait)(uint32_t ms);
    // Told each channel the worker opens (its first and every renewal),
    // while the worker still owns it; may be null.
    void (*channelOpened)(void* starter, DriverChannel channel);
};

// Quiet reads for this long with no contact in between make an idle worker:
// it waits kIdleWaitMs before each further read until a report says a
// finger is down. A quiet read is a failed one, or a report without contact
// (a driver may answer at once with "no touch" instead of failing or
// holding the read). A touch's first report is then at most one wait late
// (it is discarded anyway), and an idle worker makes a bounded number of
// driver calls, whatever the driver. On Windows the wait ends on the clock
// tick after it, 15.6 ms by default.
constexpr uint32_t kIdleAfterMs = 100;
constexpr uint32_t kIdleWaitMs = 10;

// The worker's body. Sets ThreadRunning, opens its own driver channel and,
// while StopThread is 0, reads reports into ReportBuf and runs each through
// the engine against LiveParams; reads follow back to back until the
// worker is idle (above). After a failed read, once idle, it opens a new
// channel when the main thread marked its own one dead
// (MarkWorkerChannelDead), never in the middle of a stroke: a device
// unplugged and back before the main window looked leaves a channel that
// stays dead, and nobody stops the worker for it. The new channel replaces
// the old one when the driver is present, and then `starter` is asked for
// the block. Every channel opened after a device change starts the engine
// afresh (JoinDevice). A worker started after a park (MarkWorkerParked)
// discards reports until its first idle wait. Without a driver it ends at
// once. Clears
// ThreadRunning as its very last action.
void RunTouchWorker(const WorkerActions& actions, TouchEngineState& engine, void* starter = nullptr);

// Main thread: the worker's device went, or the console left: a stroke
// read so far was cut off, and the next channel opened starts the engine
// afresh (DeviceChanges + 1). The worker's channel itself stays.
void MarkWorkerChannelStale();
// Main thread: the notices say that `channel`, one the worker announced,
// is dead (the removal of its own handle completed, or the interface it was
// opened on went or moved). MarkWorkerChannelStale, and the worker replaces
// that channel after its next failed read; a channel it no longer holds is
// left alone. Nothing else ever makes a healthy channel be replaced: the
// driver is never asked whether a channel still answers.
void MarkWorkerChannelDead(DriverChannel channel);

// Main thread: the worker is parked (the session locked, the display
// off). MarkWorkerChannelStale, and the next worker first reads away, and
// throws away, every report until it is idle: what the driver queued while
// nobody could see the screen never turns into input, and the first stroke
// after the park is judged on its own touches.
void MarkWorkerParked();

// Whether a worker runs: from a successful StartTouchWorker (before its
// thread has even begun) until the worker's last action.
bool TouchWorkerRunning();
// Whether a worker is wanted (StopThread is 0).
bool TouchWorkerWanted();
// Whether the worker is inside its read. Only there may its synchronous
// I/O be cancelled: elsewhere it may be looking up or opening the device,
// and a lookup that fails ends the process.
bool TouchWorkerInRead();
// StopThread = 1, then the stop signal: the worker ends once its current
// read (or idle wait) returns; a read in progress is not cancelled here.
void RequestTouchWorkerStop();
// What RequestTouchWorkerStop calls after setting StopThread, to cut the
// worker's idle wait short (the platform's event). Set once, before the
// first start.
void SetWorkerStopSignal(void (*signal)());
// Starts a worker only when none runs: StopThread = 0, then `startThread`
// (which makes a thread that calls RunTouchWorker) with `context`. False,
// with nothing changed, while a worker still runs (the caller tries again
// later); false too when the thread could not be made (StopThread stays 0,
// as after a worker that ended at once).
bool StartTouchWorker(bool (*startThread)(void* context), void* context);
