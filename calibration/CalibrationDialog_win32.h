// The full-screen calibration window, dialog template 106. Its result is 1
// when all nine targets were taken and 0 when the session ended without.
#pragma once

#include <windows.h>

constexpr int kCalibrationDialogId = 106;

INT_PTR CALLBACK CalibrationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
