#include "Tool.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <iterator>
#include <string>

#include "device/WinText_win32.h"

namespace {

// How long a control of another process may take to answer WM_GETTEXT.
constexpr UINT kTextTimeoutMs = 10000;

}  // namespace

long long ParseNumber(const wchar_t* text) {
    wchar_t* end = nullptr;
    long long value = std::wcstoll(text, &end, 0);
    if (end == text || *end != L'\0') {
        std::fprintf(stderr, "not a number: %ls\n", text);
        std::exit(kUsage);
    }
    return value;
}

std::wstring* Capture = nullptr;
std::string* CapturedFailure = nullptr;

int Failure(bool withError, const char* format, ...) {
    const DWORD error = GetLastError();
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::string line = std::string("e2e_tool: ") + text;
    if (withError) line += " (error " + std::to_string(error) + ")";
    if (CapturedFailure) {
        *CapturedFailure = line;
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
    return kFailed;
}

HWND ResolveWindow(const wchar_t* selector) {
    HWND main = FindWindowW(kMainClass, kMainTitle);
    if (std::wcscmp(selector, L"main") == 0) return main;
    if (std::wcscmp(selector, L"popup") == 0) {
        if (!main) return nullptr;
        HWND popup = GetLastActivePopup(main);
        return popup != main ? popup : nullptr;
    }
    HWND window = reinterpret_cast<HWND>(static_cast<INT_PTR>(ParseNumber(selector)));
    return IsWindow(window) ? window : nullptr;
}

HWND TargetWindow(const wchar_t* selector) {
    HWND window = ResolveWindow(selector);
    if (!window) Failure(false, "no window %ls", selector);
    return window;
}

HWND TargetItem(const wchar_t* selector, const wchar_t* id) {
    HWND window = TargetWindow(selector);
    if (!window) return nullptr;
    HWND item = GetDlgItem(window, static_cast<int>(ParseNumber(id)));
    if (!item) Failure(true, "window %ls has no control %ls", selector, id);
    return item;
}

void PrintLine(const std::wstring& text) {
    if (Capture) {
        *Capture += text + L"\n";
        return;
    }
    const std::string utf8 = NarrowFromWide(text + L"\n");
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

std::wstring HandleText(HWND window) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return text;
}

bool ReadWindowText(HWND window, std::wstring& text) {
    wchar_t buffer[512] = L"";
    if (!SendMessageTimeoutW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer),
                             SMTO_NORMAL, kTextTimeoutMs, nullptr)) {
        Failure(true, "window %ls did not answer WM_GETTEXT", HandleText(window).c_str());
        return false;
    }
    text = buffer;
    return true;
}

bool ReadModuleMemory(HWND window, long long rva, void* out, size_t size) {
    const auto base = static_cast<uintptr_t>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        Failure(true, "cannot open process %lu", pid);
        return false;
    }
    SIZE_T got = 0;
    const BOOL ok = ReadProcessMemory(process, reinterpret_cast<void*>(base + static_cast<uintptr_t>(rva)),
                                      out, size, &got);
    if (!ok || got != size)
        Failure(true, "read %llu of %llu bytes at 0x%llx in process %lu",
                static_cast<unsigned long long>(got), static_cast<unsigned long long>(size), rva, pid);
    CloseHandle(process);
    return ok && got == size;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}
