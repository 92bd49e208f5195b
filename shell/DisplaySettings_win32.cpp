#include "shell/DisplaySettings_win32.h"

bool ReadDisplayOrientation(DWORD& orientation) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return false;
    orientation = mode.dmDisplayOrientation;
    return true;
}
