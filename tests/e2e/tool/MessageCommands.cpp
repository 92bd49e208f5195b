// Messages to the application's windows, as any other program may send them.
#include "Commands.h"

namespace {

constexpr UINT kSendTimeoutMs = 10000;

bool Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return window && PostMessageW(window, message, wParam, lParam);
}

// The control that has the keyboard focus in the window's thread.
HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus)
        return info.hwndFocus;
    return window;
}

}  // namespace

int CmdPost(wchar_t** argv) {
    return Post(ResolveWindow(argv[0]), static_cast<UINT>(ParseNumber(argv[1])),
                static_cast<WPARAM>(ParseNumber(argv[2])), static_cast<LPARAM>(ParseNumber(argv[3])))
               ? kOk
               : kFailed;
}

int CmdPostItem(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    HWND item = window ? GetDlgItem(window, static_cast<int>(ParseNumber(argv[1]))) : nullptr;
    return Post(item, static_cast<UINT>(ParseNumber(argv[2])), static_cast<WPARAM>(ParseNumber(argv[3])),
                static_cast<LPARAM>(ParseNumber(argv[4])))
               ? kOk
               : kFailed;
}

// Synchronous: returns once the window procedure has handled the message.
int CmdSend(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    if (!window) return kFailed;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, static_cast<UINT>(ParseNumber(argv[1])),
                             static_cast<WPARAM>(ParseNumber(argv[2])),
                             static_cast<LPARAM>(ParseNumber(argv[3])), SMTO_NORMAL, kSendTimeoutMs,
                             &result))
        return kFailed;
    PrintLine(std::to_wstring(static_cast<long long>(result)));
    return kOk;
}

// Posted, so a button that opens a modal dialog does not block the tool.
int CmdClick(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    HWND button = window ? GetDlgItem(window, static_cast<int>(ParseNumber(argv[1]))) : nullptr;
    return Post(button, BM_CLICK, 0, 0) ? kOk : kFailed;
}

// A key press and release where the keyboard focus of the window's thread
// is; the dialog manager of a modal loop sees them as typed keys.
int CmdKey(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    if (!window) return kFailed;
    HWND focus = FocusOf(window);
    WPARAM key = static_cast<WPARAM>(ParseNumber(argv[1]));
    return Post(focus, WM_KEYDOWN, key, 1) && Post(focus, WM_KEYUP, key, 0xC0000001) ? kOk : kFailed;
}

int CmdWaitPushed(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    HWND button = window ? GetDlgItem(window, static_cast<int>(ParseNumber(argv[1]))) : nullptr;
    if (!button) return kFailed;
    return PollUntil(ParseNumber(argv[2]), [&] {
               DWORD_PTR state = 0;
               SendMessageTimeoutW(button, BM_GETSTATE, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &state);
               return (state & BST_PUSHED) != 0;
           })
               ? kOk
               : kFailed;
}
