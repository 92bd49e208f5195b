// Looking inside the application's process, and stand-in windows.
#include "Commands.h"

#include <tlhelp32.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "shell/DisplayPower_win32.h"

// Reads the 32-bit value at `rva` in the module that owns the window. The
// caller takes the RVA of a global from the program's symbol table.
int CmdReadU32(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    uint32_t value = 0;
    if (!window || !ReadModuleMemory(window, ParseNumber(argv[1]), &value, sizeof value)) return kFailed;
    PrintLine(std::to_wstring(value));
    return kOk;
}

// Prints the program name of the process that started the window's process
// (who launched it: a setup itself, or the shell), or "gone" when that
// process no longer runs.
int CmdParentProgram(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return Failure(true, "no process snapshot");
    DWORD parent = 0;
    std::wstring parentName = L"gone";
    for (int pass = 0; pass < 2; ++pass) {
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            if (pass == 0 && entry.th32ProcessID == pid) parent = entry.th32ParentProcessID;
            if (pass == 1 && parent != 0 && entry.th32ProcessID == parent) parentName = entry.szExeFile;
        }
    }
    CloseHandle(snapshot);
    if (parent == 0) return Failure(false, "process %lu not in the snapshot", pid);
    PrintLine(parentName);
    return kOk;
}

// Creates a top-level window of the given class and title (registering the
// class), prints "ready" and keeps it until it is closed or the time is up.
int CmdHoldWindow(wchar_t** argv) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = argv[0];
    if (!RegisterClassExW(&windowClass)) return Failure(true, "cannot register class %ls", argv[0]);
    HWND window = CreateWindowExW(0, argv[0], argv[1], WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                  instance, nullptr);
    if (!window) return Failure(true, "cannot create window %ls", argv[1]);
    PrintLine(L"ready " + HandleText(window));
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(ParseNumber(argv[2]));
    while (IsWindow(window) && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return kOk;
}

// Wine has one session, and answers WTSGetActiveConsoleSessionId (and
// ProcessIdToSessionId) with the process's own PEB SessionId. Writing it in
// the application's process moves the console as that process sees it: a
// session notice posted afterwards then reads a console elsewhere. Only
// under Wine; the application has read its own session at start.
int CmdSetConsole(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process =
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return Failure(true, "cannot open the process of %ls", argv[0]);
    struct BasicInformation {
        LONG exitStatus;
        void* peb;
        ULONG_PTR affinity, basePriority, processId, parentProcessId;
    } info{};
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    // ProcessBasicInformation; the PEB's SessionId of a process of this
    // tool's architecture.
    constexpr int kBasicInformation = 0;
    constexpr size_t kSessionIdOffset = sizeof(void*) == 8 ? 0x2C0 : 0x1D4;
    const DWORD session = static_cast<DWORD>(ParseNumber(argv[1]));
    SIZE_T written = 0;
    const bool ok = query && query(process, kBasicInformation, &info, sizeof info, nullptr) == 0 &&
                    WriteProcessMemory(process, static_cast<char*>(info.peb) + kSessionIdOffset, &session,
                                       sizeof session, &written);
    CloseHandle(process);
    return ok ? kOk : Failure(true, "cannot move the console of %ls", argv[0]);
}

// The display's power notice exactly as Windows sends it: a
// POWERBROADCAST_SETTING of the setting this Windows notifies (the
// application makes the same choice), written into the application's
// process, and WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE pointing at
// it, sent, so it has been handled when this returns. STATE: 0 off, 1 on,
// 2 dimmed. The application asks nothing else about the display.
int CmdDisplayPower(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    const GUID* setting = DisplayPowerSetting();
    if (!window) return kFailed;
    if (!setting) return Failure(false, "this Windows has no display power notices");
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (!process) return Failure(true, "cannot open the process of %ls", argv[0]);
    POWERBROADCAST_SETTING notice{};
    notice.PowerSetting = *setting;
    notice.DataLength = sizeof(DWORD);
    const DWORD state = static_cast<DWORD>(ParseNumber(argv[1]));
    // Data is declared one byte long: the record is followed by the rest
    // of its DWORD.
    unsigned char record[offsetof(POWERBROADCAST_SETTING, Data) + sizeof(DWORD)];
    std::memcpy(record, &notice, offsetof(POWERBROADCAST_SETTING, Data));
    std::memcpy(record + offsetof(POWERBROADCAST_SETTING, Data), &state, sizeof state);
    void* remote = VirtualAllocEx(process, nullptr, sizeof record, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SIZE_T written = 0;
    bool ok = remote && WriteProcessMemory(process, remote, record, sizeof record, &written);
    DWORD_PTR result = 0;
    constexpr UINT kSendTimeoutMs = 10000;
    ok = ok && SendMessageTimeoutW(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                                   reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, kSendTimeoutMs, &result);
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return ok ? kOk : Failure(true, "cannot tell %ls the display's state", argv[0]);
}
