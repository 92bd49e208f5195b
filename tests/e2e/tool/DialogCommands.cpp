// Reading and filling the controls of the application's dialogs, and
// looking at its memory.
#include "Commands.h"

#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <vector>

namespace {

constexpr UINT kSendTimeoutMs = 10000;

// Sends a query to a control of another process; false (said on stderr)
// when it does not answer in time.
bool Ask(HWND window, LRESULT& answer, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kSendTimeoutMs, &result)) {
        Failure(true, "control %ls did not answer message 0x%x", HandleText(window).c_str(), message);
        return false;
    }
    answer = static_cast<LRESULT>(result);
    return true;
}

std::wstring RectText(LONG x, LONG y, LONG width, LONG height) {
    wchar_t text[80];
    std::swprintf(text, 80, L"%ld,%ld,%ld,%ld", x, y, width, height);
    return text;
}

}  // namespace

// The selected item (-1: none), then every item's text, one a line.
int CmdCombo(wchar_t** argv) {
    HWND combo = TargetItem(argv[0], argv[1]);
    LRESULT selected = 0, count = 0;
    if (!combo || !Ask(combo, selected, CB_GETCURSEL) || !Ask(combo, count, CB_GETCOUNT)) return kFailed;
    PrintLine(std::to_wstring(static_cast<long long>(selected)));
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        LRESULT length = 0;
        if (!Ask(combo, length, CB_GETLBTEXTLEN, static_cast<WPARAM>(i))) return kFailed;
        if (length < 0 || length >= 256)
            return Failure(false, "item %lld is %lld long", static_cast<long long>(i),
                           static_cast<long long>(length));
        if (!Ask(combo, length, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text)))
            return kFailed;
        PrintLine(text);
    }
    return kOk;
}

// "MIN MAX POS PAGE" of a trackbar.
int CmdTrackbar(wchar_t** argv) {
    HWND slider = TargetItem(argv[0], argv[1]);
    if (!slider) return kFailed;
    std::wstring line;
    for (UINT query : {TBM_GETRANGEMIN, TBM_GETRANGEMAX, TBM_GETPOS, TBM_GETPAGESIZE}) {
        LRESULT value = 0;
        if (!Ask(slider, value, query)) return kFailed;
        line += (line.empty() ? L"" : L" ") + std::to_wstring(value);
    }
    PrintLine(line);
    return kOk;
}

// Types a text into a control (an edit field of a file dialog).
int CmdSetText(wchar_t** argv) {
    HWND item = TargetItem(argv[0], argv[1]);
    LRESULT done = 0;
    if (!item || !Ask(item, done, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[2]))) return kFailed;
    return done ? kOk : Failure(false, "control %ls refused the text", argv[1]);
}

// The client area in screen coordinates: "X,Y,WIDTH,HEIGHT".
int CmdClientRect(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
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
    HWND item = TargetItem(argv[0], argv[1]);
    std::wstring text;
    if (!item || !ReadWindowText(item, text)) return kFailed;
    RECT rect;
    GetWindowRect(item, &rect);
    MapWindowPoints(nullptr, GetParent(item), reinterpret_cast<POINT*>(&rect), 2);
    PrintLine(RectText(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top) + L" " + text);
    return kOk;
}

namespace {

// `count` bytes at `rva` in the module that owns the window, in hex.
bool ReadHex(HWND window, long long rva, size_t count, std::wstring& hex) {
    std::vector<uint8_t> bytes(count);
    if (!ReadModuleMemory(window, rva, bytes.data(), bytes.size())) return false;
    hex.clear();
    for (uint8_t b : bytes) {
        wchar_t digits[3];
        std::swprintf(digits, 3, L"%02x", b);
        hex += digits;
    }
    return true;
}

}  // namespace

// COUNT bytes at `rva` in the module that owns the window, in hex.
int CmdReadBytes(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    std::wstring hex;
    if (!window || !ReadHex(window, ParseNumber(argv[1]), static_cast<size_t>(ParseNumber(argv[2])), hex))
        return kFailed;
    PrintLine(hex);
    return kOk;
}

// Opens a file with no sharing, prints "ready" and keeps it open until the
// time is up (or the tool is ended): nobody else can open it meanwhile.
int CmdHoldFile(wchar_t** argv) {
    HANDLE file = CreateFileW(argv[0], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failure(true, "cannot open %ls", argv[0]);
    PrintLine(L"ready");
    Sleep(static_cast<DWORD>(ParseNumber(argv[1])));
    CloseHandle(file);
    return kOk;
}

// Maps a program file as its running copy does (an image section, the file
// handle closed), prints "ready" and keeps it until the time is up: the
// file can be renamed but not deleted meanwhile.
int CmdHoldImage(wchar_t** argv) {
    HANDLE file = CreateFileW(argv[0], GENERIC_READ | GENERIC_EXECUTE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failure(true, "cannot open %ls", argv[0]);
    HANDLE section = CreateFileMappingW(file, nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr);
    CloseHandle(file);
    if (!section) return Failure(true, "cannot map %ls", argv[0]);
    PrintLine(L"ready");
    Sleep(static_cast<DWORD>(ParseNumber(argv[1])));
    CloseHandle(section);
    return kOk;
}
