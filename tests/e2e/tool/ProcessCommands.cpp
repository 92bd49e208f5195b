// Looking inside the application's process, and stand-in windows.
#include "Commands.h"

#include <tlhelp32.h>

#include <cstdint>
#include <string>

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
