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

// The main window's timer that retries an add the shell refused at start.
inline constexpr UINT_PTR kTrayRetryTimer = 2;

// Filled once by AddTrayIcon and kept for the whole run, with the record
// size the shell accepted; every later call on the icon uses it.
extern TrayIconRecord TrayIconData;
// The registered message "TaskbarCreated" (0 if it could not be registered).
extern UINT TaskbarCreatedMessage;

// Puts the icon (small icon, tip string 258) into the tray. When the shell
// refuses every record size, kTrayRetryTimer tries again.
void AddTrayIcon(HWND window);
// kTrayRetryTimer's tick: adds the icon, stops once it is there or after
// two minutes.
void OnTrayRetryTimer(HWND window);
// A shell announced itself: the icon again, with the same record, added
// first; where the icon is still there, a modify confirms it. An add it
// refuses otherwise is retried as at start (kTrayRetryTimer).
void OnTaskbarCreated();
// Close or the session's end was seen: no add from here on (announcement or
// retry), and the retry timer stops. The icon already there stays until
// DeleteTrayIcon.
void RetireTrayIcon(HWND window);
// Takes the icon out of the tray at shutdown, retired first.
void DeleteTrayIcon();

// A library's DllGetVersion as (major << 48) | (minor << 32); 0 when it
// cannot be read.
uint64_t GetShellVersion(const wchar_t* libraryName);

// Hides the window into the tray, with the caption animation if enabled.
void MinimizeToTray(HWND window);
// Animates from the tray (if enabled), shows, activates and raises it.
void RestoreFromTray(HWND window);

// The screen rectangle of the tray area, or a best guess of it.
void GetTrayRect(RECT* rect);

// True when the system's minimize/restore animation is on.
bool MinAnimateOn();
