// The substitute driver's control device, which answers the private
// command codes of driver/TestCodes.h. Windows build only.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "driver/TestCodes.h"

// Opens \\.\RtouchDrvControl; on failure prints one line on standard error
// ("the substitute driver is not running ...") and returns nullopt.
std::optional<HANDLE> OpenControlDevice();

// One private command on the control device. On failure prints
// "rtouchctl: <what>: <system text>" on standard error and returns false.
bool ControlCommand(HANDLE control, DWORD code, const void* in, DWORD inLen, void* out, DWORD outLen,
                    const char* what);

// The driver's state record, or nullopt (with the error printed).
std::optional<RTOUCHDRV_STATE> ReadDriverState(HANDLE control);

constexpr DWORD kPollIntervalMs = 50;

// Asks `reached` every kPollIntervalMs until it answers true, for at most
// `timeoutMs`; returns whether it did.
template <typename Reached>
bool PollFor(DWORD timeoutMs, Reached reached) {
    DWORD start = GetTickCount();
    for (;;) {
        if (reached()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollIntervalMs);
    }
}

// Polls until the touch interface is usable (present) or gone (absent),
// quietly, for at most `timeoutMs`. Returns whether that state was reached.
bool WaitForTouchInterface(bool present, DWORD timeoutMs);
