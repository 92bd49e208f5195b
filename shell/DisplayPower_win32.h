// The display's power as Windows tells a window about it (WM_POWERBROADCAST
// with PBT_POWERSETTINGCHANGE): GUID_CONSOLE_DISPLAY_STATE from Windows 8
// on, GUID_MONITOR_POWER_ON on Vista and 7, nothing on XP. The e2e tool
// uses the same choice to play the notice.
#pragma once

#include <windows.h>

#include <cstdint>

// The setting this Windows notifies, or null (XP).
const GUID* DisplayPowerSetting();
// RegisterPowerSettingNotification, looked up at run time (XP's user32
// lacks it). Windows then sends the current state at once.
void RegisterDisplayPowerNotice(HWND window);
void UnregisterDisplayPowerNotice();
// PBT_POWERSETTINGCHANGE's lParam, a POWERBROADCAST_SETTING: whether it is
// the display's setting with a whole DWORD of data, and that value.
bool ReadDisplayPower(LPARAM lParam, uint32_t& value);
