#include "device/SystemLibrary_win32.h"

#include "device/WinText_win32.h"

namespace {

// One DLL of the system folder, loaded by its full path. With
// LOAD_WITH_ALTERED_SEARCH_PATH the loader looks for the DLL's own
// dependencies in that folder too, never in the program's. Every Windows
// since XP has the flag; SetDefaultDllDirectories, the other way to keep
// the program's folder out, needs Windows 8 or an update of Vista and 7,
// and XP has none. The module is never freed: its functions serve the
// whole process.
class SystemLibrary {
public:
    SystemLibrary(const wchar_t* fileName, std::string& failure) : failure_(failure) {
        wchar_t folder[MAX_PATH];
        const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
        path_ = length > 0 && length < MAX_PATH ? std::wstring(folder, length) + L"\\" + fileName : fileName;
        if (length > 0 && length < MAX_PATH)
            module_ = LoadLibraryExW(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (!module_) failure_ = "cannot load " + NarrowFromWide(path_, CP_ACP) + ": " + ErrorText(GetLastError());
    }

    // Sets `function` to the DLL's export `name`, or to nullptr with the
    // first missing name in the failure.
    template <class Function>
    void Resolve(const char* name, Function& function) {
        const FARPROC address = module_ ? GetProcAddress(module_, name) : nullptr;
        // Through void(*)(), the generic function pointer type, to the real one.
        function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
        if (!address && failure_.empty()) failure_ = NarrowFromWide(path_, CP_ACP) + " has no function " + name;
    }

private:
    std::string& failure_;
    std::wstring path_;
    HMODULE module_ = nullptr;
};

}  // namespace

const SetupApiFunctions& SetupApi() {
    static const SetupApiFunctions table = [] {
        SetupApiFunctions t{};
        SystemLibrary dll(L"setupapi.dll", t.failure);
        dll.Resolve("SetupDiGetClassDevsW", t.GetClassDevs);
        dll.Resolve("SetupDiEnumDeviceInterfaces", t.EnumDeviceInterfaces);
        dll.Resolve("SetupDiGetDeviceInterfaceDetailW", t.GetDeviceInterfaceDetail);
        dll.Resolve("SetupDiDestroyDeviceInfoList", t.DestroyDeviceInfoList);
        dll.Resolve("SetupDiCreateDeviceInfoList", t.CreateDeviceInfoList);
        dll.Resolve("SetupDiCreateDeviceInfoW", t.CreateDeviceInfo);
        dll.Resolve("SetupDiSetDeviceRegistryPropertyW", t.SetDeviceRegistryProperty);
        dll.Resolve("SetupDiCallClassInstaller", t.CallClassInstaller);
        dll.Resolve("SetupDiEnumDeviceInfo", t.EnumDeviceInfo);
        dll.Resolve("SetupDiGetDeviceInstanceIdW", t.GetDeviceInstanceId);
        return t;
    }();
    return table;
}

const NewDevFunctions& NewDev() {
    static const NewDevFunctions table = [] {
        NewDevFunctions t{};
        SystemLibrary dll(L"newdev.dll", t.failure);
        dll.Resolve("UpdateDriverForPlugAndPlayDevicesW", t.UpdateDriverForPlugAndPlayDevices);
        return t;
    }();
    return table;
}

const WtsApiFunctions& WtsApi() {
    static const WtsApiFunctions table = [] {
        WtsApiFunctions t{};
        SystemLibrary dll(L"wtsapi32.dll", t.failure);
        dll.Resolve("WTSRegisterSessionNotification", t.RegisterSessionNotification);
        dll.Resolve("WTSUnRegisterSessionNotification", t.UnRegisterSessionNotification);
        return t;
    }();
    return table;
}

const ComCtlFunctions& ComCtl() {
    static const ComCtlFunctions table = [] {
        ComCtlFunctions t{};
        SystemLibrary dll(L"comctl32.dll", t.failure);
        dll.Resolve("InitCommonControlsEx", t.InitCommonControlsEx);
        return t;
    }();
    return table;
}
