// Finding windows and reading their state.
#include "Commands.h"

#include <cstdio>
#include <cwchar>

namespace {

const wchar_t* TitleOrAny(const wchar_t* title) { return std::wcscmp(title, L"-") == 0 ? nullptr : title; }

}  // namespace

int CmdWaitWindow(wchar_t** argv) {
    HWND found = nullptr;
    bool ok = PollUntil(ParseNumber(argv[2]), [&] {
        found = FindWindowW(argv[0], TitleOrAny(argv[1]));
        return found != nullptr;
    });
    if (!ok)
        return Failure(false, "no window of class %ls titled %ls within %ls ms", argv[0], argv[1], argv[2]);
    PrintLine(HandleText(found));
    return kOk;
}

int CmdInfo(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    std::wstring title;
    if (!window || !ReadWindowText(window, title)) return kFailed;
    RECT rect;
    GetWindowRect(window, &rect);
    wchar_t rectText[80];
    std::swprintf(rectText, 80, L"rect=%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right, rect.bottom);
    PrintLine(L"handle=" + HandleText(window));
    PrintLine(L"class=" + ClassName(window));
    PrintLine(L"title=" + title);
    PrintLine(std::wstring(L"visible=") + (IsWindowVisible(window) ? L"1" : L"0"));
    PrintLine(std::wstring(L"iconic=") + (IsIconic(window) ? L"1" : L"0"));
    PrintLine(std::wstring(L"enabled=") + (IsWindowEnabled(window) ? L"1" : L"0"));
    PrintLine(rectText);
    return kOk;
}

int CmdWaitVisible(wchar_t** argv) {
    bool want = ParseNumber(argv[1]) != 0;
    HWND window = nullptr;
    if (PollUntil(ParseNumber(argv[2]), [&] {
            window = ResolveWindow(argv[0]);
            return window && (IsWindowVisible(window) != FALSE) == want;
        }))
        return kOk;
    if (!window) return Failure(false, "no window %ls", argv[0]);
    return Failure(false, "window %ls stayed %s", argv[0], want ? "hidden" : "visible");
}

namespace {

// Waits for a visible popup of SEL other than `other` and prints it.
int WaitPopup(const wchar_t* selector, HWND other, long long timeoutMs) {
    HWND popup = nullptr;
    bool ok = PollUntil(timeoutMs, [&] {
        HWND owner = ResolveWindow(selector);
        if (!owner) return false;
        HWND last = GetLastActivePopup(owner);
        popup = last != owner && IsWindowVisible(last) ? last : nullptr;
        return popup != nullptr && popup != other;
    });
    if (ok)
        PrintLine(HandleText(popup));
    else
        Failure(false, "no popup of %ls but %ls", selector, popup ? HandleText(popup).c_str() : L"none");
    return ok ? kOk : kFailed;
}

}  // namespace

int CmdWaitPopup(wchar_t** argv) { return WaitPopup(argv[0], nullptr, ParseNumber(argv[1])); }

// As wait-popup, for a popup other than OTHER (a handle, or - for none):
// the dialog that a command posted to OTHER has opened.
int CmdWaitNewPopup(wchar_t** argv) {
    HWND other = std::wcscmp(argv[1], L"-") == 0
                     ? nullptr
                     : reinterpret_cast<HWND>(static_cast<INT_PTR>(ParseNumber(argv[1])));
    return WaitPopup(argv[0], other, ParseNumber(argv[2]));
}

// A named selector (main, popup) must name a window when the wait starts:
// one that never resolved is not "gone". A handle may have gone before
// the wait began (a posted click is quick); that is said on stderr, where
// the test's log shows it and no caller's $(...) takes it for output.
int CmdWaitGone(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    const bool named = std::wcscmp(argv[0], L"main") == 0 || std::wcscmp(argv[0], L"popup") == 0;
    if (!window && (named || ParseNumber(argv[0]) == 0))
        return Failure(false, "no window %ls to wait for", argv[0]);
    if (!window) {
        std::fprintf(stderr, "e2e_tool: window %ls was gone before the wait\n", argv[0]);
        return kOk;
    }
    if (PollUntil(ParseNumber(argv[1]), [&] { return !IsWindow(window); })) return kOk;
    std::wstring title;
    ReadWindowText(window, title);
    return Failure(false, "window %ls (%ls '%ls') still there after %ls ms", HandleText(window).c_str(),
                   ClassName(window).c_str(), title.c_str(), argv[1]);
}

int CmdItemText(wchar_t** argv) {
    HWND item = TargetItem(argv[0], argv[1]);
    std::wstring text;
    if (!item || !ReadWindowText(item, text)) return kFailed;
    PrintLine(text);
    return kOk;
}

// Waits until SEL is minimized and hidden, as the application is in the
// tray.
int CmdWaitMinimized(wchar_t** argv) {
    HWND window = nullptr;
    if (PollUntil(ParseNumber(argv[1]), [&] {
            window = ResolveWindow(argv[0]);
            return window && !IsWindowVisible(window) && IsIconic(window);
        }))
        return kOk;
    if (!window) return Failure(false, "no window %ls", argv[0]);
    return Failure(false, "window %ls is %s and %s, expected hidden and minimized", argv[0],
                   IsWindowVisible(window) ? "visible" : "hidden",
                   IsIconic(window) ? "minimized" : "not minimized");
}

int CmdItemEnabled(wchar_t** argv) {
    HWND item = TargetItem(argv[0], argv[1]);
    if (!item) return kFailed;
    PrintLine(IsWindowEnabled(item) ? L"1" : L"0");
    return kOk;
}

// Waits for a visible popup menu window (class #32768) and prints it.
int CmdWaitMenu(wchar_t** argv) {
    HWND menu = nullptr;
    bool ok = PollUntil(ParseNumber(argv[0]), [&] {
        menu = FindWindowW(L"#32768", nullptr);
        return menu && IsWindowVisible(menu);
    });
    if (!ok) return Failure(false, "no visible menu within %ls ms", argv[0]);
    PrintLine(HandleText(menu));
    return kOk;
}

// Waits for a visible top-level window of the class and prints it.
int CmdWaitShown(wchar_t** argv) {
    HWND shown = nullptr;
    bool ok = PollUntil(ParseNumber(argv[1]), [&] {
        for (HWND w = FindWindowW(argv[0], nullptr); w; w = FindWindowExW(nullptr, w, argv[0], nullptr)) {
            if (!IsWindowVisible(w)) continue;
            shown = w;
            return true;
        }
        return false;
    });
    if (!ok) return Failure(false, "no visible window of class %ls within %ls ms", argv[0], argv[1]);
    PrintLine(HandleText(shown));
    return kOk;
}
