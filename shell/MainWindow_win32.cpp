#include "shell/MainWindow_win32.h"

#include <dbt.h>

#include <optional>

#include "calibration/CalibrationDialog_win32.h"
#include "device/DriverChannel.h"
#include "device/DriverChannel_win32.h"
#include "device/ParameterFile.h"
#include "device/SystemLibrary_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"
#include "engine/TouchThread_win32.h"
#include "shell/AboutDialog_win32.h"
#include "shell/ConsoleSession.h"
#include "shell/DisplaySettings_win32.h"
#include "shell/GeneralDialog_win32.h"
#include "shell/ParametersDialog_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/Tray_win32.h"
#include "shell/resources/resource.h"

namespace {

// Menu resource 121 and its first submenu, the tray popup.
HMENU LoadedMenu;
HMENU TrayMenu;
HDEVNOTIFY DeviceNotification;
HWND GeneralButton;
HWND AboutButton;
HWND StatusLine;

// The frame drawn around the two buttons, in client pixels.
constexpr RECT kButtonFrame = {20, 30, 380, 120};

struct ChildLayout {
    int x, y, width, height;
};
constexpr ChildLayout kGeneralLayout = {40, 50, 150, 50};
constexpr ChildLayout kAboutLayout = {220, 50, 150, 50};
constexpr ChildLayout kStatusLayout = {30, 140, 300, 20};

HWND CreateChild(HWND parent, HINSTANCE instance, const wchar_t* className, const wchar_t* text,
                 const ChildLayout& at, int id) {
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE, at.x, at.y, at.width,
                                 at.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance, nullptr);
    // The default system font is a bitmap font that may lack the Chinese
    // glyphs of the labels; the GUI font reaches them through font linking.
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

// The status line and the General button follow the device.
void ShowDeviceState(bool present) {
    SetWindowTextW(StatusLine, LoadTextBuf(present ? IDS_DEVICE_ATTACHED : IDS_DEVICE_DETACHED));
    EnableWindow(GeneralButton, present);
}

// A device arrival while the last worker is still inside its read starts
// the next one only once that worker has ended: this timer retries.
constexpr UINT_PTR kWorkerRetryTimer = 1;
constexpr UINT kWorkerRetryMs = 20;
// True while an arrival's worker waits for the previous one to end.
bool WorkerStartDeferred;

void StartWorker(HWND window) {
    if (StartTouchThread(window)) return;
    if (TouchWorkerRunning()) {
        WorkerStartDeferred = true;
        SetTimer(window, kWorkerRetryTimer, kWorkerRetryMs, nullptr);
    }
}

void CancelDeferredStart(HWND window) {
    if (!WorkerStartDeferred) return;
    WorkerStartDeferred = false;
    KillTimer(window, kWorkerRetryTimer);
}

// The retry of a deferred start; a calibration run that began meanwhile
// starts the worker itself when it ends.
void OnWorkerRetry(HWND window) {
    if (!WorkerStartDeferred) return;
    if (CalibrationRunning || TouchWorkerWanted() || !AtConsole) {
        CancelDeferredStart(window);
        return;
    }
    // Started, or the thread could not be made: no more retries.
    if (StartTouchThread(window) || !TouchWorkerRunning()) CancelDeferredStart(window);
}

// ---- The console session ----
// Only the copy in the session attached to the physical console reads the
// controller and sends the block; the session notices follow the console.
// wtsapi32 is looked up at run time, from the system folder.
std::optional<uint32_t> OwnSession;
bool NoticesRegistered;

void FollowConsole(HWND window) {
    DWORD own = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &own)) OwnSession = own;
    AtConsole = OwnsConsole(OwnSession, WTSGetActiveConsoleSessionId()) ? 1 : 0;
    const WtsApiFunctions& wts = WtsApi();
    NoticesRegistered = wts.status.ok() && wts.RegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION);
}

void StopFollowingConsole(HWND window) {
    if (!NoticesRegistered) return;
    WtsApi().UnRegisterSessionNotification(window);
    NoticesRegistered = false;
}

// The console came to this session: the block and the worker, as on a
// device arrival. It went: the worker stops. A calibration run restarts
// the worker itself when it ends, and only at the console.
void OnSessionChange(HWND window, WPARAM event, LPARAM session) {
    const bool owns = OwnsConsoleAfter(AtConsole != 0, OwnSession, static_cast<uint32_t>(event),
                                       static_cast<uint32_t>(session));
    if (owns == (AtConsole != 0)) return;
    AtConsole = owns ? 1 : 0;
    if (CalibrationRunning) return;
    if (!owns) {
        CancelDeferredStart(window);
        RequestTouchWorkerStop();
        return;
    }
    DriverChannel channel = OpenDriverChannel();
    DevicePresent = channel != kInvalidChannel;
    ShowDeviceState(DevicePresent);
    if (!DevicePresent) return;
    SendParametersOn(channel, LiveParams);
    CloseDriverChannel(channel);
    if (!TouchWorkerWanted() && !WorkerStartDeferred) StartWorker(window);
}

void UnregisterDeviceNotices() {
    if (!DeviceNotification) return;
    UnregisterDeviceNotification(DeviceNotification);
    DeviceNotification = nullptr;
}

void ChooseDefaultMapBySystem() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    bool legacy = IsLegacySystem(version.dwMajorVersion);
    ChooseDefaultMap(DefaultParams, legacy);
    if (legacy) TrackRotation = 1;
}

LRESULT OnCreate(HWND window, const CREATESTRUCTW& create) {
    HINSTANCE instance = create.hInstance;
    LoadedMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_TRAY));
    TrayMenu = GetSubMenu(LoadedMenu, 0);
    // Without the Close item the caption's close button is disabled too: the
    // application ends only through the tray menu.
    RemoveMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);

    ChooseDefaultMapBySystem();
    DWORD orientation = 0;
    if (ReadDisplayOrientation(orientation)) DisplayOrientation = static_cast<int32_t>(orientation);
    LoadParameterFile(kParameterFilePath, static_cast<uint16_t>(DisplayOrientation), DefaultParams,
                      LiveParams);

    GeneralButton = CreateChild(window, instance, L"BUTTON", LoadTextBuf(IDS_GENERAL),
                                kGeneralLayout, IDC_MAIN_GENERAL);
    AboutButton = CreateChild(window, instance, L"BUTTON", LoadTextBuf(IDS_ABOUT), kAboutLayout,
                              IDC_MAIN_ABOUT);
    StatusLine = CreateChild(window, instance, L"EDIT", L"", kStatusLayout, IDC_MAIN_STATUS);

    FollowConsole(window);
    DevicePresent = AtConsole ? SendParameterBlock(LiveParams) : ProbeDriver();
    ShowDeviceState(DevicePresent);
    if (DevicePresent && AtConsole) StartWorker(window);

    LoadTextBuf(IDS_ERROR);
    if (!RegisterHidNotification(window, &DeviceNotification))
        MessageBoxW(window, L"Failed to Register Device Notifications", TextBuf, MB_ICONERROR);
    return 0;
}

// Any device notice: probe, then start the worker on an arrival or stop it
// on a removal. A worker that is wanted is never started twice, and a new
// one never beside the last one still inside its read. During a calibration
// run only the status line follows: the session reads the device itself,
// and the run sends the block and restarts the worker when it ends.
void OnDeviceChange(HWND window) {
    // A device that went and came back unseen leaves the worker a dead channel.
    MarkWorkerChannelStale();
    DriverChannel channel = OpenDriverChannel();
    DevicePresent = channel != kInvalidChannel;
    const bool wanted = TouchWorkerWanted() || WorkerStartDeferred;
    if (CalibrationRunning || !AtConsole) {
        ShowDeviceState(DevicePresent);
    } else if (!wanted && DevicePresent) {
        SendParametersOn(channel, LiveParams);
        StartWorker(window);
        ShowDeviceState(true);
    } else if (wanted && !DevicePresent) {
        // The worker ends by itself once its current read returns.
        CancelDeferredStart(window);
        RequestTouchWorkerStop();
        ShowDeviceState(false);
    }
    if (channel != kInvalidChannel) CloseDriverChannel(channel);
}

// A worker that renewed its channel reached a device that may have come
// back without the block. During a calibration run the run sends it at the
// end, with the result.
void OnWorkerBlockRequest() {
    if (!CalibrationRunning) SendParameterBlock(LiveParams);
}

// After sleep the controller may have been enumerated anew: it gets the
// block again, and the worker's channel may be dead.
void OnPowerBroadcast(WPARAM event) {
    if (event != PBT_APMRESUMEAUTOMATIC && event != PBT_APMRESUMESUSPEND) return;
    MarkWorkerChannelStale();
    OnWorkerBlockRequest();
}

void OnDisplayChange(LPARAM lParam) {
    ScreenWidth = LOWORD(lParam);
    ScreenHeight = HIWORD(lParam);
    if (!TrackRotation) return;
    DWORD orientation = 0;
    if (ReadDisplayOrientation(orientation))
        WriteField(LiveParams.Orientation, static_cast<uint16_t>(orientation));
    if (AtConsole) SendParameterBlock(LiveParams);
}

// A Close (the tray's or WM_CLOSE) while a calibration session is on the
// screen ends the session; the run then keeps the block from before, sends
// nothing, starts no worker and hands the Close back as the tray's.
bool CloseAfterCalibration() {
    if (!CalibrationRunning) return false;
    CloseRequested = 1;
    EndCalibrationSession();
    return true;
}

// The tray menu's Close: the command comes back through the queue until the
// worker has ended, then the application quits without destroying the window.
void OnTrayClose(HWND window) {
    if (CloseAfterCalibration()) return;
    CancelDeferredStart(window);
    RequestTouchWorkerStop();
    if (!WaitTouchWorkerEnded(0)) {
        PostMessageW(window, WM_COMMAND, IDM_CLOSE, 0);
        return;
    }
    UnregisterDeviceNotices();
    StopFollowingConsole(window);
    DeleteTrayIcon();
    PostQuitMessage(0);
}

// One modal dialog of the main window at a time: the window is disabled
// while one is open, but commands posted by other programs still arrive,
// and a second dialog on top could start a second calibration run.
bool ModalOpen;

void RunModal(HWND window, int dialogId, DLGPROC procedure) {
    if (ModalOpen) return;
    ModalOpen = true;
    DialogBoxParamW(AppInstance, MAKEINTRESOURCEW(dialogId), window, procedure, 0);
    ModalOpen = false;
}

void OnCommand(HWND window, WORD id) {
    switch (id) {
    case IDC_MAIN_GENERAL:
        RunModal(window, IDD_GENERAL, GeneralDlgProc);
        break;
    case IDC_MAIN_PARAMETERS:
        // No control carries this command; it is served whenever it arrives.
        RunModal(window, IDD_PARAMETERS, ParametersDlgProc);
        break;
    case IDC_MAIN_ABOUT:
        RunModal(window, IDD_ABOUT, AboutDlgProc);
        break;
    case IDM_CLOSE:
        OnTrayClose(window);
        break;
    default:
        break;
    }
}

void ShowTrayMenu(HWND window) {
    POINT cursor;
    GetCursorPos(&cursor);
    // Foreground first, so the menu closes when the user clicks elsewhere.
    SetForegroundWindow(window);
    TrackPopupMenu(TrayMenu, 0, cursor.x, cursor.y, 0, window, nullptr);
    // A message of its own right after the menu makes the system complete
    // the switch to this task: otherwise the next right-click's menu may
    // not open or not close when the user clicks elsewhere.
    PostMessageW(window, WM_NULL, 0, 0);
}

void PaintFrame(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FrameRect(dc, &kButtonFrame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window, &paint);
}

// The way out: the worker is stopped and waited for (briefly) before the
// process ends, so that no key is left pressed half-way through a gesture.
constexpr DWORD kWorkerEndBoundMs = 500;

void OnDestroy(HWND window) {
    CancelDeferredStart(window);
    RequestTouchWorkerStop();
    WaitTouchWorkerEnded(kWorkerEndBoundMs);
    UnregisterDeviceNotices();
    StopFollowingConsole(window);
    DeleteTrayIcon();
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Registered at run time, so not a case label.
    if (TaskbarCreatedMessage && message == TaskbarCreatedMessage) {
        OnTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_DESTROY:
        OnDestroy(window);
        return 0;
    case WM_PAINT:
        PaintFrame(window);
        return 0;
    case WM_CLOSE:
        if (CloseAfterCalibration()) return 0;
        // Destroying the window ends the program; WM_DESTROY stops the worker.
        break;
    case WM_TIMER:
        if (wParam == kWorkerRetryTimer) OnWorkerRetry(window);
        else if (wParam == kTrayRetryTimer) OnTrayRetryTimer(window);
        break;
    case WM_WTSSESSION_CHANGE:
        OnSessionChange(window, wParam, lParam);
        break;
    case WM_DISPLAYCHANGE:
        OnDisplayChange(lParam);
        break;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    case WM_SYSCOMMAND:
        // Minimizing hides the window into the tray instead.
        if (wParam == SC_MINIMIZE) {
            MinimizeToTray(window);
            return 1;
        }
        break;
    case WM_DEVICECHANGE:
        OnDeviceChange(window);
        break;
    case WM_POWERBROADCAST:
        OnPowerBroadcast(wParam);
        return TRUE;
    case kWorkerBlockRequestMessage:
        OnWorkerBlockRequest();
        return 0;
    case kTrayCallbackMessage:
        switch (lParam) {
        case WM_LBUTTONDBLCLK:
            ShowWindow(window, SW_RESTORE);
            UpdateWindow(window);
            RestoreFromTray(window);
            break;
        case WM_RBUTTONDOWN:
            ShowTrayMenu(window);
            return 1;
        case WM_LBUTTONUP:
            return 1;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
