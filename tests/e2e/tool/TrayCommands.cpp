// The icons in Wine's tray: each is a window of class __winex11_tray_icon,
// a top-level one or inside the "Shell_TrayWnd" tray window.
#include "Commands.h"

namespace {

constexpr wchar_t kTrayIconClass[] = L"__winex11_tray_icon";

BOOL CALLBACK CountIcon(HWND window, LPARAM count) {
    if (ClassName(window) == kTrayIconClass) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

BOOL CALLBACK CountInTopLevel(HWND window, LPARAM count) {
    CountIcon(window, count);
    EnumChildWindows(window, CountIcon, count);
    return TRUE;
}

int TrayIconCount() {
    int count = 0;
    EnumWindows(CountInTopLevel, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

int CmdTrayIcons(wchar_t**) {
    PrintLine(std::to_wstring(TrayIconCount()));
    return kOk;
}

int CmdWaitTrayIcons(wchar_t** argv) {
    int want = static_cast<int>(ParseNumber(argv[0]));
    return PollUntil(ParseNumber(argv[1]), [&] { return TrayIconCount() == want; }) ? kOk : kFailed;
}
