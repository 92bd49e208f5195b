#include "shell/WindowNotices_win32.h"

#include "device/DriverChannel_win32.h"
#include "device/SystemLibrary_win32.h"
#include "engine/TouchThread_win32.h"

namespace {

HDEVNOTIFY HidNotification;
HDEVNOTIFY InterfaceNotification;
// wtsapi32 is looked up at run time, from the system folder only.
bool SessionNoticesRegistered;

}  // namespace

bool RegisterDeviceNotices(HWND window) {
    const bool hid = RegisterHidNotification(window, &HidNotification);
    RegisterTouchInterfaceNotification(window, &InterfaceNotification);
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
    }
    return SessionNoticesRegistered;
}

void UnregisterWindowNotices(HWND window) {
    for (HDEVNOTIFY* notice : {&HidNotification, &InterfaceNotification}) {
        if (*notice) UnregisterDeviceNotification(*notice);
        *notice = nullptr;
    }
    DropWorkerHandleNotice(nullptr);
    const WtsApiFunctions& wts = WtsApi();
    if (SessionNoticesRegistered && wts.status.ok()) wts.UnRegisterSessionNotification(window);
    SessionNoticesRegistered = false;
}
