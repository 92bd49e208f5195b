// e2e_tool SUBCOMMAND ARGS...: drives the application's windows for the
// end-to-end tests and prints what it sees on stdout (UTF-8). A new check
// is a new function in one of the *Commands.cpp files and a row below.
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "Commands.h"

namespace {

// SEL is a window selector: main, popup or a handle in hex. MS is a time
// limit in milliseconds.
const Command kCommands[] = {
    {L"wait-window", "CLASS TITLE|- MS", 3, CmdWaitWindow},
    {L"info", "SEL", 1, CmdInfo},
    {L"wait-visible", "SEL 0|1 MS", 3, CmdWaitVisible},
    {L"wait-popup", "SEL MS", 2, CmdWaitPopup},
    {L"wait-new-popup", "SEL OTHER|- MS", 3, CmdWaitNewPopup},
    {L"wait-gone", "SEL MS", 2, CmdWaitGone},
    {L"item-text", "SEL ID", 2, CmdItemText},
    {L"wait-text", "SEL ID TEXT MS", 4, CmdWaitText},
    {L"wait-minimized", "SEL MS", 2, CmdWaitMinimized},
    {L"item-enabled", "SEL ID", 2, CmdItemEnabled},
    {L"wait-menu", "MS", 1, CmdWaitMenu},
    {L"wait-shown", "CLASS MS", 2, CmdWaitShown},
    {L"post", "SEL MSG WPARAM LPARAM", 4, CmdPost},
    {L"post-item", "SEL ID MSG WPARAM LPARAM", 5, CmdPostItem},
    {L"send", "SEL MSG WPARAM LPARAM", 4, CmdSend},
    {L"click", "SEL ID", 2, CmdClick},
    {L"key", "SEL VK", 2, CmdKey},
    {L"wait-pushed", "SEL ID MS", 3, CmdWaitPushed},
    {L"round-trip", "SEL ID MS", 3, CmdRoundTrip},
    {L"lifelog", "SEL", 1, CmdLifeLog},
    {L"set-console", "SEL SESSION", 2, CmdSetConsole},
    {L"display-power", "SEL 0|1|2", 2, CmdDisplayPower},
    {L"click-caption", "SEL close|min", 2, CmdClickCaption},
    {L"click-window", "SEL left|double|right", 2, CmdClickWindow},
    {L"hover", "SEL", 1, CmdHover},
    {L"release-buttons", "", 0, CmdReleaseButtons},
    {L"marker-key", "", 0, CmdMarkerKey},
    {L"tray-icons", "", 0, CmdTrayIcons},
    {L"shown-tray-icons", "", 0, CmdShownTrayIcons},
    {L"wait-tray-icons", "COUNT MS", 2, CmdWaitTrayIcons},
    {L"tray-icon", "", 0, CmdTrayIcon},
    {L"tray-delete", "SEL", 1, CmdTrayDelete},
    {L"taskbar-created", "", 0, CmdTaskbarCreated},
    {L"strings", "EXE FIRST LAST", 3, CmdStrings},
    {L"read-u32", "SEL RVA", 2, CmdReadU32},
    {L"wait-u32", "SEL RVA VALUE MS", 4, CmdWaitU32},
    {L"hold-window", "CLASS TITLE MS", 3, CmdHoldWindow},
    {L"parent-program", "SEL", 1, CmdParentProgram},
    {L"combo", "SEL ID", 2, CmdCombo},
    {L"trackbar", "SEL ID", 2, CmdTrackbar},
    {L"set-text", "SEL ID TEXT", 3, CmdSetText},
    {L"client-rect", "SEL", 1, CmdClientRect},
    {L"item-rect", "SEL ID", 2, CmdItemRect},
    {L"read-bytes", "SEL RVA COUNT", 3, CmdReadBytes},
    {L"wait-bytes", "SEL RVA HEX MS", 4, CmdWaitBytes},
    {L"hold-file", "PATH MS", 2, CmdHoldFile},
    {L"hold-image", "PATH MS", 2, CmdHoldImage},
    {L"counts", "SEL RVA", 2, CmdCounts},
    {L"threads-at", "SEL RVA", 2, CmdThreadsAt},
    {L"suspend-at", "SEL RVA", 2, CmdSuspendAt},
    {L"resume-at", "SEL RVA", 2, CmdResumeAt},
    {L"plug-cycles", "COUNT MS", 2, CmdPlugCycles},
    {L"plug-bounce", "COUNT", 1, CmdPlugBounce},
    {L"read-wait", "MS", 1, CmdReadWait},
    {L"wait-for", "TEXT MS SUBCOMMAND ARGS...", -1, nullptr},
    {L"driver-state", "", 0, CmdDriverState},
    {L"wait-driver", "FIELD VALUE|>=N MS", 3, CmdWaitDriver},
    {L"hold-reads", "0|1", 1, CmdHoldReads},
    {L"touch-path", "", 0, CmdTouchPath},
    {L"desktop-shell", "", 0, CmdDesktopShell},
};

int WaitFor(wchar_t** argv, int argc);

int Usage() {
    std::fprintf(stderr, "usage: e2e_tool SUBCOMMAND ARGS...\n");
    for (const Command& command : kCommands) std::fprintf(stderr, "  %ls %s\n", command.name, command.usage);
    return kUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    if (argc < 2) return Usage();
    for (const Command& command : kCommands) {
        if (std::wcscmp(argv[1], command.name) != 0) continue;
        if (!command.run) return WaitFor(argv + 2, argc - 2);
        if (argc - 2 != command.argCount) return Usage();
        // Said on every failure: a test that fails on a tool call without
        // this line had a tool that never reached its subcommand.
        const int status = command.run(argv + 2);
        if (status != kOk) std::fprintf(stderr, "e2e_tool: %ls ended with status %d\n", argv[1], status);
        return status;
    }
    return Usage();
}

namespace {

// The waits that are one query waited for: wait-for with the query's
// arguments, under their old names.
int WaitForOutput(const std::wstring& text, const wchar_t* timeoutMs, const wchar_t* query,
                  std::initializer_list<const wchar_t*> queryArgs) {
    std::vector<std::wstring> words = {text, timeoutMs, query};
    words.insert(words.end(), queryArgs.begin(), queryArgs.end());
    std::vector<wchar_t*> argv;
    for (std::wstring& word : words) argv.push_back(word.data());
    return WaitFor(argv.data(), static_cast<int>(argv.size()));
}

}  // namespace

int CmdWaitText(wchar_t** argv) { return WaitForOutput(argv[2], argv[3], L"item-text", {argv[0], argv[1]}); }

int CmdWaitU32(wchar_t** argv) {
    return WaitForOutput(std::to_wstring(static_cast<uint32_t>(ParseNumber(argv[2]))), argv[3], L"read-u32",
                         {argv[0], argv[1]});
}

int CmdWaitBytes(wchar_t** argv) {
    const std::wstring count = std::to_wstring(std::wcslen(argv[2]) / 2);
    return WaitForOutput(argv[2], argv[3], L"read-bytes", {argv[0], argv[1], count.c_str()});
}

int CmdWaitTrayIcons(wchar_t** argv) {
    return WaitForOutput(std::to_wstring(ParseNumber(argv[0])), argv[1], L"tray-icons", {});
}

namespace {

// Runs SUBCOMMAND in this process until the first line it prints is TEXT
// or MS have passed: one process for a whole wait. On failure says what it
// printed, or why it failed, last.
int WaitFor(wchar_t** argv, int argc) {
    if (argc < 3) return Usage();
    const Command* target = nullptr;
    for (const Command& command : kCommands)
        if (command.run && std::wcscmp(argv[2], command.name) == 0) target = &command;
    if (!target || argc - 3 != target->argCount) return Usage();
    std::wstring output;
    std::string failure;
    Capture = &output;
    CapturedFailure = &failure;
    const bool ok = PollUntil(ParseNumber(argv[1]), [&] {
        output.clear();
        failure.clear();
        return target->run(argv + 3) == kOk && output.substr(0, output.find(L'\n')) == argv[0];
    });
    Capture = nullptr;
    CapturedFailure = nullptr;
    if (ok) return kOk;
    const std::wstring last = output.substr(0, output.find(L'\n'));
    return Failure(false, "%ls printed '%ls'%s%s, expected '%ls'", argv[2], last.c_str(),
                   failure.empty() ? "" : ": ", failure.c_str(), argv[0]);
}

}  // namespace
