// The gesture mapping dialog: edits the live gesture map, loads and saves
// mapping files. Template 122 with menu 120, opened by the GENERAL dialog.
#pragma once

#include <windows.h>

#include <cstdint>

// The gesture shown in the gesture box; kept between openings so the dialog
// reopens on the last gesture shown.
extern uint16_t CurGesture;

INT_PTR CALLBACK GestureMapDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
