#include "device/DriverChannel_win32.h"

#include <cstddef>
#include <cstdio>
#include <cwchar>

// The HID interface class, what HidD_GetHidGuid returns: defined here, so
// that hid.dll need not be loaded for one constant.
#include <initguid.h>
// After initguid.h, which makes its DEFINE_GUID a definition.
#include <hidclass.h>

#include "device/DriverChannel.h"
#include "device/SystemLibrary_win32.h"
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
    const SetupApiFunctions& setup = SetupApi();
    // Without setupapi.dll there is no device information set either.
    if (!setup.status.ok()) WriteOut((FailureText(setup.status) + "\n").c_str());
    HDEVINFO set = setup.status.ok() ? setup.GetClassDevs(&interfaceClass, nullptr, nullptr,
                                                          DIGCF_PRESENT | DIGCF_DEVICEINTERFACE)
                                     : INVALID_HANDLE_VALUE;
    if (set == INVALID_HANDLE_VALUE) {
        WriteOut("SetupDiGetClassDevs failed!\n");
        // Called from the worker and the calibration too: ExitProcess ends
        // the other threads first, so no static destructor runs under the
        // main thread's feet, as std::exit would on this thread.
        ExitProcess(1);
    }

    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof data;
    if (!setup.EnumDeviceInterfaces(set, nullptr, &interfaceClass, 0, &data)) {
        const std::wstring text = SystemErrorText(GetLastError());
        if (!text.empty()) WriteWithText("Error: %s", text);
        WriteOut("SetupDiEnumDeviceInterfaces failed.\n");
        setup.DestroyDeviceInfoList(set);
        return {nullptr, nullptr};
    }

    DWORD RequiredLength = 0;
    const bool sized = setup.GetDeviceInterfaceDetail(set, &data, nullptr, 0, &RequiredLength, nullptr);
    static_assert(ERROR_INSUFFICIENT_BUFFER == kErrorInsufficientBuffer);
    if (!DetailSizeUsable(sized, GetLastError(), RequiredLength, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W))) {
        // No size to allocate for: the record's header alone could overrun.
        ReportDetailFailure();
        setup.DestroyDeviceInfoList(set);
        return {nullptr, nullptr};
    }

    HLOCAL storage = LocalAlloc(LMEM_FIXED, RequiredLength);
    if (!storage) {
        setup.DestroyDeviceInfoList(set);
        WriteOut("Failed to allocate memory.\n");
        return {nullptr, nullptr};
    }
    auto* detail = static_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(storage);
    // cbSize is the fixed header size, not the buffer size.
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
    if (!setup.GetDeviceInterfaceDetail(set, &data, detail, RequiredLength, &RequiredLength, nullptr)) {
        ReportDetailFailure();
        setup.DestroyDeviceInfoList(set);
        LocalFree(storage);
        return {nullptr, nullptr};
    }
    setup.DestroyDeviceInfoList(set);
    return {storage, detail->DevicePath};
}

namespace {

// The interface path of the channel this thread opened last.
thread_local std::wstring OpenedPath;

// The path of the worker's channel, which a removal notice must name to make
// that channel dead; written on the worker's thread, read on the main one.
struct WorkerPathRecord {
    CRITICAL_SECTION lock;
    std::wstring path;
    WorkerPathRecord() { InitializeCriticalSection(&lock); }
};

WorkerPathRecord& WorkerPath() {
    static WorkerPathRecord record;
    return record;
}

HANDLE OpenFoundChannel(std::wstring* path) {
    InterfacePath found = FindTouchInterfacePath(ToGuid(TouchInterfaceGuid));
    OpenedPath.clear();
    if (!found.path) return kInvalidChannel;
    if (path) *path = found.path;
    OpenedPath = found.path;
    HANDLE channel = CreateFileW(found.path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    LocalFree(found.storage);
    return channel;
}

}  // namespace

DriverChannel OpenDriverChannel() { return OpenFoundChannel(nullptr); }

HANDLE OpenDriverChannelAt(std::wstring& path) {
    path.clear();
    return OpenFoundChannel(&path);
}

void CloseDriverChannel(DriverChannel channel) { CloseHandle(channel); }

bool ReadTouchReport(DriverChannel channel, ReportBytes& report) {
    DWORD numBytesReturned = 0;
    const bool done = DeviceIoControl(channel, IOCTL_TOUCH_READ_REPORT, nullptr, 0, report, sizeof report,
                                      &numBytesReturned, nullptr) != FALSE;
    // A short report would leave the bytes of the one before in the buffer.
    return done && numBytesReturned == sizeof report;
}

bool SendParametersOn(DriverChannel channel, const ParameterBlock& block) {
    DWORD numBytesReturned = 0;
    return DeviceIoControl(channel, IOCTL_TOUCH_SET_PARAMETERS, const_cast<ParameterBlock*>(&block),
                           sizeof block, nullptr, 0, &numBytesReturned, nullptr) != FALSE;
}

namespace {

BOOL RegisterInterfaceNotification(HWND window, const GUID& interfaceClass, HDEVNOTIFY* registration) {
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = interfaceClass;
    HDEVNOTIFY handle = RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
    if (!handle) return FALSE;
    *registration = handle;
    return TRUE;
}

}  // namespace

BOOL RegisterHidNotification(HWND window, HDEVNOTIFY* registration) {
    return RegisterInterfaceNotification(window, GUID_DEVINTERFACE_HID, registration);
}

BOOL RegisterTouchInterfaceNotification(HWND window, HDEVNOTIFY* registration) {
    return RegisterInterfaceNotification(window, ToGuid(TouchInterfaceGuid), registration);
}

void NoteWorkerChannelPath() {
    WorkerPathRecord& record = WorkerPath();
    EnterCriticalSection(&record.lock);
    record.path = OpenedPath;
    LeaveCriticalSection(&record.lock);
}

bool IsTouchInterfaceNotice(const DEV_BROADCAST_HDR* header) {
    if (!header || header->dbch_devicetype != DBT_DEVTYP_DEVICEINTERFACE ||
        header->dbch_size < sizeof(DEV_BROADCAST_DEVICEINTERFACE_W))
        return false;
    const auto* record = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(header);
    if (!IsEqualGUID(record->dbcc_classguid, ToGuid(TouchInterfaceGuid))) return false;
    // The name runs to the record's end; one that is not ended inside it
    // names no path this program opened.
    const size_t nameChars =
        (header->dbch_size - offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) / sizeof(wchar_t);
    const std::wstring name(record->dbcc_name, wcsnlen(record->dbcc_name, nameChars));
    if (name.size() == nameChars) return false;
    WorkerPathRecord& worker = WorkerPath();
    EnterCriticalSection(&worker.lock);
    // Paths differ in case between the lookup and the notices.
    const bool named = worker.path.empty() || lstrcmpiW(worker.path.c_str(), name.c_str()) == 0;
    LeaveCriticalSection(&worker.lock);
    return named;
}
