#include "device/SystemLibrary_win32.h"

#include <atomic>

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
    SystemLibrary(const wchar_t* file, SystemLibraryStatus& status) : status_(status) {
        status_.file = file;
        wchar_t path[MAX_PATH];
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        const bool fits = length > 0 && length + 1 + lstrlenW(file) < MAX_PATH;
        if (fits) {
            path[length] = L'\\';
            lstrcpyW(path + length + 1, file);
            module_ = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
        if (!module_) status_.loadError = fits ? GetLastError() : ERROR_FILENAME_EXCED_RANGE;
    }

    // Sets `function` to the DLL's export `name`; the first name missing
    // goes into the status.
    template <class Function>
    void Resolve(const char* name, Function& function) {
        const FARPROC address = module_ ? GetProcAddress(module_, name) : nullptr;
        // Through void(*)(), the generic function pointer type, to the real one.
        function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
        if (module_ && !address && !status_.missingFunction) status_.missingFunction = name;
    }

private:
    SystemLibraryStatus& status_;
    HMODULE module_ = nullptr;
};

// The table filled by `load` once. The first caller loads it; one that
// comes meanwhile yields until it is done. Tables and flag are plain
// zero-initialised statics: no guard, no destructor.
template <class Table, void (*load)(Table&)>
const Table& LoadedOnce() {
    enum : int { kNotLoaded, kLoading, kLoaded };
    static Table table;
    static std::atomic<int> state{kNotLoaded};
    int expected = kNotLoaded;
    if (state.compare_exchange_strong(expected, kLoading)) {
        load(table);
        state.store(kLoaded);
    } else {
        while (state.load() != kLoaded) SwitchToThread();
    }
    return table;
}

void LoadSetupApi(SetupApiFunctions& t) {
    SystemLibrary dll(L"setupapi.dll", t.status);
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
}

void LoadNewDev(NewDevFunctions& t) {
    SystemLibrary dll(L"newdev.dll", t.status);
    dll.Resolve("UpdateDriverForPlugAndPlayDevicesW", t.UpdateDriverForPlugAndPlayDevices);
}

void LoadWtsApi(WtsApiFunctions& t) {
    SystemLibrary dll(L"wtsapi32.dll", t.status);
    dll.Resolve("WTSRegisterSessionNotification", t.RegisterSessionNotification);
    dll.Resolve("WTSUnRegisterSessionNotification", t.UnRegisterSessionNotification);
}

void LoadComCtl(ComCtlFunctions& t) {
    SystemLibrary dll(L"comctl32.dll", t.status);
    dll.Resolve("InitCommonControlsEx", t.InitCommonControlsEx);
}

// LOAD_LIBRARY_SEARCH_SYSTEM32, named here: the headers of older SDKs lack it.
constexpr DWORD kSearchSystem32 = 0x00000800;

using SetDefaultDllDirectoriesProc = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryProc = BOOL(WINAPI*)(LPCWSTR);

template <class Function>
Function KernelFunction(const char* name) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (!kernel) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

}  // namespace

void RestrictDllSearch() {
    if (const auto setDefault = KernelFunction<SetDefaultDllDirectoriesProc>("SetDefaultDllDirectories"))
        if (setDefault(kSearchSystem32)) return;
    if (const auto setDirectory = KernelFunction<SetDllDirectoryProc>("SetDllDirectoryW")) setDirectory(L"");
}

std::string FailureText(const SystemLibraryStatus& status) {
    const std::string file = NarrowFromWide(status.file ? status.file : L"", CP_ACP);
    if (status.loadError != 0)
        return "cannot load " + file + " from the system folder: " + ErrorText(status.loadError);
    return status.missingFunction ? file + " has no function " + status.missingFunction : std::string();
}

const SetupApiFunctions& SetupApi() { return LoadedOnce<SetupApiFunctions, LoadSetupApi>(); }
const NewDevFunctions& NewDev() { return LoadedOnce<NewDevFunctions, LoadNewDev>(); }
const WtsApiFunctions& WtsApi() { return LoadedOnce<WtsApiFunctions, LoadWtsApi>(); }
const ComCtlFunctions& ComCtl() { return LoadedOnce<ComCtlFunctions, LoadComCtl>(); }
