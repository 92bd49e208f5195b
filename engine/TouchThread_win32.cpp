#include "engine/TouchThread_win32.h"

#include "engine/InjectGesture_win32.h"
#include "engine/ScreenSize_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"

namespace {

const WorkerActions kWorkerActions = {RefreshScreenSize, InjectGesture};

// The last worker's thread, kept so that its end can be waited for. Only the
// main thread (the starters and the waits) touches it.
HANDLE WorkerThread = nullptr;

void ForgetWorkerThread() {
    if (WorkerThread) CloseHandle(WorkerThread);
    WorkerThread = nullptr;
}

bool CreateWorkerThread(void* window) {
    HANDLE thread = CreateThread(nullptr, 0, TouchThread, window, 0, nullptr);
    if (!thread) return false;
    // A start is refused while a worker runs, so the previous thread has at
    // most its return left to do.
    ForgetWorkerThread();
    WorkerThread = thread;
    return true;
}

}  // namespace

extern "C" DWORD WINAPI TouchThread(LPVOID) {
    RunTouchWorker(kWorkerActions, TouchEngine);
    return 0;
}

bool StartTouchThread(HWND window) { return StartTouchWorker(CreateWorkerThread, window); }

bool WaitTouchWorkerEnded(DWORD boundMs) {
    if (WorkerThread) {
        if (WaitForSingleObject(WorkerThread, boundMs) != WAIT_OBJECT_0) return false;
        ForgetWorkerThread();
    }
    return !TouchWorkerRunning();
}
