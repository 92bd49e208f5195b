// The GENERAL dialog: the calibration run, the drawing test and the gesture
// mapping editor. Template 158 (125 and 157 are served too), opened by the
// main window's command 201. The run's steps are in CalibrationSteps_win32.h.
#pragma once

#include <windows.h>

INT_PTR CALLBACK GeneralDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
