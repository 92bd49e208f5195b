// The application's lifecycle: one state machine decides what reaches the
// controller (the block sent or not, the worker started or stopped, a
// calibration allowed or refused, which copy drives). The window and dialog
// procedures turn messages into events, hand them to Lifecycle::Handle and
// carry out the actions it returns; they decide nothing themselves.
//
// Only the copy whose session is attached to the physical console sends the
// block and runs the worker; a copy away from it shows the device state and
// nothing else. Once a Close has been seen nothing starts and nothing is
// sent again.
#pragma once

#include <cstdint>
#include <optional>

enum class LifeState : uint8_t {
    NoDevice,       // at the console, no device: no worker
    Running,        // at the console, the device present, the worker wanted
    StartDeferred,  // as Running, but the last worker is still inside its read
    Released,       // the worker's handle was given up for a removal request
    Calibrating,    // the calibration run holds the device
    Away,           // not at the console (or not known yet): nothing is sent
    Closing,        // Close seen: waiting for the worker or the calibration
    Closed,         // the quit is posted: everything is ignored
};

enum class LifeEventKind : uint8_t {
    DeviceNotice,           // any device notice, with a probe
    HandleQueryRemove,      // a removal request for the worker's handle
    HandleRemoveCancelled,  // that request failed: the device stays (with a probe)
    HandleRemoveComplete,   // the worker's device went (with a probe)
    SessionChange,          // a session notice: sessionEvent, session (with a probe)
    ConsoleRead,            // the session retry: noticesRegistered, session (with a probe)
    Resume,                 // back from sleep (with a probe)
    DisplayChange,
    EditorClosed,           // the Parameters or Gesture Mapping dialog's close box
    CalibrationAsked,
    CalibrationEnded,       // the session window is gone (with a probe)
    WorkerEnded,            // (with a probe)
    WorkerBlockRequest,     // a worker that renewed its channel asks for the block
    StartRetry,             // the deferred start's timer
    Close,                  // the tray's Close (IDM_CLOSE, from any sender)
    WindowClose,            // WM_CLOSE: as Close during a calibration, else the window goes
    SessionEnding,          // WM_ENDSESSION, or the window being destroyed
};

// The facts an event brings. `present` is the result of the probe the
// window made for it (kinds marked "with a probe"); `workerRunning` whether a
// worker thread is alive (wanted or stopping) when the event is handled.
struct LifeEvent {
    LifeEventKind kind;
    bool present = false;
    bool workerRunning = false;
    // DeviceNotice: the notice says the worker's device went or its interface
    // was made anew (the removal of the driver's own interface, or a changed
    // interface path).
    bool channelGone = false;
    // SessionChange: the WM_WTSSESSION_CHANGE event and session id.
    // ConsoleRead: the console's session id (kNoConsoleSession: unknown).
    uint32_t sessionEvent = 0;
    uint32_t session = 0;
    // ConsoleRead: the session notices are registered now.
    bool noticesRegistered = false;
};

// What the window carries out, in the order of the bits.
using LifeActions = uint32_t;
// end the session window with result 0
inline constexpr LifeActions kEndCalibrationSession = 1u << 0;
// put the block from before the session back
inline constexpr LifeActions kKeepBlockFromBefore = 1u << 1;
// solve or reset; the outcome is shown below
inline constexpr LifeActions kApplyCalibration = 1u << 2;
// the display's orientation into the live block
inline constexpr LifeActions kUpdateOrientation = 1u << 3;
// StopThread = 1; the worker ends after its read
inline constexpr LifeActions kStopWorker = 1u << 4;
// stop, cut its read short, wait (bounded) for its end
inline constexpr LifeActions kReleaseWorker = 1u << 5;
inline constexpr LifeActions kDropHandleNotice = 1u << 6;  // unregister the worker handle's notices
// the worker takes a new channel after a failed read, and the next worker
// starts the engine afresh
inline constexpr LifeActions kMarkChannelStale = 1u << 7;
inline constexpr LifeActions kSendBlock = 1u << 8;
inline constexpr LifeActions kStartWorker = 1u << 9;
inline constexpr LifeActions kArmStartRetry = 1u << 10;
inline constexpr LifeActions kDisarmStartRetry = 1u << 11;
inline constexpr LifeActions kArmSessionRetry = 1u << 12;
inline constexpr LifeActions kDisarmSessionRetry = 1u << 13;
inline constexpr LifeActions kShowAttached = 1u << 14;  // status line string 256
inline constexpr LifeActions kShowDetached = 1u << 15;  // status line string 257
inline constexpr LifeActions kEnableGeneral = 1u << 16;  // the main window's General button
inline constexpr LifeActions kDisableGeneral = 1u << 17;
// GENERAL's calibration button, when open
inline constexpr LifeActions kEnableCalibration = 1u << 18;
inline constexpr LifeActions kDisableCalibration = 1u << 19;
// stop and wait for the worker, show the session
inline constexpr LifeActions kRunCalibration = 1u << 20;
// the message for kApplyCalibration's outcome
inline constexpr LifeActions kShowOutcome = 1u << 21;
// "Calibration process is not finished!", nothing changed
inline constexpr LifeActions kShowNotFinished = 1u << 22;
inline constexpr LifeActions kEndGeneralDialog = 1u << 23;
inline constexpr LifeActions kDestroyWindow = 1u << 24;  // WM_CLOSE's default processing
// unregister notices, remove the icon, post the quit
inline constexpr LifeActions kFinishClose = 1u << 25;

// How the session notices are retried at start: every kSessionRetryMs, at
// most kSessionRetries times (two minutes), until they are registered and
// the console's session is known.
inline constexpr uint32_t kSessionRetryMs = 1000;
inline constexpr uint32_t kSessionRetries = 120;

struct LifeStart {
    std::optional<uint32_t> ownSession;  // none: the session could not be read
    uint32_t consoleSession;             // kNoConsoleSession while being (de)attached
    bool noticesRegistered;              // the session notices (or no session service at all)
    bool present;                        // the start-up probe
    bool trackRotation;                  // display changes resend the orientation
};

class Lifecycle {
public:
    // Window creation: where the copy stands, and what it does first.
    LifeActions Start(const LifeStart& start);
    LifeActions Handle(const LifeEvent& event);

    LifeState State() const { return state_; }
    // Whether GENERAL's calibration button is enabled when the dialog opens.
    bool CalibrationAllowed() const { return AtConsole() && state_ != LifeState::Released; }

private:
    bool AtConsole() const;
    LifeActions Common(const LifeEvent& event);
    LifeActions OnNoDevice(const LifeEvent& event);
    LifeActions OnRunning(const LifeEvent& event);
    LifeActions OnStartDeferred(const LifeEvent& event);
    LifeActions OnReleased(const LifeEvent& event);
    LifeActions OnCalibrating(const LifeEvent& event);
    LifeActions OnAway(const LifeEvent& event);
    LifeActions OnClosing(const LifeEvent& event);

    LifeActions Arrive(const LifeEvent& event, LifeActions send);
    LifeActions StartOrDefer(const LifeEvent& event);
    LifeActions Remove();
    LifeActions Leave(LifeActions stop);
    LifeActions Come(const LifeEvent& event);
    LifeActions BeginCalibration();
    LifeActions CloseNow(const LifeEvent& event);
    LifeActions FollowConsole(const LifeEvent& event);
    std::optional<bool> ConsoleAfter(const LifeEvent& event);

    LifeState state_ = LifeState::Away;
    std::optional<uint32_t> ownSession_;
    bool consoleKnown_ = false;
    bool trackRotation_ = false;
    // The session window is on the screen (in Calibrating, or after the
    // console left or a Close came during it).
    bool calibrationOpen_ = false;
    uint32_t sessionRetriesLeft_ = 0;
};
