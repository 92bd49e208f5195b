#include "shell/MainWindow_win32.h"

#include <dbt.h>

#include <cstddef>
#include <cwchar>
#include <optional>
#include <string_view>

#include "device/DriverChannel_win32.h"
#include "device/ParameterFile.h"
#include "engine/OwnMessages.h"
#include "engine/SharedState.h"
#include "engine/TouchThread_win32.h"
#include "lifecycle/MessageEvents.h"
#include "shell/AboutDialog_win32.h"
#include "shell/DisplayPower_win32.h"
#include "shell/DisplaySettings_win32.h"
#include "shell/GeneralDialog_win32.h"
#include "shell/LifeDispatch_win32.h"
#include "shell/LiveBlockAnswer_win32.h"
#include "shell/MainControls_win32.h"
#include "shell/ParametersDialog_win32.h"
#include "shell/ShellGlobals_win32.h"
#include "shell/Tray_win32.h"
#include "shell/WindowNotices_win32.h"
#include "shell/resources/resource.h"

// The portable translation's numbers are Windows' own.
static_assert(kMsgDestroy == WM_DESTROY && kMsgClose == WM_CLOSE && kMsgEndSession == WM_ENDSESSION);
static_assert(kMsgDisplayChange == WM_DISPLAYCHANGE && kMsgCommand == WM_COMMAND && kMsgTimer == WM_TIMER);
static_assert(kMsgPowerBroadcast == WM_POWERBROADCAST && kMsgDeviceChange == WM_DEVICECHANGE);
static_assert(kMsgSessionChange == WM_WTSSESSION_CHANGE && kMsgApp == WM_APP);
static_assert(kMsgWorkerBlockRequest == kWorkerBlockRequestMessage && kMsgWorkerEnded == kWorkerEndedMessage);
static_assert(kPowerResumeAutomatic == PBT_APMRESUMEAUTOMATIC);
// XP's headers (the release builds' target) do not declare it.
#ifdef PBT_POWERSETTINGCHANGE
static_assert(kPowerSettingChange == PBT_POWERSETTINGCHANGE);
#endif
static_assert(kSessionLockEvent == WTS_SESSION_LOCK && kSessionUnlockEvent == WTS_SESSION_UNLOCK);
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

// The frame drawn around the two buttons, in client pixels.
constexpr RECT kButtonFrame = {20, 30, 380, 120};

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
    // wsprintfW, not std::to_wstring: that one brings the C library's
    // whole printf into the program.
    const std::string_view why = UnusedReason(use);
    char reason[128] = {};
    why.copy(reason, sizeof reason - 1);
    wchar_t text[256];
    if (use == ParameterFileUse::CannotOpen)
        wsprintfW(text, L"rtouch: ZRNParameters.dat not used, %hs (error %lu): the defaults instead\n",
                  reason, static_cast<unsigned long>(error));
    else
        wsprintfW(text, L"rtouch: ZRNParameters.dat not used, %hs: the defaults instead\n", reason);
    OutputDebugStringW(text);
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
    CreateMainControls(window, instance);

    RegisterRestart();
    DWORD own = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &own)) start.ownSession = own;
    // Registered first: a switch after the read is then noticed.
    start.noticesRegistered = RegisterSessionNotices(window);
    start.consoleSession = WTSGetActiveConsoleSessionId();
    StartLifecycle(window, start);

    LoadTextBuf(IDS_ERROR);
    if (!RegisterDeviceNotices(window))
        MessageBoxW(window, L"Failed to Register Device Notifications", TextBuf, MB_ICONERROR);
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

// The message numbers already written as routed to no event. A hidden
// window sees a few dozen kinds; past this many, nothing more is written.
// (A bit per message number would put 8 KB into the program's file: the
// release builds place zero-initialised data in .data.)
constexpr size_t kUnroutedKept = 128;
UINT UnroutedSeen[kUnroutedKept];
size_t UnroutedCount = 0;

// Written where the transitions are (DebugView, WINEDEBUG=+debugstr), once
// per message number: a hidden window still gets the system's own ones by
// the thousand.
void NoteUnrouted(UINT message, WPARAM wParam) {
    for (size_t i = 0; i < UnroutedCount; ++i)
        if (UnroutedSeen[i] == message) return;
    if (UnroutedCount == kUnroutedKept) return;
    UnroutedSeen[UnroutedCount++] = message;
    wchar_t text[96];
    std::swprintf(text, sizeof text / sizeof text[0], L"rtouch: message 0x%04X (wParam 0x%llX) is no event\n",
                  message, static_cast<unsigned long long>(wParam));
    OutputDebugStringW(text);
}

// The program's own messages, which act only with their note.
std::optional<OwnMessage> OwnMessageOf(UINT message) {
    switch (message) {
    case kMsgWorkerBlockRequest:
        return OwnMessage::WorkerBlockRequest;
    case kMsgWorkerEnded:
        return OwnMessage::WorkerEnded;
    case kMsgCalibrationEnded:
        return OwnMessage::CalibrationEnded;
    default:
        return std::nullopt;
    }
}

// Another program posted one of them: nothing is done, and it is written
// where a support engineer reads it.
void NoteForged(UINT message) {
    wchar_t text[80];
    std::swprintf(text, sizeof text / sizeof text[0],
                  L"rtouch: message 0x%04X not posted by rtouch, ignored\n", message);
    OutputDebugStringW(text);
}

// Every message the window does not answer itself: the lifecycle's event
// handed over, or nobody's, written once and left to the default
// processing. A query-remove of the worker's handle is answered once the
// handle is closed: Windows goes on.
LRESULT Translate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowMessage facts{message, wParam, static_cast<uint64_t>(lParam), {}};
    EventContext context;
    if (message == WM_DEVICECHANGE) facts.device = ReadDeviceHeader(wParam, lParam, context.handleNotice);
    if (message == WM_POWERBROADCAST && wParam == kPowerSettingChange)
        facts.display.read = ReadDisplayPower(lParam, facts.display.value);
    if (const auto own = OwnMessageOf(message); own && !TakeOwnMessage(*own)) {
        NoteForged(message);
        return 0;
    }
    if (const auto event = EventFor(facts))
        Dispatch(*event, context);
    else
        NoteUnrouted(message, wParam);
    switch (AnswerFor(message)) {
    case MessageAnswer::Zero:
        return 0;
    case MessageAnswer::True:
        return TRUE;
    case MessageAnswer::Default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
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

// The commands that open the window's dialogs; false for any other.
bool OpenDialogCommand(HWND window, WORD id) {
    switch (id) {
    case IDC_MAIN_GENERAL:
        RunModal(window, IDD_GENERAL, GeneralDlgProc);
        return true;
    case IDC_MAIN_PARAMETERS:
        // No control carries this command; it is served whenever it arrives.
        RunModal(window, IDD_PARAMETERS, ParametersDlgProc);
        return true;
    case IDC_MAIN_ABOUT:
        RunModal(window, IDD_ABOUT, AboutDlgProc);
        return true;
    default:
        return false;
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

// The tray icon's mouse message, in lParam.
LRESULT OnTrayNotice(HWND window, WPARAM wParam, LPARAM lParam) {
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
    return DefWindowProcW(window, kTrayCallbackMessage, wParam, lParam);
}

void PaintFrame(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    FrameRect(dc, &kButtonFrame, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(window, &paint);
}

}  // namespace

// The window answers its own messages here; every other one goes through
// Translate.
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // Registered at run time, so not a case label.
    if (TaskbarCreatedMessage && message == TaskbarCreatedMessage) {
        OnTaskbarCreated();
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        return OnCreate(window, *reinterpret_cast<const CREATESTRUCTW*>(lParam));
    case WM_PAINT:
        PaintFrame(window);
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_TIMER:
        if (wParam != kTrayRetryTimer) break;
        OnTrayRetryTimer(window);
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_COMMAND:
        if (!OpenDialogCommand(window, LOWORD(wParam))) break;
        return DefWindowProcW(window, message, wParam, lParam);
    case WM_SYSCOMMAND:
        // Minimizing hides the window into the tray instead.
        if (wParam != SC_MINIMIZE) return DefWindowProcW(window, message, wParam, lParam);
        MinimizeToTray(window);
        return 1;
    case kMsgLifeLog:
        return AnswerLifeLog(wParam, lParam);
    case WM_COPYDATA:
        return AnswerLiveBlockRequest(window, wParam, lParam);
    case kTrayCallbackMessage:
        return OnTrayNotice(window, wParam, lParam);
    }
    return Translate(window, message, wParam, lParam);
}
