#include "engine/TouchThread_win32.h"

#include "engine/InjectGesture_win32.h"
#include "engine/ScreenSize_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"

namespace {

void RequestBlock(void* window) { PostMessageW(static_cast<HWND>(window), kWorkerBlockRequestMessage, 0, 0); }

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

const WorkerActions kWorkerActions = {RefreshScreenSize, InjectGesture, RequestBlock, NowMs, IdleWait};

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
