// Win32-only part of the device link: the interface lookup and the
// registration for device arrival and removal notices.
#pragma once

#include <windows.h>

#include <dbt.h>

#include <string>

// Whether the interface lookup writes its diagnostics to standard output
// (the default; a command whose standard output carries data turns them
// off). Returns the setting it replaces.
bool ShowLookupDiagnostics(bool shown);

// Looks up the DevicePath of the first interface of the class. The result
// is LocalAlloc'ed storage owned by the caller (LocalFree it); the path
// points into it. nullptr when there is none. Writes the lookup's
// diagnostics (see above); ends the process (ExitProcess) with status 1
// when the device information set cannot be had at all.
struct InterfacePath {
    HLOCAL storage;
    const wchar_t* path;
};
InterfacePath FindTouchInterfacePath(const GUID& interfaceClass);

// OpenDriverChannel that also gives the interface path it opened (empty
// when none was found).
HANDLE OpenDriverChannelAt(std::wstring& path);

// Registers `window` for HID-class interface arrival and removal notices.
BOOL RegisterHidNotification(HWND window, HDEVNOTIFY* registration);
// The same for the driver's own interface class: a controller whose stack
// has no HID collection announces itself only by this class's notices.
BOOL RegisterTouchInterfaceNotification(HWND window, HDEVNOTIFY* registration);
// On the worker's thread, right after it opened a channel: the path of that
// open is the worker's (IsTouchInterfaceNotice).
void NoteWorkerChannelPath();
// Whether a WM_DEVICECHANGE's record (whole, by its dbch_size) names the
// driver's own interface class at the path the worker's channel was opened
// on (any path before a worker opened one). A notice about another device
// of the class never makes the worker's channel dead.
bool IsTouchInterfaceNotice(const DEV_BROADCAST_HDR* header);
