#include "engine/TouchThread_win32.h"

#include "engine/InjectGesture_win32.h"
#include "engine/ScreenSize_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"

namespace {

const WorkerActions kWorkerActions = {RefreshScreenSize, InjectGesture};

// How long the wait yields between two looks at the worker.
constexpr DWORD kWaitPollMs = 1;

bool CreateWorkerThread(void* window) {
    HANDLE thread = CreateThread(nullptr, 0, TouchThread, window, 0, nullptr);
    if (!thread) return false;
    // The worker is followed through its flags, not its handle.
    CloseHandle(thread);
    return true;
}

}  // namespace

extern "C" DWORD WINAPI TouchThread(LPVOID) {
    RunTouchWorker(kWorkerActions, TouchEngine);
    return 0;
}

bool StartTouchThread(HWND window) { return StartTouchWorker(CreateWorkerThread, window); }

bool WaitTouchWorkerEnded(DWORD boundMs) {
    const DWORD start = GetTickCount();
    while (TouchWorkerRunning()) {
        if (boundMs != INFINITE && GetTickCount() - start >= boundMs) return false;
        Sleep(kWaitPollMs);
    }
    return true;
}
