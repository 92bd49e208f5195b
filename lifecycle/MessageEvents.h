// Which lifecycle event a main window message is: a pure function of the
// message, its wParam and the fields the window read from its lParam, so
// that the host tests drive the same translation as the window.
//
// The window reads WM_DEVICECHANGE's lParam only where DeviceNoticeHasHeader
// says it is a DEV_BROADCAST_HDR, and a field only where dbch_size covers
// it: any program may post the message with any lParam.
#pragma once

#include <cstdint>
#include <optional>

#include "lifecycle/Lifecycle.h"

// The window messages translated here (the values of <windows.h>, checked
// against it in shell/MainWindow_win32.cpp).
inline constexpr uint32_t kMsgDestroy = 0x0002;
inline constexpr uint32_t kMsgClose = 0x0010;
inline constexpr uint32_t kMsgEndSession = 0x0016;
inline constexpr uint32_t kMsgDisplayChange = 0x007E;
inline constexpr uint32_t kMsgCommand = 0x0111;
inline constexpr uint32_t kMsgTimer = 0x0113;
inline constexpr uint32_t kMsgPowerBroadcast = 0x0218;
inline constexpr uint32_t kMsgDeviceChange = 0x0219;
inline constexpr uint32_t kMsgSessionChange = 0x02B1;
// The program's own messages, from WM_APP on.
inline constexpr uint32_t kMsgApp = 0x8000;
inline constexpr uint32_t kMsgWorkerBlockRequest = kMsgApp;    // the worker renewed its channel
inline constexpr uint32_t kMsgWorkerEnded = kMsgApp + 1;       // the worker's last message
inline constexpr uint32_t kMsgCalibrationEnded = kMsgApp + 2;  // the session window is gone
// Answered with the transition log (lifecycle/LifeLog.h): wParam the age of the
// entry (0 the newest), lParam 0 for the transition, 1 for its actions.
inline constexpr uint32_t kMsgLifeLog = kMsgApp + 3;
// Posted once the session service is ready (Global\TermSrvReadyEvent set)
// after the session notices could not be registered: a session retry's tick
// however late.
inline constexpr uint32_t kMsgSessionServiceReady = kMsgApp + 4;

// WM_POWERBROADCAST: sent on every resume; PBT_APMRESUMESUSPEND only
// follows it when a user woke the system, and would send the block twice.
inline constexpr uint64_t kPowerResumeAutomatic = 0x0012;
// PBT_POWERSETTINGCHANGE: lParam is a POWERBROADCAST_SETTING; the window
// reads it only for the display's setting it registered (DisplayPower),
// with a whole 32-bit value: 0 off, 1 on, 2 dimmed (still on).
inline constexpr uint64_t kPowerSettingChange = 0x8013;
inline constexpr uint32_t kDisplayOff = 0;
inline constexpr uint32_t kDisplayOn = 1;
inline constexpr uint32_t kDisplayDimmed = 2;

// WM_WTSSESSION_CHANGE's wParam for this session's lock and unlock.
inline constexpr uint64_t kSessionLockEvent = 7;
inline constexpr uint64_t kSessionUnlockEvent = 8;

// WM_DEVICECHANGE events of the 0x8000 family, whose lParam is a
// DEV_BROADCAST_HDR; and the header's types this program reads.
inline constexpr uint64_t kDeviceArrival = 0x8000;
inline constexpr uint64_t kDeviceQueryRemove = 0x8001;
inline constexpr uint64_t kDeviceQueryRemoveFailed = 0x8002;
inline constexpr uint64_t kDeviceRemovePending = 0x8003;
inline constexpr uint64_t kDeviceRemoveComplete = 0x8004;
inline constexpr uint64_t kDeviceCustomEvent = 0x8006;
inline constexpr uint32_t kDeviceTypeInterface = 5;
inline constexpr uint32_t kDeviceTypeHandle = 6;
// sizeof(DEV_BROADCAST_HDR): dbch_size, dbch_devicetype, dbch_reserved.
inline constexpr uint32_t kDeviceHeaderSize = 12;

// The main window's timers (2 is the tray's).
inline constexpr uint64_t kStartRetryTimer = 1;
inline constexpr uint64_t kSessionRetryTimer = 3;
inline constexpr uint64_t kProbeRetryTimer = 4;

// What the window read from a device notice's lParam.
struct DeviceHeader {
    bool read = false;        // lParam held a header, and dbch_size was read
    uint32_t size = 0;        // dbch_size
    uint32_t deviceType = 0;  // read only when `size` covers the header
    // A DEV_BROADCAST_DEVICEINTERFACE of the driver's own class, its size
    // covering the class GUID.
    bool touchInterface = false;
};

// What the window read from a power setting notice's lParam.
struct DisplayPower {
    bool read = false;  // the display's setting, its data a whole value
    uint32_t value = 0;
};

struct WindowMessage {
    uint32_t message = 0;
    uint64_t wParam = 0;
    uint64_t lParam = 0;  // as a number, for the messages that carry one
    DeviceHeader device;
    DisplayPower display = {};
};

// Whether WM_DEVICECHANGE's lParam is a DEV_BROADCAST_HDR for `event`.
constexpr bool DeviceNoticeHasHeader(uint64_t event) {
    return event >= kDeviceArrival && event <= kDeviceCustomEvent;
}

// A notice about the worker's own handle (answered TRUE, routed with its
// registration).
bool IsHandleNotice(const WindowMessage& message);

// The event, if the message is one; the facts its kind needs are gathered
// afterwards (LifeEventFacts).
std::optional<LifeEvent> EventFor(const WindowMessage& message);

// How the main window answers a message it handed to EventFor: the result
// of its default processing, 0, or TRUE (a device notice or a power
// broadcast is granted whatever it is).
enum class MessageAnswer : uint8_t { Default, Zero, True };
MessageAnswer AnswerFor(uint32_t message);
