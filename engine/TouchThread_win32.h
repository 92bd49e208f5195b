// The touch worker's thread on Windows, and the bounded wait for its end.
// Starting, stopping and asking go through engine/TouchThread.h.
#pragma once

#include <windows.h>

// The worker's thread entry, under its plain name so that tests can find the
// threads that start at it; the argument is the starter's window, which
// gets kWorkerBlockRequestMessage.
extern "C" DWORD WINAPI TouchThread(LPVOID window);

// What a worker posts to the window it was started with after opening a
// channel in place of its first one: that device may lack the live block.
inline constexpr UINT kWorkerBlockRequestMessage = WM_APP;

// StartTouchWorker with a new thread at TouchThread (default stack size,
// `window` as its argument). Main thread only: the thread's handle is kept
// for WaitTouchWorkerEnded.
bool StartTouchThread(HWND window);

// Waits on the last worker's thread, without processing messages, until it
// has ended or `boundMs` (INFINITE: no bound; 0: just look) has passed.
// Returns whether no worker runs. Main thread only.
bool WaitTouchWorkerEnded(DWORD boundMs);
