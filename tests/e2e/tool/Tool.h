// Shared pieces of the end-to-end driver tool.
#pragma once

#include <windows.h>

#include <string>

// Exit codes of every subcommand.
inline constexpr int kOk = 0;
inline constexpr int kFailed = 1;  // the expected state did not come (in time)
inline constexpr int kUsage = 2;

// The application's single-instance identity.
inline constexpr wchar_t kMainClass[] = L"ZRN_RTouch";
inline constexpr wchar_t kMainTitle[] = L"Fennimore";

// One subcommand: argv holds only its own arguments.
struct Command {
    const wchar_t* name;
    const char* usage;  // arguments, shown by the usage text
    int argCount;
    int (*run)(wchar_t** argv);
};

// Number in decimal or 0x-hex; exits with kUsage on garbage.
long long ParseNumber(const wchar_t* text);

// A window selector: "main" (the application's main window), "popup" (the
// last active popup of the main window, when it has one) or a handle in
// hex. nullptr when there is no such window.
HWND ResolveWindow(const wchar_t* selector);

// Polls `done` every 20 ms until it is true or `timeoutMs` passed; returns
// the last result.
template <class Predicate>
bool PollUntil(long long timeoutMs, Predicate done) {
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

// Writes text and a line feed to stdout as UTF-8.
void PrintLine(const std::wstring& text);
std::wstring HandleText(HWND window);
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
