// The sizes of the system records the program hands to Windows, as a 32-bit
// process sees them. Checked when building for x86, where a header that
// changes with the target version (this build targets Windows XP) would
// otherwise go unnoticed; the 64-bit build has its own, larger sizes.
#include <windows.h>

#include <commdlg.h>
#include <setupapi.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "device/DriverChannel.h"
#include "device/ParameterBlock.h"
#include "shell/Tray_win32.h"

// The same in every build: the driver's records.
static_assert(sizeof(ParameterBlock) == 180);
static_assert(sizeof(ReportBytes) == 12);

#ifndef _WIN64
static_assert(sizeof(TrayIconRecord) == 956);
static_assert(NOTIFYICONDATAW_V2_SIZE == 936);
static_assert(sizeof(SP_DEVICE_INTERFACE_DATA) == 28);
static_assert(sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) == 6);
static_assert(sizeof(OPENFILENAMEW) == 88);
static_assert(sizeof(APPBARDATA) == 36);
static_assert(sizeof(DEVMODEW) == 220);
static_assert(sizeof(OSVERSIONINFOW) == 276);
static_assert(sizeof(DLLVERSIONINFO) == 20);
static_assert(sizeof(ANIMATIONINFO) == 8);
#endif
