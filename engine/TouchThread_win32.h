// Starting the touch worker on Windows.
#pragma once

#include <windows.h>

// The worker's thread entry; the argument (the starter's window) is unused.
DWORD WINAPI TouchThread(LPVOID window);

// Starts TouchThread as a new thread with the default stack size and
// `window` as its argument; the thread is never joined. The caller sets
// StopThread to 0 first where it wants the worker to run. Returns whether
// the thread was created.
bool StartTouchThread(HWND window);
