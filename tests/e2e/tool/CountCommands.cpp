// Counting what a process holds: its handles and its threads, and among
// them the threads that run a given function (the touch worker).
#include "Commands.h"

#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <vector>

namespace {

// NtQueryInformationThread's class for a thread's start address.
constexpr THREADINFOCLASS kThreadStartAddress = static_cast<THREADINFOCLASS>(9);
using QueryThread = NTSTATUS(NTAPI*)(HANDLE, THREADINFOCLASS, PVOID, ULONG, PULONG);
using QuerySystem = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);

FARPROC Ntdll(const char* name) { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name); }

// The process's handle count from the system's process list (Wine answers
// GetProcessHandleCount for the calling process only).
bool HandleCount(DWORD pid, ULONG& count) {
    const auto query =
        reinterpret_cast<QuerySystem>(reinterpret_cast<void*>(Ntdll("NtQuerySystemInformation")));
    if (!query) return false;
    std::vector<unsigned char> buffer(1 << 20);
    ULONG needed = 0;
    while (query(SystemProcessInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed) != 0) {
        if (buffer.size() >= (64u << 20)) return false;
        buffer.resize(buffer.size() * 2);
    }
    for (size_t offset = 0;;) {
        const auto* entry = reinterpret_cast<const SYSTEM_PROCESS_INFORMATION*>(buffer.data() + offset);
        if (reinterpret_cast<uintptr_t>(entry->UniqueProcessId) == pid) {
            count = entry->HandleCount;
            return true;
        }
        if (entry->NextEntryOffset == 0) return false;
        offset += entry->NextEntryOffset;
    }
}

uintptr_t StartAddress(DWORD threadId) {
    static const auto query =
        reinterpret_cast<QueryThread>(reinterpret_cast<void*>(Ntdll("NtQueryInformationThread")));
    HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, threadId);
    if (!thread) return 0;
    uintptr_t address = 0;
    if (!query || query(thread, kThreadStartAddress, &address, sizeof address, nullptr) != 0) address = 0;
    CloseHandle(thread);
    return address;
}

// The ids of the threads of the process `pid`; false when the system gives
// no list.
bool ThreadsOf(DWORD pid, std::vector<DWORD>& ids) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    THREADENTRY32 thread{};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        if (thread.th32OwnerProcessID == pid) ids.push_back(thread.th32ThreadID);
    CloseHandle(snapshot);
    return true;
}

// The start address of RVA in the module of `window`'s process, and that
// process's id.
uintptr_t EntryIn(HWND window, const wchar_t* rva, DWORD& pid) {
    GetWindowThreadProcessId(window, &pid);
    return static_cast<uintptr_t>(GetWindowLongPtrW(window, GWLP_HINSTANCE)) +
           static_cast<uintptr_t>(ParseNumber(rva));
}

// The ids of the threads of SEL's process (argv[0]) that started at RVA
// (argv[1]), in `ids`; kOk, or the failure already said.
int ThreadsStartedAt(wchar_t** argv, std::vector<DWORD>& ids) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    DWORD pid = 0;
    const uintptr_t entry = EntryIn(window, argv[1], pid);
    std::vector<DWORD> all;
    if (!ThreadsOf(pid, all)) return Failure(true, "no thread snapshot");
    for (DWORD id : all)
        if (StartAddress(id) == entry) ids.push_back(id);
    return kOk;
}

// Suspends (or resumes) every thread of the window's process that started
// at RVA and prints how many; a suspension outlives this tool, so a test can
// hold a thread across several commands.
int SuspendOrResumeAt(wchar_t** argv, bool suspend) {
    std::vector<DWORD> ids;
    if (const int status = ThreadsStartedAt(argv, ids); status != kOk) return status;
    int done = 0;
    for (DWORD id : ids) {
        HANDLE thread = OpenThread(THREAD_SUSPEND_RESUME, FALSE, id);
        if (!thread) return Failure(true, "cannot open thread %lu", id);
        const DWORD previous = suspend ? SuspendThread(thread) : ResumeThread(thread);
        CloseHandle(thread);
        if (previous == static_cast<DWORD>(-1)) return Failure(true, "thread %lu refused", id);
        ++done;
    }
    PrintLine(std::to_wstring(done));
    return kOk;
}

}  // namespace

int CmdSuspendAt(wchar_t** argv) { return SuspendOrResumeAt(argv, true); }
int CmdResumeAt(wchar_t** argv) { return SuspendOrResumeAt(argv, false); }

// For the process that owns the window: "handles N", "threads N" and
// "started-at N", the threads whose start address is RVA in its module.
int CmdCounts(wchar_t** argv) {
    HWND window = TargetWindow(argv[0]);
    if (!window) return kFailed;
    DWORD pid = 0;
    const uintptr_t entry = EntryIn(window, argv[1], pid);
    ULONG handles = 0;
    if (!HandleCount(pid, handles)) return Failure(false, "process %lu not in the process list", pid);

    std::vector<DWORD> ids;
    if (!ThreadsOf(pid, ids)) return Failure(true, "no thread snapshot");
    int startedAt = 0;
    for (DWORD id : ids)
        if (StartAddress(id) == entry) ++startedAt;
    PrintLine(L"handles " + std::to_wstring(handles));
    PrintLine(L"threads " + std::to_wstring(ids.size()));
    PrintLine(L"started-at " + std::to_wstring(startedAt));
    return kOk;
}

// The ids of the threads of the window's process that started at RVA, one
// a line (none: no line): tells a replacement worker from the one before.
int CmdThreadsAt(wchar_t** argv) {
    std::vector<DWORD> ids;
    if (const int status = ThreadsStartedAt(argv, ids); status != kOk) return status;
    for (DWORD id : ids) PrintLine(std::to_wstring(id));
    return kOk;
}
