// The touch worker's body, free of platform calls: what it does to the
// system (screen size refresh, input injection) comes in as plain function
// pointers, so the host build runs the same loop against the substitute
// driver.
#pragma once

#include "device/ParameterBlock.h"
#include "engine/TouchEngine.h"

struct WorkerActions {
    // Refreshes ScreenWidth and ScreenHeight; called after every successful read.
    void (*refreshScreenSize)();
    // Sends the input of one gesture map entry; called for codes 1..14.
    void (*injectGesture)(const GestureMapEntry* entry);
};

// Sets ThreadRunning, opens its own driver channel and, while StopThread is
// 0, reads reports into ReportBuf and runs each through the engine against
// LiveParams; a failed read is retried at once. Without a driver it ends at
// once. Clears ThreadRunning as its very last action.
void RunTouchWorker(const WorkerActions& actions, TouchEngineState& engine);
