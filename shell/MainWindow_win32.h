// The application's single top-level window: hidden behind the tray icon,
// it starts and stops the touch engine and follows device and display
// changes.
#pragma once

#include <windows.h>

// The single-instance identity is this class with the title string 255.
inline constexpr wchar_t kMainClassName[] = L"ZRN_RTouch";
inline constexpr DWORD kMainWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
inline constexpr int kMainWindowWidth = 420;
inline constexpr int kMainWindowHeight = 200;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
