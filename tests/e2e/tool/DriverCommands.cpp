// The substitute driver's control device, from the tool: what a test needs
// faster or finer than one rtouchctl start per command.
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "Commands.h"
#include "device/DriverChannel_win32.h"
#include "device/DriverCodes.h"
#include "driver/TestCodes.h"
#include "shell/resources/resource.h"

namespace {

constexpr DWORD kPollMs = 1;

HANDLE OpenControl() {
    return CreateFileW(RTOUCHDRV_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
}

bool Control(HANDLE device, DWORD code, const void* in = nullptr, DWORD inLen = 0) {
    DWORD returned = 0;
    return DeviceIoControl(device, code, const_cast<void*>(in), inLen, nullptr, 0, &returned, nullptr) != 0;
}

// Sends a private code with one 32-bit value.
int ControlValue(DWORD code, const wchar_t* text, const char* what) {
    const auto value = static_cast<uint32_t>(ParseNumber(text));
    HANDLE device = OpenControl();
    if (device == INVALID_HANDLE_VALUE) return Failure(true, "cannot open the control device");
    const bool ok = Control(device, code, &value, sizeof value);
    CloseHandle(device);
    return ok ? kOk : Failure(true, "the driver refused %s %u", what, value);
}

// Polls, every millisecond, until the main window's General button is
// enabled (or disabled): the sign that it has handled the device notice.
bool WaitGeneral(bool enabled, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        HWND main = ResolveWindow(L"main");
        HWND button = main ? GetDlgItem(main, IDC_MAIN_GENERAL) : nullptr;
        if (button && (IsWindowEnabled(button) != FALSE) == enabled) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(kPollMs);
    }
}

bool ReadState(HANDLE device, RTOUCHDRV_STATE& state) {
    DWORD returned = 0;
    return DeviceIoControl(device, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &state, sizeof state, &returned,
                           nullptr) != 0;
}

// One snapshot as "key value" pairs: the keys of `rtouchctl driver-state`
// and the pacing as the driver timed it.
std::vector<std::pair<std::wstring, std::wstring>> StateFields(const RTOUCHDRV_STATE& state) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring block;
    for (uint8_t b : state.LastBlock) {
        block.push_back(digits[b >> 4]);
        block.push_back(digits[b & 0xF]);
    }
    return {{L"block", block},
            {L"sends", std::to_wstring(state.SendCount)},
            {L"queue", std::to_wstring(state.QueueLength)},
            {L"rate", std::to_wstring(state.ReportsPerSecond)},
            {L"plugged", std::to_wstring(state.Plugged)},
            {L"waiting", std::to_wstring(state.WaitingReads)},
            {L"taken", std::to_wstring(state.Taken)},
            {L"taken-span-us", std::to_wstring(state.LastTakenUs - state.FirstTakenUs)}};
}

std::wstring FieldOf(const RTOUCHDRV_STATE& state, const wchar_t* name) {
    for (const auto& [key, value] : StateFields(state))
        if (key == name) return value;
    return L"";
}

// Whether a field's value meets VALUE: equal, or for ">=N" a number of at
// least N.
bool Meets(const std::wstring& value, const wchar_t* want) {
    if (std::wcsncmp(want, L">=", 2) != 0) return value == want;
    return !value.empty() && std::wcstoll(value.c_str(), nullptr, 10) >= ParseNumber(want + 2);
}

}  // namespace

// Prints the driver's state, every field from one snapshot, one
// "key value" line each.
int CmdDriverState(wchar_t**) {
    HANDLE device = OpenControl();
    if (device == INVALID_HANDLE_VALUE) return Failure(true, "cannot open the control device");
    RTOUCHDRV_STATE state{};
    const bool ok = ReadState(device, state);
    CloseHandle(device);
    if (!ok) return Failure(true, "cannot read the driver state");
    for (const auto& [key, value] : StateFields(state)) PrintLine(key + L" " + value);
    return kOk;
}

// Waits up to MS until field FIELD of the driver's state (a key of
// driver-state) reads VALUE (or, as ">=N", at least N); on failure says
// what it read last.
int CmdWaitDriver(wchar_t** argv) {
    HANDLE device = OpenControl();
    if (device == INVALID_HANDLE_VALUE) return Failure(true, "cannot open the control device");
    RTOUCHDRV_STATE state{};
    if (!ReadState(device, state) || FieldOf(state, argv[0]).empty()) {
        CloseHandle(device);
        return Failure(true, "no driver state field %ls", argv[0]);
    }
    const bool ok = PollUntil(ParseNumber(argv[2]), [&] {
        return ReadState(device, state) && Meets(FieldOf(state, argv[0]), argv[1]);
    });
    CloseHandle(device);
    if (!ok)
        return Failure(false, "driver %ls stayed %ls, expected %ls", argv[0], FieldOf(state, argv[0]).c_str(),
                       argv[1]);
    return kOk;
}

// Holds (1) or releases (0) the driver's reads: a held read waits until a
// report is due, however long; the release ends every waiting read.
int CmdHoldReads(wchar_t** argv) { return ControlValue(IOCTL_RTOUCHDRV_HOLD_READS, argv[0], "hold-reads"); }

// Unplugs and replugs the touch interface COUNT times; each half waits up to
// MS until the application shows it (General disabled, then enabled).
// Prints the time taken.
int CmdPlugCycles(wchar_t** argv) {
    const long long count = ParseNumber(argv[0]);
    const DWORD timeoutMs = static_cast<DWORD>(ParseNumber(argv[1]));
    HANDLE device = OpenControl();
    if (device == INVALID_HANDLE_VALUE) return Failure(true, "cannot open the control device");
    const ULONGLONG start = GetTickCount64();
    for (long long i = 0; i < count; ++i) {
        const char* step = !Control(device, IOCTL_RTOUCHDRV_UNPLUG) ? "the unplug was refused"
                           : !WaitGeneral(false, timeoutMs)         ? "General stayed enabled"
                           : !Control(device, IOCTL_RTOUCHDRV_PLUG) ? "the plug was refused"
                           : !WaitGeneral(true, timeoutMs)          ? "General stayed disabled"
                                                                    : nullptr;
        if (step) {
            CloseHandle(device);
            return Failure(false, "cycle %lld: %s", i, step);
        }
    }
    CloseHandle(device);
    PrintLine(std::to_wstring(count) + L" cycles in " + std::to_wstring(GetTickCount64() - start) + L" ms");
    return kOk;
}

// Unplugs and at once replugs the touch interface COUNT times while the
// main window's thread is suspended: when it runs again every device notice
// it handles finds the device present, as when a device goes and comes back
// faster than the application can look.
int CmdPlugBounce(wchar_t** argv) {
    const long long count = ParseNumber(argv[0]);
    HWND main = ResolveWindow(L"main");
    const DWORD threadId = main ? GetWindowThreadProcessId(main, nullptr) : 0;
    HANDLE thread = threadId ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId) : nullptr;
    if (!thread)
        return Failure(true, "cannot open the main window's thread (window %ls)", HandleText(main).c_str());
    HANDLE device = OpenControl();
    if (device == INVALID_HANDLE_VALUE) Failure(true, "cannot open the control device");
    bool ok = device != INVALID_HANDLE_VALUE && SuspendThread(thread) != static_cast<DWORD>(-1);
    if (ok) {
        for (long long i = 0; ok && i < count; ++i)
            ok = Control(device, IOCTL_RTOUCHDRV_UNPLUG) && Control(device, IOCTL_RTOUCHDRV_PLUG);
        ResumeThread(thread);
    }
    if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
    CloseHandle(thread);
    return ok ? kOk : Failure(true, "a bounce was refused");
}

// Sets how long the driver's reads wait for a report (milliseconds; 0 fails
// a read with none due at once).
int CmdReadWait(wchar_t** argv) { return ControlValue(IOCTL_RTOUCHDRV_SET_READ_WAIT, argv[0], "read-wait"); }

// Prints the touch interface's path as the device lookup finds it; its
// middle part names the device instance (root#rtouchdrv#0000), so a test
// reads the instance from here instead of guessing its number.
int CmdTouchPath(wchar_t**) {
    GUID guid;
    std::memcpy(&guid, &TouchInterfaceGuid, sizeof guid);
    InterfacePath found = FindTouchInterfacePath(guid);
    if (!found.path) return Failure(true, "no touch interface found");
    PrintLine(found.path);
    LocalFree(found.storage);
    return kOk;
}
