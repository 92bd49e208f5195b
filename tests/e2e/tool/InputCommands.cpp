// Real mouse input, as a user's hand would give it.
#include "Commands.h"

#include <cwchar>
#include <iterator>

namespace {

// The screen point of a caption button: the middle of the run of pixels,
// along the middle of the caption band, for which the window answers the
// wanted hit-test code.
bool FindHitPoint(HWND window, LRESULT wanted, POINT& point) {
    RECT rect;
    GetWindowRect(window, &rect);
    LONG y = rect.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
    long long sumX = 0, count = 0;
    for (LONG x = rect.left; x < rect.right; ++x) {
        DWORD_PTR hit = 0;
        // A window that does not answer is said so, not searched on.
        if (!SendMessageTimeoutW(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 5000, &hit)) {
            Failure(true, "window %ls did not answer WM_NCHITTEST", HandleText(window).c_str());
            return false;
        }
        if (static_cast<LRESULT>(hit) != wanted) continue;
        sumX += x;
        ++count;
    }
    if (count == 0)
        Failure(false, "no point of the caption of %ls answers hit-test code %lld",
                HandleText(window).c_str(), static_cast<long long>(wanted));
    if (count == 0) return false;
    point = {static_cast<LONG>(sumX / count), y};
    return true;
}

bool Inject(UINT count, INPUT* inputs) {
    if (SendInput(count, inputs, sizeof(INPUT)) == count) return true;
    Failure(true, "SendInput took fewer than %u events", count);
    return false;
}

bool ClickAt(POINT point, DWORD down, DWORD up) {
    SetCursorPos(point.x, point.y);
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = down;
    inputs[1].type = INPUT_MOUSE;
    inputs[1].mi.dwFlags = up;
    return Inject(2, inputs);
}

bool LeftClickAt(POINT point) { return ClickAt(point, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP); }

}  // namespace

// Clicks a caption button of the window: "close" or "min".
int CmdClickCaption(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
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
    return LeftClickAt(point) ? kOk : kFailed;
}

// Clicks the middle of a window: left, double (two left clicks) or right.
int CmdClickWindow(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    RECT rect;
    GetWindowRect(window, &rect);
    POINT middle = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    bool ok = false;
    if (std::wcscmp(argv[1], L"left") == 0)
        ok = LeftClickAt(middle);
    else if (std::wcscmp(argv[1], L"double") == 0)
        ok = LeftClickAt(middle) && LeftClickAt(middle);
    else if (std::wcscmp(argv[1], L"right") == 0)
        ok = ClickAt(middle, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
    else
        return kUsage;
    return ok ? kOk : kFailed;
}

// Moves the pointer onto the middle of a window, as a hand does (the last
// step is real input, so the window sees the mouse arrive).
int CmdHover(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    RECT rect;
    GetWindowRect(window, &rect);
    constexpr LONG kStep = 2;
    SetCursorPos((rect.left + rect.right) / 2 - kStep, (rect.top + rect.bottom) / 2);
    INPUT move = {};
    move.type = INPUT_MOUSE;
    move.mi.dx = kStep;
    move.mi.dwFlags = MOUSEEVENTF_MOVE;
    return Inject(1, &move) ? kOk : kFailed;
}

// Lets go of every mouse button the system holds down (a test that ended
// inside a click leaves it so on its display) and prints how many.
int CmdReleaseButtons(wchar_t**) {
    const struct {
        int key;
        DWORD up;
    } buttons[] = {{VK_LBUTTON, MOUSEEVENTF_LEFTUP},
                   {VK_RBUTTON, MOUSEEVENTF_RIGHTUP},
                   {VK_MBUTTON, MOUSEEVENTF_MIDDLEUP}};
    INPUT inputs[std::size(buttons)] = {};
    UINT count = 0;
    for (const auto& button : buttons) {
        if ((GetAsyncKeyState(button.key) & 0x8000) == 0) continue;
        inputs[count].type = INPUT_MOUSE;
        inputs[count].mi.dwFlags = button.up;
        ++count;
    }
    if (count && !Inject(count, inputs)) return kFailed;
    PrintLine(std::to_wstring(count));
    return kOk;
}

// Types the key viewer's marker key as real input: it reaches the focused
// window after every input injected before it, so the viewer's "marker"
// line says that all of that has been handled.
int CmdMarkerKey(wchar_t**) {
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = kMarkerKey;
    inputs[1].type = INPUT_KEYBOARD;
    inputs[1].ki.wVk = kMarkerKey;
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return Inject(2, inputs) ? kOk : kFailed;
}
