// The main window's child controls: the General and About buttons and the
// status line, made at creation and changed by what the lifecycle decides.
#pragma once

#include <windows.h>

void CreateMainControls(HWND window, HINSTANCE instance);
// The status line: string 256 (attached) or 257 (detached).
void ShowDeviceStatus(bool attached);
void EnableGeneralButton(bool enabled);
