#include "shell/Tray_win32.h"

#include <shlwapi.h>

#include "shell/ShellGlobals_win32.h"
#include "shell/TrayRecordSize.h"
#include "shell/resources/resource.h"

// NOTIFYICONDATAW without guidItem and hBalloonIcon is what shells before
// 5.0 accept; the full record ends with the balloon icon after guidItem.
static_assert(NOTIFYICONDATAW_V2_SIZE == offsetof(NOTIFYICONDATAW, guidItem));
static_assert(sizeof(TrayIconRecord) == NOTIFYICONDATAW_V2_SIZE + sizeof(GUID) + sizeof(HICON));

TrayIconRecord TrayIconData;
UINT TaskbarCreatedMessage;

namespace {

// The three records a shell may know: the full one, the one that ends at
// the balloon icon (XP's shell 6.0) and the one that ends at guidItem
// (shell 5.0).
constexpr TrayRecordSizes kRecordSizes = {sizeof(TrayIconRecord), NOTIFYICONDATAW_V2_SIZE + sizeof(GUID),
                                          NOTIFYICONDATAW_V2_SIZE};

// Retries of an add the shell refused at start (it may not run yet, as at
// sign-in): every 2 s for 2 minutes.
constexpr UINT kTrayRetryMs = 2000;
constexpr int kTrayRetries = 60;
int TrayRetriesLeft;
// Set once the shell accepted a record size: every later call keeps it.
bool SizeSettled;
// Whether the icon is in the tray as far as this program knows.
bool IconShown;

// MSGFLT_ADD of ChangeWindowMessageFilter (Vista) and MSGFLT_ALLOW of
// ChangeWindowMessageFilterEx (7 and later): let the message through.
constexpr DWORD kMessageFilterAllow = 1;
using ChangeFilterProc = BOOL(WINAPI*)(UINT, DWORD);
using ChangeFilterExProc = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);

// Once Close or the session's end was seen, nothing puts the icon back.
bool Retired;

// One call about the icon with an icon of the program's own: the shell keeps
// its own copy, so the program loads one (not the shared copy LoadIconW
// hands out, which must not be destroyed) and destroys it after the call.
bool NotifyWithIcon(DWORD message) {
    TrayIconData.hIcon = static_cast<HICON>(
        LoadImageW(AppInstance, MAKEINTRESOURCEW(IDI_SMALL), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    const bool done = Shell_NotifyIconW(message, &TrayIconData) != FALSE;
    if (TrayIconData.hIcon && DestroyIcon(TrayIconData.hIcon)) TrayIconData.hIcon = nullptr;
    return done;
}

// The add itself; an add refused before any size was accepted is tried with
// the next smaller record.
bool PutIcon() {
    bool added = NotifyWithIcon(NIM_ADD);
    while (!added && !SizeSettled) {
        const uint32_t next = NextTrayRecordSize(TrayIconData.cbSize, kRecordSizes);
        if (next == 0) break;
        TrayIconData.cbSize = next;
        added = NotifyWithIcon(NIM_ADD);
    }
    if (added)
        SizeSettled = true;
    else if (!SizeSettled)
        TrayIconData.cbSize = FirstTrayRecordSize(GetShellVersion(L"Shell32.dll"), kRecordSizes);
    IconShown = added;
    return added;
}

template <class Proc>
Proc User32Proc(const char* name) {
    // Through void(*)(), the generic function pointer type, to the real one.
    return reinterpret_cast<Proc>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// A shell that starts later (or restarts) announces itself to every
// top-level window; on Vista and later the message must be let through
// to a copy that runs with a higher integrity level than the shell: for
// the main window alone where the system can (7 and later), else for the
// whole process (Vista). XP has neither and needs neither.
void RegisterTaskbarCreated(HWND window) {
    TaskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
    if (!TaskbarCreatedMessage) return;
    if (auto forWindow = User32Proc<ChangeFilterExProc>("ChangeWindowMessageFilterEx")) {
        forWindow(window, TaskbarCreatedMessage, kMessageFilterAllow, nullptr);
    } else if (auto forProcess = User32Proc<ChangeFilterProc>("ChangeWindowMessageFilter")) {
        forProcess(TaskbarCreatedMessage, kMessageFilterAllow);
    }
}

// An add the shell refused: kTrayRetryTimer tries again.
void RetryLater(HWND window) {
    TrayRetriesLeft = kTrayRetries;
    SetTimer(window, kTrayRetryTimer, kTrayRetryMs, nullptr);
}

// The animation box when only the taskbar's position is known: 84 pixels
// that end 16 before the taskbar's far end.
constexpr LONG kTrayBoxStart = 100;
constexpr LONG kTrayBoxEnd = 16;
// The box used when the tray is not found: bottom right of the work area.
constexpr LONG kFallbackWidth = 150;
constexpr LONG kFallbackHeight = 30;

}  // namespace

void AddTrayIcon(HWND window) {
    RegisterTaskbarCreated(window);
    ZeroMemory(&TrayIconData, sizeof TrayIconData);
    TrayIconData.cbSize = FirstTrayRecordSize(GetShellVersion(L"Shell32.dll"), kRecordSizes);
    TrayIconData.uID = kTrayIconId;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.hWnd = window;
    TrayIconData.uCallbackMessage = kTrayCallbackMessage;
    lstrcpyW(TrayIconData.szTip, LoadTextBuf(IDS_TRAY_TIP));
    if (!PutIcon()) RetryLater(window);
}

void OnTrayRetryTimer(HWND window) {
    if (Retired || IconShown || PutIcon() || --TrayRetriesLeft <= 0) KillTimer(window, kTrayRetryTimer);
}

void OnTaskbarCreated() {
    if (Retired) return;
    // The add comes first, so that the tray never lacks the icon: a new
    // shell takes it. A shell that announces itself again while it holds
    // the icon (or another program's broadcast) refuses it as a duplicate:
    // the icon is still there, which a modify confirms; it is never taken
    // out to be added again. A shell that announces itself before its tray
    // takes icons refuses both: the add is retried as at start.
    const bool wasShown = IconShown;
    if (PutIcon()) return;
    if (wasShown && NotifyWithIcon(NIM_MODIFY)) {
        IconShown = true;
        return;
    }
    RetryLater(TrayIconData.hWnd);
}

void RetireTrayIcon(HWND window) {
    Retired = true;
    KillTimer(window, kTrayRetryTimer);
}

void DeleteTrayIcon() {
    RetireTrayIcon(TrayIconData.hWnd);
    Shell_NotifyIconW(NIM_DELETE, &TrayIconData);
    IconShown = false;
}

uint64_t GetShellVersion(const wchar_t* libraryName) {
    HMODULE library = LoadLibraryW(libraryName);
    if (!library) return 0;
    // Through void(*)(), the generic function pointer type, to the real one.
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(library, "DllGetVersion")));
    uint64_t version = 0;
    if (getVersion) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        if (SUCCEEDED(getVersion(&info)))
            version = (uint64_t{info.dwMajorVersion} << 48) | (uint64_t{info.dwMinorVersion} << 32);
    }
    FreeLibrary(library);
    return version;
}

bool MinAnimateOn() {
    ANIMATIONINFO info{};
    info.cbSize = sizeof info;
    SystemParametersInfoW(SPI_GETANIMATION, sizeof info, &info, 0);
    return info.iMinAnimate != 0;
}

void GetTrayRect(RECT* rect) {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (taskbar) {
        if (HWND notify = FindWindowExW(taskbar, nullptr, L"TrayNotifyWnd", nullptr)) {
            GetWindowRect(notify, rect);
            return;
        }
    }

    APPBARDATA appBar{};
    appBar.cbSize = sizeof appBar;
    if (SHAppBarMessage(ABM_GETTASKBARPOS, &appBar)) {
        const RECT& rc = appBar.rc;
        switch (appBar.uEdge) {
        case ABE_LEFT:
        case ABE_RIGHT:
            SetRect(rect, rc.left, rc.bottom - kTrayBoxStart, rc.right, rc.bottom - kTrayBoxEnd);
            break;
        case ABE_TOP:
        case ABE_BOTTOM:
            SetRect(rect, rc.right - kTrayBoxStart, rc.top, rc.right - kTrayBoxEnd, rc.bottom);
            break;
        default:
            break;
        }
        return;
    }

    if (taskbar) {
        GetWindowRect(taskbar, rect);
        if (rect->right - rect->left > kFallbackWidth) rect->left = rect->right - kFallbackWidth;
        if (rect->bottom - rect->top > kFallbackHeight) rect->top = rect->bottom - kFallbackHeight;
        return;
    }

    SystemParametersInfoW(SPI_GETWORKAREA, 0, rect, 0);
    rect->left = rect->right - kFallbackWidth;
    rect->top = rect->bottom - kFallbackHeight;
}

void MinimizeToTray(HWND window) {
    if (MinAnimateOn()) {
        RECT from;
        RECT to{};
        GetWindowRect(window, &from);
        GetTrayRect(&to);
        DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    }
    ShowWindow(window, SW_HIDE);
}

void RestoreFromTray(HWND window) {
    if (MinAnimateOn()) {
        RECT from{};
        RECT to;
        GetTrayRect(&from);
        GetWindowRect(window, &to);
        DrawAnimatedRects(window, IDANI_CAPTION, &from, &to);
    }
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    SetForegroundWindow(window);
}
