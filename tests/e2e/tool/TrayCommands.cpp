// The icons in Wine's tray: each is a window of class __winex11_tray_icon,
// a top-level one or inside the "Shell_TrayWnd" tray window.
#include "Commands.h"

namespace {

constexpr wchar_t kTrayIconClass[] = L"__winex11_tray_icon";

struct IconSearch {
    int count = 0;
    HWND first = nullptr;
};

BOOL CALLBACK CountIcon(HWND window, LPARAM search) {
    auto* found = reinterpret_cast<IconSearch*>(search);
    if (ClassName(window) != kTrayIconClass) return TRUE;
    if (!found->first) found->first = window;
    ++found->count;
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

int CmdWaitTrayIcons(wchar_t** argv) {
    int want = static_cast<int>(ParseNumber(argv[0]));
    return PollUntil(ParseNumber(argv[1]), [&] { return TrayIconCount() == want; }) ? kOk : kFailed;
}

// Prints the handle of the first tray icon window.
int CmdTrayIcon(wchar_t**) {
    HWND icon = FindTrayIcons().first;
    if (!icon) return Failure(false, "no tray icon");
    PrintLine(HandleText(icon));
    return kOk;
}
