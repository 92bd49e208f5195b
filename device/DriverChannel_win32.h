// Win32-only part of the device link: the interface lookup and the
// registration for device arrival and removal notices.
#pragma once

#include <windows.h>

#include <dbt.h>

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

// Registers `window` for HID-class interface arrival and removal notices.
BOOL RegisterHidNotification(HWND window, HDEVNOTIFY* registration);
