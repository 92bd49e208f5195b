// Messages to the application's windows, as any other program may send them.
#include "Commands.h"

#include <string>

#include "lifecycle/LifeLog.h"
#include "lifecycle/MessageEvents.h"

namespace {

constexpr UINT kSendTimeoutMs = 10000;

int Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!window) return kFailed;
    if (!PostMessageW(window, message, wParam, lParam))
        return Failure(true, "cannot post message 0x%x to %ls", message, HandleText(window).c_str());
    return kOk;
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
    return Post(TargetWindow(argv[0]), static_cast<UINT>(ParseNumber(argv[1])),
                static_cast<WPARAM>(ParseNumber(argv[2])), static_cast<LPARAM>(ParseNumber(argv[3])));
}

int CmdPostItem(wchar_t** argv) {
    return Post(TargetItem(argv[0], argv[1]), static_cast<UINT>(ParseNumber(argv[2])),
                static_cast<WPARAM>(ParseNumber(argv[3])), static_cast<LPARAM>(ParseNumber(argv[4])));
}

// Synchronous: returns once the window procedure has handled the message.
int CmdSend(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, static_cast<UINT>(ParseNumber(argv[1])),
                             static_cast<WPARAM>(ParseNumber(argv[2])),
                             static_cast<LPARAM>(ParseNumber(argv[3])), SMTO_NORMAL, kSendTimeoutMs, &result))
        return Failure(true, "window %ls (%ls) did not answer message %ls within %u ms", argv[0],
                       HandleText(window).c_str(), argv[1], kSendTimeoutMs);
    PrintLine(std::to_wstring(static_cast<long long>(result)));
    return kOk;
}

// Posted, so a button that opens a modal dialog does not block the tool.
int CmdClick(wchar_t** argv) { return Post(TargetItem(argv[0], argv[1]), BM_CLICK, 0, 0); }

// A key press and release where the keyboard focus of the window's thread
// is; the dialog manager of a modal loop sees them as typed keys.
int CmdKey(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    HWND focus = FocusOf(window);
    WPARAM key = static_cast<WPARAM>(ParseNumber(argv[1]));
    if (Post(focus, WM_KEYDOWN, key, 1) != kOk) return kFailed;
    return Post(focus, WM_KEYUP, key, 0xC0000001);
}

namespace {

// A button that does not answer is a failure of its own, never "not
// pushed"; each failure says which.
bool WaitButtonState(HWND button, bool pushed, long long timeoutMs) {
    bool answered = true;
    const bool ok = PollUntil(timeoutMs, [&] {
        DWORD_PTR state = 0;
        answered = SendMessageTimeoutW(button, BM_GETSTATE, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &state) != 0;
        return !answered || ((state & BST_PUSHED) != 0) == pushed;
    });
    if (!answered) {
        Failure(true, "button %ls did not answer BM_GETSTATE", HandleText(button).c_str());
        return false;
    }
    if (!ok) Failure(false, "button %ls stayed %s", HandleText(button).c_str(), pushed ? "up" : "pushed");
    return ok;
}

}  // namespace

int CmdWaitPushed(wchar_t** argv) {
    HWND button = TargetItem(argv[0], argv[1]);
    if (!button) return kFailed;
    return WaitButtonState(button, true, ParseNumber(argv[2])) ? kOk : kFailed;
}

// A round trip through the posted queue of the thread that owns button ID
// of SEL: its pushed state is posted on and then off, and each is waited
// for. A sent message would overtake what is already posted; this one
// comes after it, so everything posted to that thread before has been
// handled once it returns.
int CmdRoundTrip(wchar_t** argv) {
    HWND button = TargetItem(argv[0], argv[1]);
    if (!button) return kFailed;
    const long long timeoutMs = ParseNumber(argv[2]);
    if (Post(button, BM_SETSTATE, TRUE, 0) != kOk || !WaitButtonState(button, true, timeoutMs) ||
        Post(button, BM_SETSTATE, FALSE, 0) != kOk || !WaitButtonState(button, false, timeoutMs))
        return kFailed;
    return kOk;
}

// The application's last lifecycle transitions by name, the newest first.
int CmdLifeLog(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    for (WPARAM age = 0; age < LifeLog::kCapacity; ++age) {
        DWORD_PTR word = 0, actions = 0;
        if (!SendMessageTimeoutW(window, kMsgLifeLog, age, 0, SMTO_NORMAL, kSendTimeoutMs, &word) ||
            !SendMessageTimeoutW(window, kMsgLifeLog, age, 1, SMTO_NORMAL, kSendTimeoutMs, &actions))
            return Failure(true, "window %ls did not answer the log", argv[0]);
        const auto entry = UnpackTransition(static_cast<uint32_t>(word), static_cast<LifeActions>(actions));
        if (!entry) break;
        const std::string line = Describe(*entry);
        PrintLine(std::wstring(line.begin(), line.end()));
    }
    return kOk;
}
