#include "engine/TouchThread_win32.h"

#include <dbt.h>

#include <atomic>

#include "device/DriverChannel_win32.h"
#include "engine/InjectGesture_win32.h"
#include "engine/OwnMessages_win32.h"
#include "engine/ScreenSize_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"

namespace {

void RequestBlock(void* window) {
    PostOwnMessage(static_cast<HWND>(window), kWorkerBlockRequestMessage, OwnMessage::WorkerBlockRequest);
}

// GetTickCount, not GetTickCount64: it exists on XP, and only differences
// of a few seconds are taken.
uint32_t NowMs() { return GetTickCount(); }

// Set by a stop request, reset before each start; manual reset, so a stop
// that comes before the worker waits still cuts its wait short.
HANDLE StopEvent = nullptr;

void SignalStop() { SetEvent(StopEvent); }

void IdleWait(uint32_t ms) {
    if (!StopEvent || WaitForSingleObject(StopEvent, ms) == WAIT_FAILED) Sleep(ms);
}

// The registration of the last worker channel's notices: taken out by
// exactly one of the next worker (which replaces it) and the main thread
// (which drops it), so it is unregistered once.
std::atomic<HDEVNOTIFY> HandleNotice{nullptr};

void ReplaceHandleNotice(HDEVNOTIFY next) {
    if (HDEVNOTIFY previous = HandleNotice.exchange(next)) UnregisterDeviceNotification(previous);
}

// The worker's latest channel and the registration made for it, kept after
// the registration is dropped: a handle notice names its channel by them.
// The channel is written first, so a registration read is never newer than
// the channel read after it.
std::atomic<DriverChannel> WatchedChannel{kInvalidChannel};
std::atomic<HDEVNOTIFY> WatchedNotice{nullptr};

// On the worker's thread, while it owns the handle: the registration can
// never name a handle that is already closed.
void ChannelOpened(void* window, DriverChannel channel) {
    NoteWorkerChannelPath();
    WatchedChannel.store(channel);
    DEV_BROADCAST_HANDLE filter{};
    filter.dbch_size = sizeof filter;
    filter.dbch_devicetype = DBT_DEVTYP_HANDLE;
    filter.dbch_handle = channel;
    const HDEVNOTIFY registration =
        RegisterDeviceNotificationW(static_cast<HWND>(window), &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    WatchedNotice.store(registration);
    ReplaceHandleNotice(registration);
}

const WorkerActions kWorkerActions = {RefreshScreenSize, InjectGesture, RequestBlock, NowMs,
                                      IdleWait,          ChannelOpened};

// The last worker's thread, kept so that its end can be waited for. Only the
// main thread (the starters and the waits) touches it.
HANDLE WorkerThread = nullptr;

void ForgetWorkerThread() {
    if (WorkerThread) CloseHandle(WorkerThread);
    WorkerThread = nullptr;
}

bool CreateWorkerThread(void* window) {
    if (StopEvent) ResetEvent(StopEvent);
    HANDLE thread = CreateThread(nullptr, 0, TouchThread, window, 0, nullptr);
    if (!thread) return false;
    // A start is refused while a worker runs, so the previous thread has at
    // most its return left to do.
    ForgetWorkerThread();
    WorkerThread = thread;
    return true;
}

}  // namespace

extern "C" DWORD WINAPI TouchThread(LPVOID window) {
    RunTouchWorker(kWorkerActions, TouchEngine, window);
    PostOwnMessage(static_cast<HWND>(window), kWorkerEndedMessage, OwnMessage::WorkerEnded);
    return 0;
}

bool StartTouchThread(HWND window) {
    if (!StopEvent) {
        StopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (StopEvent) SetWorkerStopSignal(SignalStop);
    }
    return StartTouchWorker(CreateWorkerThread, window);
}

bool WaitTouchWorkerEnded(DWORD boundMs) {
    if (WorkerThread) {
        if (WaitForSingleObject(WorkerThread, boundMs) != WAIT_OBJECT_0) return false;
        ForgetWorkerThread();
    }
    return !TouchWorkerRunning();
}

namespace {

using CancelSynchronousIoProc = BOOL(WINAPI*)(HANDLE);

CancelSynchronousIoProc CancelSynchronousIoCall() {
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return nullptr;
    return reinterpret_cast<CancelSynchronousIoProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "CancelSynchronousIo")));
}

// How often the cancel is repeated while the worker has not ended: a cancel
// that comes just before the worker enters its read cancels nothing.
constexpr DWORD kCancelRepeatMs = 20;

}  // namespace

bool ReleaseTouchWorker(DWORD boundMs) {
    RequestTouchWorkerStop();
    if (!WorkerThread) return !TouchWorkerRunning();
    static const CancelSynchronousIoProc cancel = CancelSynchronousIoCall();
    const DWORD start = GetTickCount();
    for (;;) {
        // Once stopped the worker opens nothing more, so a cancel sent
        // while it reads reaches the read or nothing.
        if (cancel && TouchWorkerInRead()) cancel(WorkerThread);
        const DWORD spent = GetTickCount() - start;
        if (spent >= boundMs) return WaitTouchWorkerEnded(0);
        if (WaitTouchWorkerEnded(spent + kCancelRepeatMs < boundMs ? kCancelRepeatMs : boundMs - spent))
            return true;
    }
}

void MarkNoticedChannelStale(HDEVNOTIFY registration) {
    if (!registration) {
        MarkWorkerChannelDead(WatchedChannel.load());
        return;
    }
    // A notice of a registration already replaced is about a channel the
    // worker closed: the one it holds now stays.
    if (registration == WatchedNotice.load())
        MarkWorkerChannelDead(WatchedChannel.load());
    else
        MarkWorkerChannelStale();
}

void DropWorkerHandleNotice(HDEVNOTIFY registration) {
    if (!registration) {
        ReplaceHandleNotice(nullptr);
        return;
    }
    HDEVNOTIFY expected = registration;
    if (HandleNotice.compare_exchange_strong(expected, nullptr)) UnregisterDeviceNotification(registration);
}
