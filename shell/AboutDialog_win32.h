// The about box: template 102, opened by the main window's About button.
#pragma once

#include <windows.h>

// The product line, the version and two lines of notice, separated by
// single line feeds; it replaces the template's own text.
extern const wchar_t kAboutText[];

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
