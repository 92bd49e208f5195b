// Real mouse input, as a user's hand would give it.
#include "Commands.h"

#include <cwchar>

namespace {

// The screen point of a caption button: the middle of the cells in the
// caption band for which the window answers the wanted hit-test code.
bool FindHitPoint(HWND window, LRESULT wanted, POINT& point) {
    RECT rect;
    GetWindowRect(window, &rect);
    LONG captionBottom = rect.top + GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME) + 2;
    long long sumX = 0, sumY = 0, count = 0;
    for (LONG y = rect.top; y < captionBottom; ++y) {
        for (LONG x = rect.left; x < rect.right; ++x) {
            DWORD_PTR hit = 0;
            SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 5000, &hit);
            if (static_cast<LRESULT>(hit) != wanted) continue;
            sumX += x;
            sumY += y;
            ++count;
        }
    }
    if (count == 0) return false;
    point = {static_cast<LONG>(sumX / count), static_cast<LONG>(sumY / count)};
    return true;
}

void LeftClickAt(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, inputs, sizeof(INPUT));
}

}  // namespace

// Clicks a caption button of the window: "close" or "min".
int CmdClickCaption(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    if (!window) return kFailed;
    LRESULT wanted;
    if (std::wcscmp(argv[1], L"close") == 0)
        wanted = HTCLOSE;
    else if (std::wcscmp(argv[1], L"min") == 0)
        wanted = HTMINBUTTON;
    else
        return kUsage;
    POINT point;
    if (!FindHitPoint(window, wanted, point)) return kFailed;
    LeftClickAt(point);
    return kOk;
}
