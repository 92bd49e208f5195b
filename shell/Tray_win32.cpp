#include "shell/Tray_win32.h"

#include <shlwapi.h>

#include "shell/ShellGlobals_win32.h"
#include "shell/resources/resource.h"

// NOTIFYICONDATAW without guidItem and hBalloonIcon is what shells before
// 5.0 accept; the full record ends with the balloon icon after guidItem.
static_assert(NOTIFYICONDATAW_V2_SIZE == offsetof(NOTIFYICONDATAW, guidItem));
static_assert(sizeof(TrayIconRecord) == NOTIFYICONDATAW_V2_SIZE + sizeof(GUID) + sizeof(HICON));

TrayIconRecord TrayIconData;

namespace {

constexpr uint64_t kShellVersion5 = uint64_t{5} << 48;
// The animation box when only the taskbar's position is known: 84 pixels
// that end 16 before the taskbar's far end.
constexpr LONG kTrayBoxStart = 100;
constexpr LONG kTrayBoxEnd = 16;
// The box used when the tray is not found: bottom right of the work area.
constexpr LONG kFallbackWidth = 150;
constexpr LONG kFallbackHeight = 30;

}  // namespace

DWORD TrayIconDataSize(uint64_t shellVersion) {
    return shellVersion >= kShellVersion5 ? sizeof(TrayIconRecord) : NOTIFYICONDATAW_V2_SIZE;
}

int AddTrayIcon(HWND window) {
    ZeroMemory(&TrayIconData, sizeof TrayIconData);
    TrayIconData.cbSize = TrayIconDataSize(GetShellVersion(L"Shell32.dll"));
    TrayIconData.uID = kTrayIconId;
    TrayIconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    TrayIconData.hIcon = LoadIconW(AppInstance, MAKEINTRESOURCEW(IDI_SMALL));
    TrayIconData.hWnd = window;
    TrayIconData.uCallbackMessage = kTrayCallbackMessage;
    lstrcpyW(TrayIconData.szTip, LoadTextBuf(IDS_TRAY_TIP));
    Shell_NotifyIconW(NIM_ADD, &TrayIconData);
    // The shell keeps its own copy of the icon.
    if (TrayIconData.hIcon && DestroyIcon(TrayIconData.hIcon)) TrayIconData.hIcon = nullptr;
    return 1;
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
