// Functions of the system DLLs that are not among Windows' known DLLs,
// taken from the system folder only. Imported, or loaded by bare name, such
// a DLL is looked for in the program's folder first, where a DLL of the same
// name left by anyone who can write there (a Downloads folder holding the
// portable zip's programs) would run inside the program: elevated, for
// rtouchctl install.
//
// Each table is loaded on first use, by whichever thread comes first, and
// kept for the life of the process. No pointer of a table may be called
// unless its status is ok().
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <newdev.h>
#include <setupapi.h>
#include <wtsapi32.h>

#include <string>

// First thing at a program's start: a DLL loaded by bare name later (by the
// program or inside a system DLL: setupapi, comdlg32, shell32) is no longer
// looked for in the program's folder or the current one. The system folder
// only, where Windows can do that (SetDefaultDllDirectories: 8, or Vista and
// 7 with their loader update); else the program's folder stays first but the
// current folder goes (SetDllDirectoryW with an empty string: XP SP1 on).
// Both are looked up at run time, so the programs still start where they
// are missing.
void RestrictDllSearch();

struct SystemLibraryStatus {
    const wchar_t* file;          // the DLL's file name
    DWORD loadError;              // why it could not be loaded; 0 once loaded
    const char* missingFunction;  // the first function it lacks, or nullptr
    bool ok() const { return loadError == 0 && !missingFunction; }
};

// What is missing, for the user: "cannot load newdev.dll from the system
// folder: ..." or "setupapi.dll has no function ...".
std::string FailureText(const SystemLibraryStatus& status);

struct SetupApiFunctions {
    SystemLibraryStatus status;
    decltype(&SetupDiGetClassDevsW) GetClassDevs;
    decltype(&SetupDiEnumDeviceInterfaces) EnumDeviceInterfaces;
    decltype(&SetupDiGetDeviceInterfaceDetailW) GetDeviceInterfaceDetail;
    decltype(&SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList;
    decltype(&SetupDiCreateDeviceInfoList) CreateDeviceInfoList;
    decltype(&SetupDiCreateDeviceInfoW) CreateDeviceInfo;
    decltype(&SetupDiSetDeviceRegistryPropertyW) SetDeviceRegistryProperty;
    decltype(&SetupDiCallClassInstaller) CallClassInstaller;
    decltype(&SetupDiEnumDeviceInfo) EnumDeviceInfo;
    decltype(&SetupDiGetDeviceInstanceIdW) GetDeviceInstanceId;
};
const SetupApiFunctions& SetupApi();

struct NewDevFunctions {
    SystemLibraryStatus status;
    decltype(&UpdateDriverForPlugAndPlayDevicesW) UpdateDriverForPlugAndPlayDevices;
};
const NewDevFunctions& NewDev();

struct WtsApiFunctions {
    SystemLibraryStatus status;
    decltype(&WTSRegisterSessionNotification) RegisterSessionNotification;
    decltype(&WTSUnRegisterSessionNotification) UnRegisterSessionNotification;
};
const WtsApiFunctions& WtsApi();

struct ComCtlFunctions {
    SystemLibraryStatus status;
    decltype(&InitCommonControlsEx) InitCommonControlsEx;
};
const ComCtlFunctions& ComCtl();
