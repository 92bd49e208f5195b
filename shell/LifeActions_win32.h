// Where the window and dialog procedures hand their events to the program's
// one Lifecycle, and where what it decides is carried out. Main thread only.
#pragma once

#include <windows.h>

#include "shell/Lifecycle.h"

// The main window's timers.
inline constexpr UINT_PTR kStartRetryTimer = 1;
inline constexpr UINT kStartRetryMs = 20;
inline constexpr UINT_PTR kSessionRetryTimer = 3;

// What an event brings besides its kind.
struct EventContext {
    // Probe the device first (LifeEvent::present); a block to send then
    // goes over the probe's channel.
    bool probe = false;
    // A notice about the worker's handle: its registration.
    HDEVNOTIFY handleNotice = nullptr;
};

// At window creation, once the child controls exist.
void StartLifecycle(HWND mainWindow, const LifeStart& start);
// Hands `event` to the lifecycle, with whether a worker runs filled in, and
// carries out the actions it returns.
void Dispatch(LifeEvent event, const EventContext& context = {});
// Whether GENERAL's calibration button starts enabled.
bool CalibrationAllowed();
