#include "Tool.h"

#include "device/WinText_win32.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

long long ParseNumber(const wchar_t* text) {
    wchar_t* end = nullptr;
    long long value = std::wcstoll(text, &end, 0);
    if (end == text || *end != L'\0') {
        std::fprintf(stderr, "not a number: %ls\n", text);
        std::exit(kUsage);
    }
    return value;
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

void PrintLine(const std::wstring& text) {
    const std::string utf8 = NarrowFromWide(text + L"\n");
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
}

std::wstring HandleText(HWND window) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
    return text;
}

std::wstring WindowText(HWND window) {
    wchar_t text[512] = L"";
    // WM_GETTEXT reads controls of other processes too (GetWindowTextW does not).
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, nullptr);
    return text;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}
