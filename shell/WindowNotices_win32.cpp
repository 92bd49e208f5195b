#include "shell/WindowNotices_win32.h"

#include "device/DriverChannel_win32.h"
#include "device/SystemLibrary_win32.h"
#include "engine/TouchThread_win32.h"
#include "lifecycle/MessageEvents.h"
#include "shell/DisplayPower_win32.h"

namespace {

HDEVNOTIFY HidNotification;
HDEVNOTIFY InterfaceNotification;
// wtsapi32 is looked up at run time, from the system folder only.
bool SessionNoticesRegistered;

// The wait for the session service after a registration it refused.
HANDLE ServiceReadyEvent;
HANDLE ServiceReadyWait;

VOID CALLBACK OnServiceReady(PVOID window, BOOLEAN) {
    PostMessageW(static_cast<HWND>(window), kMsgSessionServiceReady, 0, 0);
}

// Set by Windows once the session service's dependent services have
// started (Vista and later; XP has no such event and keeps the retry's
// ticks alone): the registration succeeds from then on, however long after
// the retry's last tick.
void WaitForSessionService(HWND window) {
    if (ServiceReadyEvent) return;
    ServiceReadyEvent = OpenEventW(SYNCHRONIZE, FALSE, L"Global\\TermSrvReadyEvent");
    if (!ServiceReadyEvent) return;
    if (!RegisterWaitForSingleObject(&ServiceReadyWait, ServiceReadyEvent, OnServiceReady, window, INFINITE,
                                     WT_EXECUTEONLYONCE))
        ServiceReadyWait = nullptr;
}

void StopWaitingForSessionService() {
    // Returns once a callback under way has posted its message.
    if (ServiceReadyWait) UnregisterWaitEx(ServiceReadyWait, INVALID_HANDLE_VALUE);
    if (ServiceReadyEvent) CloseHandle(ServiceReadyEvent);
    ServiceReadyWait = ServiceReadyEvent = nullptr;
}

}  // namespace

bool RegisterDeviceNotices(HWND window) {
    const bool hid = RegisterHidNotification(window, &HidNotification);
    RegisterTouchInterfaceNotification(window, &InterfaceNotification);
    RegisterDisplayPowerNotice(window);
    return hid;
}

// Fails with RPC_S_INVALID_BINDING until the session service is ready,
// which a start at sign-in can meet: the lifecycle retries it. A system
// without the service has no sessions to follow: nothing to retry.
bool RegisterSessionNotices(HWND window) {
    if (!SessionNoticesRegistered) {
        const WtsApiFunctions& wts = WtsApi();
        SessionNoticesRegistered =
            !wts.status.ok() || wts.RegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
        if (!SessionNoticesRegistered) WaitForSessionService(window);
    }
    return SessionNoticesRegistered;
}

void UnregisterWindowNotices(HWND window) {
    for (HDEVNOTIFY* notice : {&HidNotification, &InterfaceNotification}) {
        if (*notice) UnregisterDeviceNotification(*notice);
        *notice = nullptr;
    }
    DropWorkerHandleNotice(nullptr);
    StopWaitingForSessionService();
    UnregisterDisplayPowerNotice();
    const WtsApiFunctions& wts = WtsApi();
    if (SessionNoticesRegistered && wts.status.ok()) wts.UnRegisterSessionNotification(window);
    SessionNoticesRegistered = false;
}
