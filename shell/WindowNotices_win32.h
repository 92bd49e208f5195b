// What the main window is registered for: the device notices (the HID
// class and the driver's own interface class), the display's power (from
// Vista on) and the session notices.
#pragma once

#include <windows.h>

// Both device classes and the display's power; false when the HID class
// could not be registered.
bool RegisterDeviceNotices(HWND window);
// The session notices, once registered kept (the lifecycle's kRegister).
// Refused, Windows is watched for the session service's readiness, which
// posts kMsgSessionServiceReady.
bool RegisterSessionNotices(HWND window);
// Every notice unregistered, the worker handle's too.
void UnregisterWindowNotices(HWND window);
