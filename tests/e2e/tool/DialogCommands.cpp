// Reading and filling the controls of the application's dialogs, and
// looking at its memory.
#include "Commands.h"

#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 10000;

HWND Item(const wchar_t* selector, const wchar_t* id) {
    HWND window = ResolveWindow(selector);
    return window ? GetDlgItem(window, static_cast<int>(ParseNumber(id))) : nullptr;
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

std::wstring RectText(LONG x, LONG y, LONG width, LONG height) {
    wchar_t text[80];
    std::swprintf(text, 80, L"%ld,%ld,%ld,%ld", x, y, width, height);
    return text;
}

}  // namespace

// The selected item (-1: none), then every item's text, one a line.
int CmdCombo(wchar_t** argv) {
    HWND combo = Item(argv[0], argv[1]);
    if (!combo) return kFailed;
    PrintLine(std::to_wstring(static_cast<long long>(Ask(combo, CB_GETCURSEL))));
    const LRESULT count = Ask(combo, CB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        if (Ask(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i)) >= 256) return kFailed;
        Ask(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        PrintLine(text);
    }
    return kOk;
}

// "MIN MAX POS PAGE" of a trackbar.
int CmdTrackbar(wchar_t** argv) {
    HWND slider = Item(argv[0], argv[1]);
    if (!slider) return kFailed;
    PrintLine(std::to_wstring(Ask(slider, TBM_GETRANGEMIN)) + L" " + std::to_wstring(Ask(slider, TBM_GETRANGEMAX)) +
              L" " + std::to_wstring(Ask(slider, TBM_GETPOS)) + L" " + std::to_wstring(Ask(slider, TBM_GETPAGESIZE)));
    return kOk;
}

// Types a text into a control (an edit field of a file dialog).
int CmdSetText(wchar_t** argv) {
    HWND item = Item(argv[0], argv[1]);
    if (!item) return kFailed;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]), SMTO_NORMAL,
                               kSendTimeoutMs, &result) && result
               ? kOk
               : kFailed;
}

// The client area in screen coordinates: "X,Y,WIDTH,HEIGHT".
int CmdClientRect(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    if (!window) return kFailed;
    RECT rect;
    GetClientRect(window, &rect);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    PrintLine(RectText(origin.x, origin.y, rect.right, rect.bottom));
    return kOk;
}

// A child window's rectangle in its parent's client coordinates, and its
// text: "X,Y,WIDTH,HEIGHT TEXT".
int CmdItemRect(wchar_t** argv) {
    HWND item = Item(argv[0], argv[1]);
    if (!item) return kFailed;
    RECT rect;
    GetWindowRect(item, &rect);
    MapWindowPoints(nullptr, GetParent(item), reinterpret_cast<POINT*>(&rect), 2);
    PrintLine(RectText(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top) + L" " +
              WindowText(item));
    return kOk;
}

// COUNT bytes at `rva` in the module that owns the window, in hex.
int CmdReadBytes(wchar_t** argv) {
    HWND window = ResolveWindow(argv[0]);
    if (!window) return kFailed;
    auto base = static_cast<uintptr_t>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    std::vector<uint8_t> bytes(static_cast<size_t>(ParseNumber(argv[2])));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, pid);
    if (!process) return kFailed;
    SIZE_T got = 0;
    BOOL ok = ReadProcessMemory(process, reinterpret_cast<void*>(base + ParseNumber(argv[1])), bytes.data(),
                                bytes.size(), &got);
    CloseHandle(process);
    if (!ok || got != bytes.size()) return kFailed;
    std::wstring hex;
    for (uint8_t b : bytes) {
        wchar_t digits[3];
        std::swprintf(digits, 3, L"%02x", b);
        hex += digits;
    }
    PrintLine(hex);
    return kOk;
}

// Opens a file with no sharing, prints "ready" and keeps it open until the
// time is up (or the tool is ended): nobody else can open it meanwhile.
int CmdHoldFile(wchar_t** argv) {
    HANDLE file = CreateFileW(argv[0], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return kFailed;
    PrintLine(L"ready");
    Sleep(static_cast<DWORD>(ParseNumber(argv[1])));
    CloseHandle(file);
    return kOk;
}
