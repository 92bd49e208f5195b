// Where the window and dialog procedures hand their events to the program's
// one Lifecycle, and where what it decides is carried out (each action by
// the small file of the window it changes). Main thread only.
#pragma once

#include <windows.h>

#include "lifecycle/Lifecycle.h"

// What an event brings besides its kind and the facts its kind gathers.
struct EventContext {
    // A notice about the worker's handle: its registration.
    HDEVNOTIFY handleNotice = nullptr;
    // The editor dialog the event came from (kEndEditor ends it).
    HWND editor = nullptr;
};

// At window creation, once the child controls exist.
void StartLifecycle(HWND mainWindow, const LifeStart& start);
// Gathers the facts `event`'s kind needs (LifeEventFacts) and whether a
// worker runs, hands it to the lifecycle, logs the transition and carries
// out the actions it returns, in their order.
void Dispatch(LifeEvent event, const EventContext& context = {});
// Whether GENERAL's calibration button starts enabled.
bool CalibrationAllowed();
// kMsgLifeLog's answer: the transition `age` back (part 0) or its actions
// (part 1); 0 when none is kept.
LRESULT AnswerLifeLog(WPARAM age, LPARAM part);
