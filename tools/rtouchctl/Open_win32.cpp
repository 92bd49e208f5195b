// rtouchctl open parameters | mapping: the copy's two editors, through the
// commands its windows serve from any sender.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"

namespace {

constexpr wchar_t kMainClassName[] = L"ZRN_RTouch";
constexpr wchar_t kDialogClassName[] = L"#32770";
// The main window's commands and GENERAL's: its own dialog, the parameters
// dialog, and GENERAL's gesture mapping button.
constexpr WORD kCommandGeneral = 201;
constexpr WORD kCommandParameters = 202;
constexpr WORD kCommandGestureMapping = 1050;
constexpr DWORD kEditorWaitMs = 10000;
constexpr DWORD kPollMs = 50;

struct Owned {
    HWND owner;
    std::vector<HWND> dialogs;
};

// Collects the visible dialogs of the owner `context` points at. A named
// CALLBACK: on x86 a lambda does not convert to WNDENUMPROC (stdcall).
BOOL CALLBACK CollectDialog(HWND window, LPARAM context) {
    auto& f = *reinterpret_cast<Owned*>(context);
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (GetWindow(window, GW_OWNER) == f.owner && IsWindowVisible(window) &&
        lstrcmpW(name, kDialogClassName) == 0)
        f.dialogs.push_back(window);
    return TRUE;
}

// The visible dialogs that `owner` owns.
std::vector<HWND> DialogsOf(HWND owner) {
    Owned found{owner, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found.dialogs;
}

// Posts `command` to `window` and waits for a dialog it owns that was not
// there before; nullptr when none came within the time.
HWND OpenFrom(HWND window, WORD command) {
    const std::vector<HWND> before = DialogsOf(window);
    // Posted: the command runs a modal dialog, and a sent one would return
    // only once it closed.
    if (!PostMessageW(window, WM_COMMAND, command, 0)) return nullptr;
    for (DWORD waited = 0; waited <= kEditorWaitMs; waited += kPollMs) {
        for (HWND dialog : DialogsOf(window))
            if (std::find(before.begin(), before.end(), dialog) == before.end()) return dialog;
        Sleep(kPollMs);
    }
    return nullptr;
}

int NotUp(const char* what) {
    std::fprintf(stderr, "rtouchctl: %s did not appear within 10 s (another dialog of rtouch may be open)\n",
                 what);
    return kExitWriteFailed;
}

}  // namespace

int CmdOpen(const Args& args) {
    static const char kUsage[] = "rtouchctl open parameters|mapping";
    const std::optional<Options> o = ParseOptions(args, 2, {}, 1, kUsage);
    if (!o) return kExitUsage;
    if (o->positional.empty()) return UsageError("missing editor", kUsage);
    const std::string& editor = o->positional[0];
    if (editor != "parameters" && editor != "mapping")
        return UsageError("unknown editor '" + editor + "'", kUsage);
    HWND copy = FindWindowW(kMainClassName, nullptr);
    DWORD process = 0, session = 0, ours = 0;
    if (!copy || !GetWindowThreadProcessId(copy, &process) || !ProcessIdToSessionId(process, &session) ||
        !ProcessIdToSessionId(GetCurrentProcessId(), &ours) || session != ours) {
        std::fprintf(stderr, "rtouchctl: no rtouch copy runs in this session\n");
        return kExitNoCopy;
    }
    if (editor == "parameters")
        return OpenFrom(copy, kCommandParameters) ? kExitOk : NotUp("the parameters dialog");
    HWND general = OpenFrom(copy, kCommandGeneral);
    if (!general) return NotUp("GENERAL");
    return OpenFrom(general, kCommandGestureMapping) ? kExitOk : NotUp("the gesture mapping dialog");
}
