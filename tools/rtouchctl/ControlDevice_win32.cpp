#include "tools/rtouchctl/ControlDevice_win32.h"

#include "device/DriverChannel.h"
#include "device/DriverChannel_win32.h"
#include "device/WinText_win32.h"
#include "tools/rtouchctl/Cli.h"

namespace {

// The application's device probe with its lookup diagnostics (written
// while the driver is absent) discarded.
bool QuietProbe() {
    const bool shown = ShowLookupDiagnostics(false);
    const bool present = ProbeDriver();
    ShowLookupDiagnostics(shown);
    return present;
}

}  // namespace

std::optional<HANDLE> OpenControlDevice() {
    HANDLE h = CreateFileW(RTOUCHDRV_CONTROL_PATH, GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        UsageError("the substitute driver is not running (cannot open its control device: " +
                   ErrorText(GetLastError()) + ")");
        return std::nullopt;
    }
    return h;
}

bool ControlCommand(HANDLE control, DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen,
                    const char* what) {
    DWORD returned = 0;
    if (DeviceIoControl(control, code, const_cast<void*>(in), inLen, out, outLen, &returned, nullptr))
        return true;
    UsageError(std::string(what) + ": " + ErrorText(GetLastError()));
    return false;
}

std::optional<RTOUCHDRV_STATE> ReadDriverState(HANDLE control) {
    RTOUCHDRV_STATE state{};
    if (!ControlCommand(control, IOCTL_RTOUCHDRV_GET_STATE, nullptr, 0, &state, sizeof state,
                        "cannot read the driver state"))
        return std::nullopt;
    return state;
}

bool WaitForTouchInterface(bool present, DWORD timeoutMs) {
    return PollFor(timeoutMs, [present] { return QuietProbe() == present; });
}
