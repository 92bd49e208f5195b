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

// The key viewer's marker: typed by a test after the keys it waits for, and
// never sent by a gesture map.
inline constexpr WORD kMarkerKey = VK_F24;

// One subcommand: argv holds only its own arguments.
struct Command {
    const wchar_t* name;
    const char* usage;  // arguments, shown by the usage text
    int argCount;
    int (*run)(wchar_t** argv);
};

// Number in decimal or 0x-hex; exits with kUsage on garbage.
long long ParseNumber(const wchar_t* text);

// Says on stderr why the subcommand failed (printf format; the last error
// code is added when `withError`) and returns kFailed. A read that cannot be
// done fails loudly: it never answers with an empty text.
int Failure(bool withError, const char* format, ...);

// A window selector: "main" (the application's main window), "popup" (the
// last active popup of the main window, when it has one) or a handle in
// hex. nullptr when there is no such window.
HWND ResolveWindow(const wchar_t* selector);
// ResolveWindow for a window the subcommand needs: says on stderr when
// there is none.
HWND TargetWindow(const wchar_t* selector);
// Control ID of the window SEL; says on stderr which one is missing.
HWND TargetItem(const wchar_t* selector, const wchar_t* id);

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

// Writes text and a line feed to stdout as UTF-8, or to *Capture when it
// is set (wait-for runs a subcommand for its output).
void PrintLine(const std::wstring& text);
extern std::wstring* Capture;
// When set, Failure keeps its message here instead of writing it.
extern std::string* CapturedFailure;
std::wstring HandleText(HWND window);
// A window's text by WM_GETTEXT, which reads controls of other processes
// too; false (said on stderr) when the window does not answer in time.
bool ReadWindowText(HWND window, std::wstring& text);
// `size` bytes at `rva` in the module that owns the window (the module's
// base is the window's instance handle); false (said on stderr) when the
// process cannot be read.
bool ReadModuleMemory(HWND window, long long rva, void* out, size_t size);
std::wstring ClassName(HWND window);
