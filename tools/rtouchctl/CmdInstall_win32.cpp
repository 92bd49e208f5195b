// rtouchctl install / uninstall: the substitute driver as a root-enumerated
// device, installed from its .inf through SetupAPI.
#include <windows.h>

#include <cfgmgr32.h>

#include <cstdio>
#include <string>

#include "device/SystemLibrary_win32.h"
#include "device/WinText_win32.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/ControlDevice_win32.h"

namespace {

// A cold start of the driver host takes a few seconds.
constexpr DWORD kInstallTimeoutMs = 30000;
constexpr DWORD kRemoveTimeoutMs = 10000;

// The device node starts without a class; the .inf gives it one.
const GUID kNoClass{};

const char kInstallUsage[] = "rtouchctl install [INF]";
const char kUninstallUsage[] = "rtouchctl uninstall";

int Failed(const std::string& what) { return UsageError(what + ": " + ErrorText(GetLastError())); }

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The .inf of the build: driver\rtouchdrv.inf beside rtouchctl.exe, or
// rtouchdrv.inf right beside it.
std::wstring DefaultInfPath() {
    wchar_t exe[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dir(exe, n);
    dir.erase(dir.find_last_of(L"\\/") + 1);
    std::wstring inBuildDir = dir + L"driver\\" + RTOUCHDRV_INF_NAME;
    return FileExists(inBuildDir) ? inBuildDir : dir + RTOUCHDRV_INF_NAME;
}

std::wstring FullPath(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    DWORD n = GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return n > 0 && n < MAX_PATH ? std::wstring(full, n) : path;
}

// Creates the device node ROOT\RTOUCHDRV\0000 with the driver's hardware id
// unless it exists already.
int RegisterDevice() {
    const SetupApiFunctions& setup = SetupApi();
    HDEVINFO set = setup.CreateDeviceInfoList(nullptr, nullptr);
    if (set == INVALID_HANDLE_VALUE) return Failed("cannot create a device information set");
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    int status = kExitOk;
    if (!setup.CreateDeviceInfo(set, RTOUCHDRV_INSTANCE_ID, &kNoClass, nullptr, nullptr, 0, &device)) {
        if (GetLastError() != ERROR_DEVINST_ALREADY_EXISTS) status = Failed("cannot create the device node");
    } else {
        // A multi-string: the id and an empty string.
        static const wchar_t kHardwareIds[] = RTOUCHDRV_HARDWARE_ID L"\0";
        if (!setup.SetDeviceRegistryProperty(set, &device, SPDRP_HARDWAREID,
                                             reinterpret_cast<const BYTE*>(kHardwareIds),
                                             sizeof kHardwareIds))
            status = Failed("cannot set the hardware id");
        else if (!setup.CallClassInstaller(DIF_REGISTERDEVICE, set, &device))
            status = Failed("cannot register the device node");
    }
    setup.DestroyDeviceInfoList(set);
    return status;
}

// Removes the device node; returns whether there was one.
bool RemoveDevice(int& status) {
    const SetupApiFunctions& setup = SetupApi();
    HDEVINFO set = setup.GetClassDevs(nullptr, L"ROOT", nullptr, DIGCF_ALLCLASSES);
    if (set == INVALID_HANDLE_VALUE) {
        status = Failed("cannot list the root devices");
        return false;
    }
    bool found = false;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; setup.EnumDeviceInfo(set, i, &device); ++i) {
        wchar_t id[MAX_DEVICE_ID_LEN];
        if (!setup.GetDeviceInstanceId(set, &device, id, MAX_DEVICE_ID_LEN, nullptr)) continue;
        if (lstrcmpiW(id, RTOUCHDRV_INSTANCE_ID) != 0) continue;
        found = true;
        if (!setup.CallClassInstaller(DIF_REMOVE, set, &device))
            status = Failed("cannot remove the device node");
        break;
    }
    setup.DestroyDeviceInfoList(set);
    return found;
}

// Whether the service has stopped (or is gone).
bool ServiceStopped(SC_HANDLE service) {
    SERVICE_STATUS state;
    return !QueryServiceStatus(service, &state) || state.dwCurrentState == SERVICE_STOPPED;
}

// Whether the service manager no longer knows the service: only then can an
// install create it afresh and load a new instance of the driver.
bool ServiceGone(SC_HANDLE manager) {
    SC_HANDLE service = OpenServiceW(manager, RTOUCHDRV_SERVICE_NAME, SERVICE_QUERY_STATUS);
    if (!service) return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    CloseServiceHandle(service);
    return false;
}

// Stops and deletes the kernel service and waits until both are done: a stop
// is asynchronous, and a service stopping or marked for deletion makes an
// install right after it keep the old driver, whose device never starts.
// Returns whether there was a service.
bool DeleteDriverService(int& status) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        status = Failed("cannot open the service manager");
        return false;
    }
    SC_HANDLE service =
        OpenServiceW(manager, RTOUCHDRV_SERVICE_NAME, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    bool found = service != nullptr;
    if (service) {
        SERVICE_STATUS ignored;
        ControlService(service, SERVICE_CONTROL_STOP, &ignored);  // may be stopped already
        if (!PollFor(kRemoveTimeoutMs, [service] { return ServiceStopped(service); }))
            status = UsageError("the driver service did not stop");
        else if (!DeleteService(service) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
            status = Failed("cannot delete the driver service");
        CloseServiceHandle(service);
        if (status == kExitOk && !PollFor(kRemoveTimeoutMs, [manager] { return ServiceGone(manager); }))
            status = UsageError("the driver service is marked for deletion but still there");
    }
    CloseServiceHandle(manager);
    return found;
}

// setupapi.dll, and newdev.dll for an install, with every function used:
// what is missing is reported before anything changes.
int CheckSystemLibraries(bool installing) {
    const SystemLibraryStatus& status =
        SetupApi().status.ok() && installing ? NewDev().status : SetupApi().status;
    return status.ok() ? kExitOk : UsageError(FailureText(status));
}

}  // namespace

int CmdInstall(const Args& args) {
    auto options = ParseOptions(args, 2, {}, 1, kInstallUsage);
    if (!options) return kExitUsage;
    std::wstring inf =
        FullPath(options->positional.empty() ? DefaultInfPath() : WideFromUtf8(options->positional[0]));
    if (!FileExists(inf)) {
        std::string shown(options->positional.empty() ? "rtouchdrv.inf" : options->positional[0]);
        return UsageError("cannot read driver file '" + shown + "'", kInstallUsage);
    }
    if (int status = CheckSystemLibraries(true); status != kExitOk) return status;
    if (int status = RegisterDevice(); status != kExitOk) return status;
    BOOL rebootRequired = FALSE;
    if (!NewDev().UpdateDriverForPlugAndPlayDevices(nullptr, RTOUCHDRV_HARDWARE_ID, inf.c_str(),
                                                    INSTALLFLAG_FORCE, &rebootRequired))
        return Failed("cannot install the driver");
    if (!WaitForTouchInterface(true, kInstallTimeoutMs))
        return UsageError(
            "the driver was installed but its touch interface did not appear; if Wine is still "
            "starting (right after wineboot), wait for it with 'wineserver -w' and run install "
            "again, else uninstall and install");
    std::printf("installed\n");
    return kExitOk;
}

int CmdUninstall(const Args& args) {
    if (!ParseOptions(args, 2, {}, 0, kUninstallUsage)) return kExitUsage;
    if (int status = CheckSystemLibraries(false); status != kExitOk) return status;
    int status = kExitOk;
    bool hadDevice = RemoveDevice(status);
    if (status != kExitOk) return status;
    bool hadService = DeleteDriverService(status);
    if (status != kExitOk) return status;
    if (!WaitForTouchInterface(false, kRemoveTimeoutMs))
        return UsageError("the driver was removed but its touch interface is still there");
    std::printf("%s\n", hadDevice || hadService ? "uninstalled" : "not installed");
    return kExitOk;
}
