// The application's lifecycle: one state machine decides what reaches the
// controller (the block sent or not, the worker started or stopped, a
// calibration allowed or refused, which copy drives). The window and dialog
// procedures turn messages into events (lifecycle/MessageEvents.h), hand them to
// Lifecycle::Handle and carry out the actions it returns; they decide
// nothing themselves.
//
// Only the copy whose session is attached to the physical console sends the
// block and runs the worker; a copy away from it shows the device state and
// nothing else. Once a Close has been seen nothing starts and nothing is
// sent again.
//
// Besides its state the machine keeps three orthogonal regions, each with
// its own invariant (tests/lifecycle_explorer_test.cpp checks them after
// every step):
// - the calibration window: open in Calibrating, and possibly in Away or
//   Closing while a run ends; never in any other state;
// - the console as the copy last read it (here, elsewhere, unknown): every
//   state at the console has it here, and Away has it here only while a run
//   still ends on the screen;
// - the session retry: armed exactly while tries are left;
// - the probe retry after a resume that did not find the device (a device
//   that comes back late sends no arrival notice): armed exactly while
//   tries are left, until a probe finds it; each tick is a device notice;
// - the screen as the copy last heard: its session locked, the display
//   off. While either holds (ScreenUnused) nothing is probed, read or
//   sent, in any state; at the console the copy is Parked.
// The start retry is armed exactly in StartDeferred, and GENERAL's
// calibration button is enabled exactly when CalibrationAllowed(): Handle
// derives those actions, and the retries', from the change.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

// ---- States ----
#define RTOUCH_LIFE_STATES(X)                                                                  \
    X(NoDevice)           /* at the console, no device: no worker */                           \
    X(Running)            /* at the console, the device present, the worker wanted */          \
    X(StartDeferred)      /* as Running, but the last worker is still inside its read */       \
    X(Released)           /* the worker's handle was given up for a removal request */         \
    X(CalibrationWaiting) /* a run asked: the worker is released, the run starts at its end */ \
    X(Calibrating)        /* the calibration run holds the device */                           \
    X(Parked)             /* at the console, locked or dark: no worker, no driver call */      \
    X(Away)               /* not at the console (or not known yet): nothing is sent */         \
    X(Closing)            /* Close seen: waiting for the worker or the calibration */          \
    X(Closed)             /* the quit is posted: everything is ignored */

enum class LifeState : uint8_t {
#define RTOUCH_ENUM(name) name,
    RTOUCH_LIFE_STATES(RTOUCH_ENUM)
#undef RTOUCH_ENUM
};

// ---- Events ----
// The facts the window gathers before it hands an event over.
enum LifeFacts : uint8_t {
    kNoFacts = 0,
    kProbe = 1,     // the device is probed: LifeEvent::present (and a changed path)
    kConsole = 2,   // the console's session is read: LifeEvent::console
    kRegister = 4,  // the session notices are registered first: noticesRegistered
};

// name, facts
#define RTOUCH_LIFE_EVENTS(X)                                                                         \
    X(DeviceNotice, kProbe)                       /* any device notice but the handle's */            \
    X(HandleQueryRemove, kNoFacts)                /* a removal request for the worker's handle */     \
    X(HandleRemoveCancelled, kProbe)              /* that request failed: the device stays */         \
    X(HandleRemoveComplete, kProbe)               /* the worker's device went */                      \
    X(SessionChange, kProbe | kConsole)           /* WM_WTSSESSION_CHANGE */                          \
    X(SessionLock, kNoFacts)                      /* WTS_SESSION_LOCK */                              \
    X(SessionUnlock, kProbe)                      /* WTS_SESSION_UNLOCK */                            \
    X(DisplayOff, kNoFacts)                       /* the display's power setting: off */              \
    X(DisplayOn, kProbe)                          /* on, or dimmed */                                 \
    X(ConsoleRead, kProbe | kConsole | kRegister) /* the session retry's tick, the service ready */   \
    X(Resume, kProbe)                             /* back from sleep */                               \
    X(ProbeRetry, kProbe)                         /* the probe retry's tick */                        \
    X(DisplayChange, kNoFacts)                    /* screenWidth, screenHeight */                     \
    X(EditorClosed, kNoFacts)                     /* an editor's close box: its edits are sent */     \
    X(EditorDismissed, kNoFacts)                  /* Enter in Parameters: the edits stay unsent */    \
    X(CalibrationAsked, kNoFacts)                 /* GENERAL's calibration button */                  \
    X(CalibrationEnded, kProbe)                   /* the session window is gone */                    \
    X(WorkerEnded, kProbe)                        /* the worker's last message */                     \
    X(WorkerBlockRequest, kNoFacts)               /* a worker that renewed its channel */             \
    X(StartRetry, kNoFacts)                       /* the deferred start's tick */                     \
    X(Close, kNoFacts)                            /* the tray's Close (IDM_CLOSE, from any sender) */ \
    X(WindowClose, kNoFacts)   /* WM_CLOSE: as Close during a run, else the window goes */            \
    X(SessionEnding, kNoFacts) /* WM_ENDSESSION (sign-out, Restart Manager), WM_DESTROY */

enum class LifeEventKind : uint8_t {
#define RTOUCH_ENUM(name, facts) name,
    RTOUCH_LIFE_EVENTS(RTOUCH_ENUM)
#undef RTOUCH_ENUM
};

// The facts an event brings. `workerRunning` is whether a worker thread is
// alive (wanted or stopping) when the event is handled; the others are
// gathered as LifeEventFacts says.
struct LifeEvent {
    LifeEventKind kind;
    bool present = false;
    bool workerRunning = false;
    // DeviceNotice: the worker's device went or its interface was made anew
    // (the removal of the driver's own interface, or a changed path).
    bool channelGone = false;
    // SessionChange: the WM_WTSSESSION_CHANGE event, only a prompt to read
    // the console again.
    uint32_t sessionEvent = 0;
    // The console's session id as read now (kNoConsoleSession: none).
    uint32_t console = 0;
    // ConsoleRead: the session notices are registered now.
    bool noticesRegistered = false;
    // DisplayChange: the new screen size.
    uint16_t screenWidth = 0;
    uint16_t screenHeight = 0;
};

// ---- Actions ----
// The window carries out a set of actions in the order they are declared here.
#define RTOUCH_LIFE_ACTIONS(X)                                                          \
    X(EndCalibrationSession) /* end the session window with result 0 */                 \
    X(KeepBlockFromBefore)   /* put the block from before the session back */           \
    X(ApplyCalibration)      /* solve or reset; the outcome is shown below */           \
    X(StoreScreenSize)       /* the event's screen size into the globals */             \
    X(UpdateOrientation)     /* the display's orientation into the live block */        \
    X(StopWorker)            /* StopThread = 1; the worker ends after its read */       \
    X(ReleaseWorker)         /* stop, cut its read short, wait (bounded) for its end */ \
    X(ParkWorker)            /* the next worker starts afresh, reads away the queue */  \
    X(DropHandleNotice)      /* unregister the worker handle's notices */               \
    X(MarkChannelStale)      /* the worker must take a new channel */                   \
    X(SendBlock)             /* the live block to the driver */                         \
    X(StartWorker)                                                                      \
    X(ArmStartRetry)                                                                    \
    X(DisarmStartRetry)                                                                 \
    X(ArmSessionRetry)                                                                  \
    X(DisarmSessionRetry)                                                               \
    X(ArmProbeRetry)                                                                    \
    X(DisarmProbeRetry)                                                                 \
    X(SlowProbeRetry) /* the probe retry every kSlowProbeRetryMs from now on */         \
    X(ShowAttached)   /* status line string 256 */                                      \
    X(ShowDetached)   /* status line string 257 */                                      \
    X(EnableGeneral)  /* the main window's General button */                            \
    X(DisableGeneral)                                                                   \
    X(EnableCalibration) /* GENERAL's calibration button, when open */                  \
    X(DisableCalibration)                                                               \
    X(EndEditor)       /* end the editor dialog the event came from */                  \
    X(ShowOutcome)     /* the message for ApplyCalibration's outcome */                 \
    X(ShowNotFinished) /* "Calibration process is not finished!" */                     \
    X(EndGeneralDialog)                                                                 \
    X(RunCalibration) /* show the session; its end comes as CalibrationEnded */         \
    X(DestroyWindow)  /* WM_CLOSE's default processing */                               \
    X(FinishClose)    /* unregister notices, remove the icon, post the quit */

enum class LifeAction : uint8_t {
#define RTOUCH_ENUM(name) name,
    RTOUCH_LIFE_ACTIONS(RTOUCH_ENUM)
#undef RTOUCH_ENUM
};

#define RTOUCH_COUNT(...) +1
inline constexpr int kLifeStateCount = 0 RTOUCH_LIFE_STATES(RTOUCH_COUNT);
inline constexpr int kLifeEventCount = 0 RTOUCH_LIFE_EVENTS(RTOUCH_COUNT);
inline constexpr int kLifeActionCount = 0 RTOUCH_LIFE_ACTIONS(RTOUCH_COUNT);
#undef RTOUCH_COUNT

// A set of actions, one bit per action.
using LifeActions = uint32_t;
static_assert(kLifeActionCount <= 32, "LifeActions holds one bit per action");
constexpr LifeActions Bit(LifeAction action) { return 1u << static_cast<unsigned>(action); }
#define RTOUCH_CONSTANT(name) inline constexpr LifeActions k##name = Bit(LifeAction::name);
RTOUCH_LIFE_ACTIONS(RTOUCH_CONSTANT)
#undef RTOUCH_CONSTANT

const char* Name(LifeState state);
const char* Name(LifeEventKind kind);
const char* Name(LifeAction action);
// The facts the window gathers for an event of `kind`.
uint8_t LifeEventFacts(LifeEventKind kind);
// Every action, in the order the window carries them out: their order of
// declaration.
inline constexpr std::array<LifeAction, kLifeActionCount> kLifeActionOrder = {
#define RTOUCH_ENUM(name) LifeAction::name,
    RTOUCH_LIFE_ACTIONS(RTOUCH_ENUM)
#undef RTOUCH_ENUM
};

// How the session notices are retried at start: every kSessionRetryMs, at
// most kSessionRetries times (two minutes), until they are registered and
// the console's session is known. A resume that finds no device probes
// again every kProbeRetryMs, kProbeRetries - 1 times (ten seconds), then
// every kSlowProbeRetryMs until a probe finds it: a device that comes back
// late sends no arrival notice, however late.
// The deferred start looks again every kStartRetryMs.
inline constexpr uint32_t kStartRetryMs = 20;
inline constexpr uint32_t kSessionRetryMs = 1000;
inline constexpr uint32_t kSessionRetries = 120;
inline constexpr uint32_t kProbeRetryMs = 500;
inline constexpr uint32_t kProbeRetries = 20;
inline constexpr uint32_t kSlowProbeRetryMs = 30000;

struct LifeStart {
    std::optional<uint32_t> ownSession;  // none: the session could not be read
    uint32_t consoleSession;             // read after the notices were registered
    bool noticesRegistered;              // the session notices (or no session service at all)
    bool present;                        // the start-up probe
    bool trackRotation;                  // display changes resend the orientation
    uint8_t sessionRetries = kSessionRetries;
    uint8_t probeRetries = kProbeRetries;
};

class Lifecycle {
public:
    // Window creation: where the copy stands, and what it does first.
    LifeActions Start(const LifeStart& start);
    LifeActions Handle(const LifeEvent& event);

    LifeState State() const { return state_; }
    // The facts the window gathers for an event of `kind` now: nothing is
    // probed while this copy's removal is pending but its own end (a handle
    // open then vetoes it; the device notices meanwhile wait for that end), nor where the run starts (the handle would stay open across
    // it), nor while the screen stays unused; a finished machine is only
    // told where the console is.
    uint8_t FactsFor(LifeEventKind kind) const;
    // Whether GENERAL's calibration button is enabled (when the dialog
    // opens, and kept so by the actions).
    bool CalibrationAllowed() const;
    // Close or the session's end was seen: nothing is added, retried or
    // started any more (the tray asks before it adds its icon again).
    bool Finished() const { return state_ == LifeState::Closing || state_ == LifeState::Closed; }
    // The session window is on the screen.
    bool CalibrationOpen() const { return calibrationOpen_; }
    enum class Console : uint8_t { Unknown, Here, Elsewhere };
    Console ConsoleBelief() const { return console_; }
    // The session is locked or the display is off, as last heard.
    bool ScreenUnused() const { return locked_ || dark_; }
    uint8_t SessionRetriesLeft() const { return sessionRetriesLeft_; }
    uint8_t ProbeRetriesLeft() const { return probeRetriesLeft_; }
    // This copy's worker handle was given up for a removal whose end has
    // not come yet.
    bool RemovalPending() const { return removalPending_; }
    // Everything that changes after Start, packed: equal for equal machines
    // of one copy (the explorer's state dedup).
    uint32_t Fingerprint() const;

private:
    bool AtConsole() const;
    LifeActions Dispatch(const LifeEvent& event);
    LifeActions FollowProbe(const LifeEvent& event);
    LifeActions OnNoDevice(const LifeEvent& event);
    LifeActions OnRunning(const LifeEvent& event);
    LifeActions OnStartDeferred(const LifeEvent& event);
    LifeActions OnReleased(const LifeEvent& event);
    LifeActions OnCalibrationWaiting(const LifeEvent& event);
    LifeActions OnCalibrating(const LifeEvent& event);
    LifeActions OnParked(const LifeEvent& event);
    LifeActions OnAway(const LifeEvent& event);
    LifeActions OnClosing(const LifeEvent& event);

    LifeActions Arrive(const LifeEvent& event, LifeActions send);
    LifeActions StartOrDefer(const LifeEvent& event);
    LifeActions Remove();
    LifeActions Leave();
    LifeActions Come(const LifeEvent& event);
    void FollowScreen(LifeEventKind kind);
    LifeActions Park(const LifeEvent& event);
    LifeActions Unpark(const LifeEvent& event);
    LifeActions AskCalibration(const LifeEvent& event);
    LifeActions BeginCalibration();
    LifeActions Rotate(bool send) const;
    LifeActions ReleaseStopping(const LifeEvent& event) const;
    LifeActions CloseAsked(const LifeEvent& event);
    LifeActions WindowCloseAsked(const LifeEvent& event);
    LifeActions SessionEnds();
    LifeActions CloseNow(const LifeEvent& event);
    LifeActions FollowConsole(const LifeEvent& event);

    LifeState state_ = LifeState::Away;
    std::optional<uint32_t> ownSession_;
    Console console_ = Console::Unknown;
    bool trackRotation_ = false;
    // The session window is on the screen (in Calibrating, or after the
    // console left or a Close came during it).
    bool calibrationOpen_ = false;
    bool removalPending_ = false;
    bool locked_ = false;
    bool dark_ = false;
    uint8_t sessionRetries_ = kSessionRetries;
    uint8_t probeRetries_ = kProbeRetries;
    uint8_t sessionRetriesLeft_ = 0;
    uint8_t probeRetriesLeft_ = 0;
};
