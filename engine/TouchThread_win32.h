// The touch worker's thread on Windows, and the bounded wait for its end.
// Starting, stopping and asking go through engine/TouchThread.h.
#pragma once

#include <windows.h>

// The worker's thread entry, under its plain name so that tests can find the
// threads that start at it; the argument (the starter's window) is unused.
extern "C" DWORD WINAPI TouchThread(LPVOID window);

// StartTouchWorker with a new thread at TouchThread (default stack size,
// `window` as its argument; never joined).
bool StartTouchThread(HWND window);

// Waits, without processing messages, until no worker runs or `boundMs`
// (INFINITE: no bound) has passed. Returns whether no worker runs.
bool WaitTouchWorkerEnded(DWORD boundMs);
