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
};

// The worker's body. Sets ThreadRunning, opens its own driver channel and,
// while StopThread is 0, reads reports into ReportBuf and runs each through
// the engine against LiveParams; a failed read is retried at once. After
// kFailedReadsBeforeProbe failures in a row it opens a new channel and, when
// the driver is present, reads on that one instead (the old one may be dead
// after an unplug and replug nobody stopped it for). Without a driver it ends
// at once. Clears ThreadRunning as its very last action.
void RunTouchWorker(const WorkerActions& actions, TouchEngineState& engine);

// Whether a worker runs: from a successful StartTouchWorker (before its
// thread has even begun) until the worker's last action.
bool TouchWorkerRunning();
// Whether a worker is wanted (StopThread is 0).
bool TouchWorkerWanted();
// StopThread = 1: the worker ends once its current read returns; a read in
// progress is never cancelled.
void RequestTouchWorkerStop();
// Starts a worker only when none runs: StopThread = 0, then `startThread`
// (which makes a thread that calls RunTouchWorker) with `context`. False,
// with nothing changed, while a worker still runs (the caller tries again
// later); false too when the thread could not be made (StopThread stays 0,
// as after a worker that ended at once).
bool StartTouchWorker(bool (*startThread)(void* context), void* context);
