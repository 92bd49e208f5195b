// The drawing test: a full-screen grid on which strokes of the pointer are
// drawn in red. Template 127, opened by the GENERAL dialog.
#pragma once

#include <windows.h>

INT_PTR CALLBACK DrawTestDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
