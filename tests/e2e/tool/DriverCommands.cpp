// The substitute driver's control device, from the tool: what a test needs
// faster or finer than one rtouchctl start per command.
#include <cstdint>

#include "Commands.h"
#include "driver/TestCodes.h"
#include "shell/resources/resource.h"

namespace {

constexpr DWORD kPollMs = 1;

HANDLE OpenControl() {
    return CreateFileW(RTOUCHDRV_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

bool Control(HANDLE device, DWORD code, const void* in = nullptr, DWORD inLen = 0) {
    DWORD returned = 0;
    return DeviceIoControl(device, code, const_cast<void*>(in), inLen, nullptr, 0, &returned, nullptr) != 0;
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

}  // namespace

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
        if (!Control(device, IOCTL_RTOUCHDRV_UNPLUG) || !WaitGeneral(false, timeoutMs) ||
            !Control(device, IOCTL_RTOUCHDRV_PLUG) || !WaitGeneral(true, timeoutMs)) {
            PrintLine(L"cycle " + std::to_wstring(i) + L" failed");
            CloseHandle(device);
            return kFailed;
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
    if (!thread) return kFailed;
    HANDLE device = OpenControl();
    bool ok = device != INVALID_HANDLE_VALUE && SuspendThread(thread) != static_cast<DWORD>(-1);
    if (ok) {
        for (long long i = 0; ok && i < count; ++i)
            ok = Control(device, IOCTL_RTOUCHDRV_UNPLUG) && Control(device, IOCTL_RTOUCHDRV_PLUG);
        ResumeThread(thread);
    }
    if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
    CloseHandle(thread);
    return ok ? kOk : kFailed;
}

// Sets how long the driver's reads wait for a report (milliseconds; 0 fails
// a read with none due at once).
int CmdReadWait(wchar_t** argv) {
    const auto milliseconds = static_cast<uint32_t>(ParseNumber(argv[0]));
    HANDLE device = OpenControl();
    if (device == INVALID_HANDLE_VALUE) return Failure(true, "cannot open the control device");
    const bool ok = Control(device, IOCTL_RTOUCHDRV_SET_READ_WAIT, &milliseconds, sizeof milliseconds);
    CloseHandle(device);
    return ok ? kOk : Failure(true, "the driver refused the read wait");
}
