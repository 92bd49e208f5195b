#include "shell/MainWindow_win32.h"

#include <dbt.h>

#include <cstddef>
#include <string>

#include "device/DriverChannel_win32.h"
#include "device/ParameterFile.h"
#include "device/SystemLibrary_win32.h"
#include "engine/SharedState.h"
#include "engine/TouchThread_win32.h"
#include "lifecycle/MessageEvents.h"
#include "shell/AboutDialog_win32.h"
#include "shell/DisplaySettings_win32.h"
#include "shell/GeneralDialog_win32.h"
#include "shell/LifeActions_win32.h"
#include "shell/LiveBlockAnswer_win32.h"
#include "shell/ParametersDialog_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/Tray_win32.h"
#include "shell/resources/resource.h"

// The portable translation's numbers are Windows' own.
static_assert(kMsgDestroy == WM_DESTROY && kMsgClose == WM_CLOSE && kMsgEndSession == WM_ENDSESSION);
static_assert(kMsgDisplayChange == WM_DISPLAYCHANGE && kMsgCommand == WM_COMMAND && kMsgTimer == WM_TIMER);
static_assert(kMsgPowerBroadcast == WM_POWERBROADCAST && kMsgDeviceChange == WM_DEVICECHANGE);
static_assert(kMsgSessionChange == WM_WTSSESSION_CHANGE && kMsgApp == WM_APP);
static_assert(kMsgWorkerBlockRequest == kWorkerBlockRequestMessage && kMsgWorkerEnded == kWorkerEndedMessage);
static_assert(kPowerResumeAutomatic == PBT_APMRESUMEAUTOMATIC);
static_assert(kDeviceArrival == DBT_DEVICEARRIVAL && kDeviceQueryRemove == DBT_DEVICEQUERYREMOVE &&
              kDeviceQueryRemoveFailed == DBT_DEVICEQUERYREMOVEFAILED &&
              kDeviceRemovePending == DBT_DEVICEREMOVEPENDING &&
              kDeviceRemoveComplete == DBT_DEVICEREMOVECOMPLETE && kDeviceCustomEvent == DBT_CUSTOMEVENT);
static_assert(kDeviceTypeInterface == DBT_DEVTYP_DEVICEINTERFACE && kDeviceTypeHandle == DBT_DEVTYP_HANDLE);
static_assert(kDeviceHeaderSize == sizeof(DEV_BROADCAST_HDR));
static_assert(kStartRetryTimer != kTrayRetryTimer && kSessionRetryTimer != kTrayRetryTimer &&
              kProbeRetryTimer != kTrayRetryTimer);

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
    HWND child =
        CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE, at.x, at.y, at.width, at.height, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    // The default system font is a bitmap font that may lack the Chinese
    // glyphs of the labels; the GUI font reaches them through font linking.
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return child;
}

// ---- The console session ----
// wtsapi32 is looked up at run time, from the system folder only.
bool SessionNoticesRegistered;

void StopFollowingConsole(HWND window) {
    const WtsApiFunctions& wts = WtsApi();
    if (SessionNoticesRegistered && wts.status.ok()) wts.UnRegisterSessionNotification(window);
    SessionNoticesRegistered = false;
}

// The main window's device notices: the HID class (as before), and the
// driver's own interface class.
HDEVNOTIFY InterfaceNotification;

void UnregisterDeviceNotices() {
    for (HDEVNOTIFY* notice : {&DeviceNotification, &InterfaceNotification}) {
        if (*notice) UnregisterDeviceNotification(*notice);
        *notice = nullptr;
    }
    DropWorkerHandleNotice(nullptr);
}

// The Restart Manager starts the program again after it closed it for an
// update (an MSI upgrade): kernel32 has the call from Vista on. Not after
// a crash or a hang, which would only repeat, and not after a reboot for an
// update: the Run value starts the program at sign-in then.
void RegisterRestart() {
    using RegisterRestartProc = HRESULT(WINAPI*)(PCWSTR, DWORD);
    constexpr DWORD kNoCrash = 1, kNoHang = 2, kNoReboot = 8;  // RESTART_NO_*
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return;
    auto registerRestart = reinterpret_cast<RegisterRestartProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "RegisterApplicationRestart")));
    if (registerRestart) registerRestart(L"", kNoCrash | kNoHang | kNoReboot);
}

// Returns whether display changes resend the orientation (major version 5
// or lower).
bool ChooseDefaultMapBySystem() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExW(&version);
    bool legacy = IsLegacySystem(version.dwMajorVersion);
    ChooseDefaultMap(DefaultParams, legacy);
    return legacy;
}

// The defaults are used silently; a support engineer reads why without a
// debugger (DebugView, WINEDEBUG=+debugstr).
void ReportUnusedParameterFile(ParameterFileUse use, uint32_t error) {
    if (use == ParameterFileUse::Served) return;
    const std::string_view why = UnusedReason(use);
    std::wstring text = L"rtouch: ZRNParameters.dat not used, " + std::wstring(why.begin(), why.end());
    if (use == ParameterFileUse::CannotOpen) text += L" (error " + std::to_wstring(error) + L")";
    text += L": the defaults instead\n";
    OutputDebugStringW(text.c_str());
}

LRESULT OnCreate(HWND window, const CREATESTRUCTW& create) {
    HINSTANCE instance = create.hInstance;
    LoadedMenu = LoadMenuW(instance, MAKEINTRESOURCEW(IDM_TRAY));
    TrayMenu = GetSubMenu(LoadedMenu, 0);
    // Without the Close item the caption's close button is disabled too: the
    // application ends only through the tray menu.
    RemoveMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);

    LifeStart start{};
    start.trackRotation = ChooseDefaultMapBySystem();
    DWORD orientation = 0;
    if (ReadDisplayOrientation(orientation)) DisplayOrientation = static_cast<int32_t>(orientation);
    uint32_t fileError = 0;
    const ParameterFileUse use = LoadParameterFile(
        kParameterFilePath, static_cast<uint16_t>(DisplayOrientation), DefaultParams, LiveParams, &fileError);
    ReportUnusedParameterFile(use, fileError);

    GeneralButton =
        CreateChild(window, instance, L"BUTTON", LoadTextBuf(IDS_GENERAL), kGeneralLayout, IDC_MAIN_GENERAL);
    AboutButton =
        CreateChild(window, instance, L"BUTTON", LoadTextBuf(IDS_ABOUT), kAboutLayout, IDC_MAIN_ABOUT);
    StatusLine = CreateChild(window, instance, L"EDIT", L"", kStatusLayout, IDC_MAIN_STATUS);

    RegisterRestart();
    DWORD own = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &own)) start.ownSession = own;
    // Registered first: a switch after the read is then noticed.
    start.noticesRegistered = RegisterSessionNotices(window);
    start.consoleSession = WTSGetActiveConsoleSessionId();
    StartLifecycle(window, start);

    LoadTextBuf(IDS_ERROR);
    if (!RegisterHidNotification(window, &DeviceNotification))
        MessageBoxW(window, L"Failed to Register Device Notifications", TextBuf, MB_ICONERROR);
    RegisterTouchInterfaceNotification(window, &InterfaceNotification);
    return 0;
}

// The fields of a device notice's lParam, read only where the event says
// it is a DEV_BROADCAST_HDR and only as far as its dbch_size reaches: any
// program may post WM_DEVICECHANGE with any lParam.
DeviceHeader ReadDeviceHeader(WPARAM event, LPARAM lParam, HDEVNOTIFY& registration) {
    DeviceHeader header;
    if (!DeviceNoticeHasHeader(event) || !lParam) return header;
    const auto* broadcast = reinterpret_cast<const DEV_BROADCAST_HDR*>(lParam);
    header.read = true;
    header.size = broadcast->dbch_size;
    if (header.size < sizeof(DEV_BROADCAST_HDR)) return header;
    header.deviceType = broadcast->dbch_devicetype;
    if (header.deviceType == DBT_DEVTYP_DEVICEINTERFACE &&
        header.size >= offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name))
        header.touchInterface = IsTouchInterfaceNotice(broadcast);
    if (header.deviceType == DBT_DEVTYP_HANDLE) {
        // Without its registration it is no handle's notice: a null one
        // would drop them all.
        if (header.size >= offsetof(DEV_BROADCAST_HANDLE, dbch_eventguid))
            registration = reinterpret_cast<const DEV_BROADCAST_HANDLE*>(lParam)->dbch_hdevnotify;
        if (!registration) header.deviceType = 0;
    }
    return header;
}

// The message as the lifecycle's event, if it is one, handed over. A
// query-remove of the worker's handle is answered once the handle is
// closed: Windows goes on.
void Translate(UINT message, WPARAM wParam, LPARAM lParam) {
    WindowMessage facts{message, wParam, static_cast<uint64_t>(lParam), {}};
    EventContext context;
    if (message == WM_DEVICECHANGE) facts.device = ReadDeviceHeader(wParam, lParam, context.handleNotice);
    if (const auto event = EventFor(facts)) Dispatch(*event, context);
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
        Translate(WM_COMMAND, id, 0);
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

}  // namespace

void ShowDeviceStatus(bool attached) {
    SetWindowTextW(StatusLine, LoadTextBuf(attached ? IDS_DEVICE_ATTACHED : IDS_DEVICE_DETACHED));
}

void EnableGeneralButton(bool enabled) { EnableWindow(GeneralButton, enabled); }

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

void FinishClose(HWND window) {
    UnregisterDeviceNotices();
    StopFollowingConsole(window);
    DeleteTrayIcon();
    PostQuitMessage(0);
}

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
        Translate(message, wParam, lParam);
        return 0;
    case WM_PAINT:
        PaintFrame(window);
        return 0;
    case WM_CLOSE:
        // Destroys the window, or ends a calibration first as Close does.
        Translate(message, wParam, lParam);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends, or the Restart Manager (ENDSESSION_CLOSEAPP in
        // lParam) closes the program for an update: as the tray's Close,
        // without waiting for the message loop.
        Translate(message, wParam, lParam);
        return 0;
    case WM_TIMER:
        if (wParam == kTrayRetryTimer)
            OnTrayRetryTimer(window);
        else
            Translate(message, wParam, lParam);
        break;
    case WM_WTSSESSION_CHANGE:
    case WM_DISPLAYCHANGE:
        Translate(message, wParam, lParam);
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
    case WM_POWERBROADCAST:
        Translate(message, wParam, lParam);
        return TRUE;
    case kWorkerBlockRequestMessage:
    case kWorkerEndedMessage:
    case kMsgCalibrationEnded:
        Translate(message, wParam, lParam);
        return 0;
    case kMsgLifeLog:
        return AnswerLifeLog(wParam, lParam);
    case WM_COPYDATA:
        return AnswerLiveBlockRequest(window, wParam, lParam);
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
