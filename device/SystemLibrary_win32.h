// Functions of the system DLLs that are not among Windows' known DLLs,
// taken from the system folder only. Imported, or loaded by bare name, such
// a DLL is looked for in the program's folder first, where a DLL of the same
// name left by anyone who can write there (a Downloads folder holding the
// portable zip's programs) would run inside the program: elevated, for
// rtouchctl install.
//
// Each table is loaded on first use and kept for the life of the process.
// Its `failure` is empty when the DLL and every function were found;
// otherwise it says what is missing, and no pointer of the table may be
// called.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <newdev.h>
#include <setupapi.h>
#include <wtsapi32.h>

#include <string>

struct SetupApiFunctions {
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
    std::string failure;
};
const SetupApiFunctions& SetupApi();

struct NewDevFunctions {
    decltype(&UpdateDriverForPlugAndPlayDevicesW) UpdateDriverForPlugAndPlayDevices;
    std::string failure;
};
const NewDevFunctions& NewDev();

struct WtsApiFunctions {
    decltype(&WTSRegisterSessionNotification) RegisterSessionNotification;
    decltype(&WTSUnRegisterSessionNotification) UnRegisterSessionNotification;
    std::string failure;
};
const WtsApiFunctions& WtsApi();

struct ComCtlFunctions {
    decltype(&InitCommonControlsEx) InitCommonControlsEx;
    std::string failure;
};
const ComCtlFunctions& ComCtl();
