// The tray icon and the caption animations between the main window and the
// notification area.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>

// The icon's identity: id 1 of the main window, notifications as WM_USER.
inline constexpr UINT kTrayIconId = 1;
inline constexpr UINT kTrayCallbackMessage = WM_USER;

// The full NOTIFYICONDATAW of shell 6 (ending in hBalloonIcon). Headers
// that target Windows XP end the record at guidItem; the last member is
// added here so that every build hands the shell the same record.
#if NTDDI_VERSION >= 0x06000000
using TrayIconRecord = NOTIFYICONDATAW;
#else
struct TrayIconRecord : NOTIFYICONDATAW {
    HICON hBalloonIcon;
};
#endif

// Filled once by AddTrayIcon and kept for the whole run; the main window
// deletes the icon with it at shutdown.
extern TrayIconRecord TrayIconData;

// Puts the icon (small icon, tip string 258) into the tray. Returns 1.
int AddTrayIcon(HWND window);

// A library's DllGetVersion as (major << 48) | (minor << 32); 0 when it
// cannot be read.
uint64_t GetShellVersion(const wchar_t* libraryName);

// The record size the shell understands: the full record from shell
// version 5.0 on, otherwise the record without its last two members.
DWORD TrayIconDataSize(uint64_t shellVersion);

// Hides the window into the tray, with the caption animation if enabled.
void MinimizeToTray(HWND window);
// Animates from the tray (if enabled), shows, activates and raises it.
void RestoreFromTray(HWND window);

// The screen rectangle of the tray area, or a best guess of it.
void GetTrayRect(RECT* rect);

// True when the system's minimize/restore animation is on.
bool MinAnimateOn();
