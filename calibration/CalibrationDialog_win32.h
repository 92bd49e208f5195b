// The full-screen calibration window (dialog template IDD_CALIBRATION). Its result is 1
// when all nine targets were taken and 0 when the session ended without.
#pragma once

#include <windows.h>

INT_PTR CALLBACK CalibrationDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Ends the session on the screen, if any, with result 0.
void EndCalibrationSession();
