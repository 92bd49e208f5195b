// The parameters dialog: six sliders over fields of the live parameter
// block. Template 128, opened by the main window's command 202.
#pragma once

#include <windows.h>

INT_PTR CALLBACK ParametersDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
