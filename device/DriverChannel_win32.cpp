#include "device/DriverChannel_win32.h"

#include <setupapi.h>
#include <cstdio>

extern "C" {
#include <hidsdi.h>
}

#include "device/DriverChannel.h"
#include "device/WinText_win32.h"

namespace {

GUID ToGuid(const InterfaceGuid& g) {
    GUID out;
    out.Data1 = g.Data1;
    out.Data2 = g.Data2;
    out.Data3 = g.Data3;
    for (int i = 0; i < 8; ++i) out.Data4[i] = g.Data4[i];
    return out;
}

// Set by the console tool's commands before any lookup; never changed
// while another thread looks up.
bool DiagnosticsShown = true;

// The diagnostics go to standard output as narrow text; nobody sees them in
// the windowed application, the console tool shows them.
void WriteOut(const char* text) {
    if (!DiagnosticsShown) return;
    std::fputs(text, stdout);
    std::fflush(stdout);
}

void WriteWithText(const char* format, const std::wstring& text) {
    if (!DiagnosticsShown) return;
    std::printf(format, NarrowFromWide(text, CP_ACP).c_str());
    std::fflush(stdout);
}

// The detail query failed: its message with the system's text for the
// last error.
void ReportDetailFailure() {
    WriteWithText("SetupDiGetDeviceInterfaceDetail failed. Error: %s\n", SystemErrorText(GetLastError()));
}

}  // namespace

bool ShowLookupDiagnostics(bool shown) {
    const bool before = DiagnosticsShown;
    DiagnosticsShown = shown;
    return before;
}

InterfacePath FindTouchInterfacePath(const GUID& interfaceClass) {
    HDEVINFO set = SetupDiGetClassDevsW(&interfaceClass, nullptr, nullptr,
                                        DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) {
        WriteOut("SetupDiGetClassDevs failed!\n");
        // Called from the worker and the calibration too: ExitProcess ends
        // the other threads first, so no static destructor runs under the
        // main thread's feet, as std::exit would on this thread.
        ExitProcess(1);
    }

    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!SetupDiEnumDeviceInterfaces(set, nullptr, &interfaceClass, 0, &data)) {
        const std::wstring text = SystemErrorText(GetLastError());
        if (!text.empty()) WriteWithText("Error: %s", text);
        WriteOut("SetupDiEnumDeviceInterfaces failed.\n");
        SetupDiDestroyDeviceInfoList(set);
        return {nullptr, nullptr};
    }

    DWORD RequiredLength = 0;
    const bool sized = SetupDiGetDeviceInterfaceDetailW(set, &data, nullptr, 0, &RequiredLength, nullptr);
    static_assert(ERROR_INSUFFICIENT_BUFFER == kErrorInsufficientBuffer);
    if (!DetailSizeUsable(sized, GetLastError(), RequiredLength, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))) {
        // No size to allocate for: the record's header alone could overrun.
        ReportDetailFailure();
        SetupDiDestroyDeviceInfoList(set);
        return {nullptr, nullptr};
    }

    HLOCAL storage = LocalAlloc(LMEM_FIXED, RequiredLength);
    if (!storage) {
        SetupDiDestroyDeviceInfoList(set);
        WriteOut("Failed to allocate memory.\n");
        return {nullptr, nullptr};
    }
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage);
    // cbSize is the fixed header size, not the buffer size.
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!SetupDiGetDeviceInterfaceDetailW(set, &data, detail, RequiredLength, &RequiredLength,
                                          nullptr)) {
        ReportDetailFailure();
        SetupDiDestroyDeviceInfoList(set);
        LocalFree(storage);
        return {nullptr, nullptr};
    }
    SetupDiDestroyDeviceInfoList(set);
    return {storage, detail->DevicePath};
}

DriverChannel OpenDriverChannel() {
    InterfacePath found = FindTouchInterfacePath(ToGuid(TouchInterfaceGuid));
    if (!found.path) return kInvalidChannel;
    HANDLE channel = CreateFileW(found.path, GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    LocalFree(found.storage);
    return channel;
}

void CloseDriverChannel(DriverChannel channel) { CloseHandle(channel); }

bool ReadTouchReport(DriverChannel channel, ReportBytes& report) {
    DWORD numBytesReturned = 0;
    const bool done = DeviceIoControl(channel, IOCTL_TOUCH_READ_REPORT, nullptr, 0, report,
                                      sizeof report, &numBytesReturned, nullptr) != FALSE;
    // A short report would leave the bytes of the one before in the buffer.
    return done && numBytesReturned == sizeof report;
}

bool SendParametersOn(DriverChannel channel, const ParameterBlock& block) {
    DWORD numBytesReturned = 0;
    return DeviceIoControl(channel, IOCTL_TOUCH_SET_PARAMETERS, const_cast<ParameterBlock*>(&block),
                           sizeof block, nullptr, 0, &numBytesReturned, nullptr) != FALSE;
}

BOOL RegisterHidNotification(HWND window, HDEVNOTIFY* registration) {
    GUID hidGuid;
    HidD_GetHidGuid(&hidGuid);
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = hidGuid;
    HDEVNOTIFY handle = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!handle) return FALSE;
    *registration = handle;
    return TRUE;
}
