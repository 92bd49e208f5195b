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
// What a worker posts to that window as its very last action.
inline constexpr UINT kWorkerEndedMessage = WM_APP + 1;

// StartTouchWorker with a new thread at TouchThread (default stack size,
// `window` as its argument). Main thread only: the thread's handle is kept
// for WaitTouchWorkerEnded.
bool StartTouchThread(HWND window);

// Waits on the last worker's thread, without processing messages, until it
// has ended or `boundMs` (INFINITE: no bound; 0: just look) has passed.
// Returns whether no worker runs. Main thread only.
bool WaitTouchWorkerEnded(DWORD boundMs);

// Stops the worker and cuts its read short (CancelSynchronousIo, Vista and
// later, looked up at run time; on XP the read ends when the driver
// completes it), so that its handle is closed, waiting at most `boundMs`.
// Returns whether no worker runs. Main thread only.
bool ReleaseTouchWorker(DWORD boundMs);

// The notices for the worker's own handle (DBT_DEVTYP_HANDLE): each worker
// registers its channel on its starter's window as soon as it is open and
// unregisters the one before, which stays registered after its handle was
// closed, so that a removal's outcome still arrives (Microsoft's order for
// a query-remove). The main thread drops `registration` once that outcome
// has come, and every one at exit (null).
void DropWorkerHandleNotice(HDEVNOTIFY registration);

// Main thread, for a notice that the worker's channel went: one of its own
// handle (`registration`), or (null) the removal of the interface path it
// was opened on, a changed path, the device's removal or the console's
// leaving. The channel that notice is about is marked dead
// (MarkWorkerChannelDead); a registration the worker has replaced since is
// about a channel it closed, and only starts the engine afresh.
void MarkNoticedChannelStale(HDEVNOTIFY registration);
