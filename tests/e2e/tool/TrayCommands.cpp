// The icons in Wine's tray: each is a window of class __winex11_tray_icon,
// a top-level one or inside the "Shell_TrayWnd" tray window.
#include "Commands.h"

#include <shellapi.h>

namespace {

constexpr wchar_t kTrayIconClass[] = L"__winex11_tray_icon";

struct IconSearch {
    int count = 0;
    int shown = 0;
    HWND first = nullptr;
};

BOOL CALLBACK CountIcon(HWND window, LPARAM search) {
    auto* found = reinterpret_cast<IconSearch*>(search);
    if (ClassName(window) != kTrayIconClass) return TRUE;
    if (!found->first) found->first = window;
    ++found->count;
    if (IsWindowVisible(window)) ++found->shown;
    return TRUE;
}

BOOL CALLBACK CountInTopLevel(HWND window, LPARAM search) {
    CountIcon(window, search);
    EnumChildWindows(window, CountIcon, search);
    return TRUE;
}

IconSearch FindTrayIcons() {
    IconSearch search;
    EnumWindows(CountInTopLevel, reinterpret_cast<LPARAM>(&search));
    return search;
}

int TrayIconCount() { return FindTrayIcons().count; }

}  // namespace

int CmdTrayIcons(wchar_t**) {
    PrintLine(std::to_wstring(TrayIconCount()));
    return kOk;
}

// Only the icons the user can see: an icon the shell is still putting in
// place exists as a hidden window.
int CmdShownTrayIcons(wchar_t**) {
    PrintLine(std::to_wstring(FindTrayIcons().shown));
    return kOk;
}

// Prints the handle of the first tray icon window.
int CmdTrayIcon(wchar_t**) {
    HWND icon = FindTrayIcons().first;
    if (!icon) return Failure(false, "no tray icon");
    PrintLine(HandleText(icon));
    return kOk;
}

// Takes the icon (id 1 of window SEL) out of the tray, as a restarting
// shell does to every icon.
int CmdTrayDelete(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    NOTIFYICONDATAW icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = window;
    icon.uID = 1;
    if (!Shell_NotifyIconW(NIM_DELETE, &icon)) return Failure(true, "the icon was not deleted");
    return kOk;
}

// What a new shell posts to every top-level window.
int CmdTaskbarCreated(wchar_t**) {
    const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    if (!message || !PostMessageW(HWND_BROADCAST, message, 0, 0))
        return Failure(true, "cannot broadcast TaskbarCreated");
    return kOk;
}
