#include "engine/TouchThread_win32.h"

#include "engine/InjectGesture_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"

namespace {

void RefreshScreenSize() {
    ScreenWidth.store(static_cast<uint32_t>(GetSystemMetrics(SM_CXSCREEN)), std::memory_order_relaxed);
    ScreenHeight.store(static_cast<uint32_t>(GetSystemMetrics(SM_CYSCREEN)), std::memory_order_relaxed);
}

const WorkerActions kWorkerActions = {RefreshScreenSize, InjectGesture};

}  // namespace

DWORD WINAPI TouchThread(LPVOID) {
    RunTouchWorker(kWorkerActions, TouchEngine);
    return 0;
}

bool StartTouchThread(HWND window) {
    HANDLE thread = CreateThread(nullptr, 0, TouchThread, window, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}
