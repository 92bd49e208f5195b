#include "lifecycle/Lifecycle.h"

#include <array>

#include "lifecycle/ConsoleSession.h"

namespace {

using K = LifeEventKind;
using S = LifeState;

constexpr const char* kStateNames[] = {
#define RTOUCH_NAME(name) #name,
    RTOUCH_LIFE_STATES(RTOUCH_NAME)
#undef RTOUCH_NAME
};

struct EventRow {
    const char* name;
    uint8_t facts;
};
constexpr EventRow kEvents[] = {
#define RTOUCH_ROW(name, facts) {#name, static_cast<uint8_t>(facts)},
    RTOUCH_LIFE_EVENTS(RTOUCH_ROW)
#undef RTOUCH_ROW
};

constexpr const char* kActionNames[] = {
#define RTOUCH_NAME(name) #name,
    RTOUCH_LIFE_ACTIONS(RTOUCH_NAME)
#undef RTOUCH_NAME
};

bool IsConsoleMove(uint32_t sessionEvent) {
    return sessionEvent == kConsoleConnectEvent || sessionEvent == kConsoleDisconnectEvent;
}

}  // namespace

const char* Name(LifeState state) { return kStateNames[static_cast<int>(state)]; }
const char* Name(LifeEventKind kind) { return kEvents[static_cast<int>(kind)].name; }
const char* Name(LifeAction action) { return kActionNames[static_cast<int>(action)]; }
uint8_t LifeEventFacts(LifeEventKind kind) { return kEvents[static_cast<int>(kind)].facts; }

bool Lifecycle::AtConsole() const {
    switch (state_) {
    case S::NoDevice:
    case S::Running:
    case S::StartDeferred:
    case S::Released:
    case S::CalibrationWaiting:
    case S::Calibrating:
    case S::Parked:
        return true;
    case S::Away:
    case S::Closing:
    case S::Closed:
        return false;
    }
    return false;
}

uint8_t Lifecycle::FactsFor(LifeEventKind kind) const {
    const uint8_t facts = LifeEventFacts(kind);
    if (Finished()) return facts & kConsole;
    const bool removalEnds = kind == K::HandleRemoveCancelled || kind == K::HandleRemoveComplete;
    if (removalPending_ && !removalEnds) return facts & ~kProbe;
    // The run starts at the worker's end: no handle is held across it.
    if (state_ == S::CalibrationWaiting && kind == K::WorkerEnded) return facts & ~kProbe;
    // A run ended away tells only its warning, unless the console is back.
    if (state_ == S::Away && kind == K::CalibrationEnded && console_ != Console::Here) return facts & ~kProbe;
    // The event that makes the screen used again probes for the return.
    Lifecycle after = *this;
    after.FollowScreen(kind);
    if (after.ScreenUnused()) return facts & ~kProbe;
    return facts;
}

// A run may start, or is under way (so the button does not flicker around
// it). Refused while the device is being removed, while nobody can use the
// screen, away, and once closing.
bool Lifecycle::CalibrationAllowed() const {
    return AtConsole() && state_ != S::Released && state_ != S::Parked;
}

uint32_t Lifecycle::Fingerprint() const {
    return static_cast<uint32_t>(state_) | static_cast<uint32_t>(console_) << 4 |
           static_cast<uint32_t>(calibrationOpen_) << 6 | static_cast<uint32_t>(sessionRetriesLeft_) << 8 |
           static_cast<uint32_t>(probeRetriesLeft_) << 16 | static_cast<uint32_t>(removalPending_) << 24 |
           static_cast<uint32_t>(locked_) << 25 | static_cast<uint32_t>(dark_) << 26;
}

LifeActions Lifecycle::Start(const LifeStart& start) {
    ownSession_ = start.ownSession;
    trackRotation_ = start.trackRotation;
    sessionRetries_ = start.sessionRetries;
    probeRetries_ = start.probeRetries;
    // Without a session of its own the copy is the only one: it drives.
    const bool known = !ownSession_ || start.consoleSession != kNoConsoleSession;
    LifeActions actions = 0;
    if (!start.noticesRegistered || !known) {
        sessionRetriesLeft_ = sessionRetries_;
        actions |= kArmSessionRetry;
    }
    LifeEvent probe{K::ConsoleRead};
    probe.present = start.present;
    if (known && OwnsConsole(ownSession_, start.consoleSession))
        return actions | Come(probe) | (CalibrationAllowed() ? kEnableCalibration : kDisableCalibration);
    // Away, or the console not known yet: the device state, nothing sent.
    console_ = known ? Console::Elsewhere : Console::Unknown;
    state_ = S::Away;
    return actions | (start.present ? kShowAttached : kShowDetached) | kDisableGeneral | kDisableCalibration;
}

// The timers and the calibration button follow the state: armed, disarmed,
// enabled or disabled where the change crosses their rule.
LifeActions Lifecycle::Handle(const LifeEvent& e) {
    const bool startRetry = state_ == S::StartDeferred;
    const bool probeRetry = probeRetriesLeft_ > 0;
    const bool sessionRetry = sessionRetriesLeft_ > 0;
    const bool calibration = CalibrationAllowed();
    const bool unused = ScreenUnused();
    FollowScreen(e.kind);
    LifeActions a = Dispatch(e);
    a |= FollowProbe(e);
    // Whatever the state, the next worker discards what the driver queues
    // from now on; and nothing probes meanwhile.
    if (!unused && ScreenUnused() && !Finished()) a |= kParkWorker;
    if (Finished() || ScreenUnused()) probeRetriesLeft_ = 0;
    if (Finished()) {
        sessionRetriesLeft_ = 0;
        removalPending_ = false;
    }
    const auto follow = [&a](bool before, bool after, LifeActions on, LifeActions off) {
        if (before != after) a |= after ? on : off;
    };
    follow(startRetry, state_ == S::StartDeferred, kArmStartRetry, kDisarmStartRetry);
    follow(probeRetry, probeRetriesLeft_ > 0, kArmProbeRetry, kDisarmProbeRetry);
    follow(sessionRetry, sessionRetriesLeft_ > 0, kArmSessionRetry, kDisarmSessionRetry);
    follow(calibration, CalibrationAllowed(), kEnableCalibration, kDisableCalibration);
    return a;
}

// After a resume that did not find the device: it may still be coming
// back, and a device that comes back late sends no arrival notice. The
// probe retry looks again until a probe finds it, quickly at first, then
// slowly from its last try on (it stays there: an hour late is no reason
// to show "detached" for good); each tick reaches the state as a device
// notice.
LifeActions Lifecycle::FollowProbe(const LifeEvent& e) {
    if (ScreenUnused()) return 0;
    const bool notice = e.kind == K::DeviceNotice || e.kind == K::ProbeRetry || e.kind == K::Resume ||
                        e.kind == K::HandleRemoveComplete;
    const uint8_t before = probeRetriesLeft_;
    if (notice && e.present) {
        probeRetriesLeft_ = 0;
    } else if (e.kind == K::Resume) {
        probeRetriesLeft_ = probeRetries_;
        // Quick again after a slow spell: the timer is set anew.
        if (before == 1 && probeRetries_ > 1) return kArmProbeRetry;
    } else if (e.kind == K::ProbeRetry && probeRetriesLeft_ > 1) {
        if (--probeRetriesLeft_ == 1) return kSlowProbeRetry;
    }
    return 0;
}

LifeActions Lifecycle::Dispatch(const LifeEvent& e) {
    // A handle's registration goes once its removal has ended either way;
    // but a request that another program vetoed before this copy was asked
    // leaves the running worker's handle open, and its notices are still
    // wanted.
    const bool ended = e.kind == K::HandleRemoveComplete ||
                       (e.kind == K::HandleRemoveCancelled && state_ != S::Running && state_ != S::Closed);
    const LifeActions drop = ended ? kDropHandleNotice : 0;
    const bool removalEnds = e.kind == K::HandleRemoveCancelled || e.kind == K::HandleRemoveComplete;
    if (removalEnds) removalPending_ = false;
    if (e.kind == K::HandleQueryRemove && e.workerRunning && state_ != S::Closed) removalPending_ = true;
    // Not probed: the removal's end tells where the device stands.
    if (removalPending_ && (e.kind == K::DeviceNotice || e.kind == K::ProbeRetry || e.kind == K::Resume))
        return drop;
    switch (state_) {
    case S::NoDevice:
        return drop | OnNoDevice(e);
    case S::Running:
        return drop | OnRunning(e);
    case S::StartDeferred:
        return drop | OnStartDeferred(e);
    case S::Released:
        return drop | OnReleased(e);
    case S::CalibrationWaiting:
        return drop | OnCalibrationWaiting(e);
    case S::Calibrating:
        return drop | OnCalibrating(e);
    case S::Parked:
        return drop | OnParked(e);
    case S::Away:
        return drop | OnAway(e);
    case S::Closing:
        return drop | OnClosing(e);
    // The quit is posted: the notices and messages still queued change
    // nothing.
    case S::Closed:
        return 0;
    }
    return 0;
}

// ---- Transitions shared by several states ----

LifeActions Lifecycle::StartOrDefer(const LifeEvent& e) {
    // A new worker never starts beside the last one still inside its read.
    state_ = e.workerRunning ? S::StartDeferred : S::Running;
    return e.workerRunning ? 0 : kStartWorker;
}

// The device found at the console: the block (unless the device kept it),
// the worker, and the user sees it.
LifeActions Lifecycle::Arrive(const LifeEvent& e, LifeActions send) {
    return send | StartOrDefer(e) | kShowAttached | kEnableGeneral;
}

// The device went: whatever comes next is a new device, on a new channel.
LifeActions Lifecycle::Remove() {
    state_ = S::NoDevice;
    return kStopWorker | kShowDetached | kDisableGeneral | kMarkChannelStale;
}

// The console came to this copy.
LifeActions Lifecycle::Come(const LifeEvent& e) {
    console_ = Console::Here;
    if (ScreenUnused()) {
        state_ = S::Parked;
        return kDisableGeneral;
    }
    if (e.present) return Arrive(e, kSendBlock);
    state_ = S::NoDevice;
    return kShowDetached | kDisableGeneral;
}

// The console went: the worker is released (its pending read would take
// the next report of the console's user), a calibration on the screen ends
// and keeps the block from before; nothing more is sent from here. The
// worker that starts when the console comes back judges the first gesture
// on its own touches.
LifeActions Lifecycle::Leave() {
    const LifeActions end = state_ == S::Calibrating ? kEndCalibrationSession : 0;
    state_ = S::Away;
    return end | kReleaseWorker | kDisableGeneral | kMarkChannelStale;
}

void Lifecycle::FollowScreen(LifeEventKind kind) {
    if (kind == K::SessionLock || kind == K::SessionUnlock) locked_ = kind == K::SessionLock;
    if (kind == K::DisplayOff || kind == K::DisplayOn) dark_ = kind == K::DisplayOff;
}

// The session locked or the display off at the console: keystrokes cannot
// reach the secure desktop and a touch on a dark screen only wakes it. The
// worker is released (Handle adds ParkWorker), a run on the screen ends
// and keeps the block from before, as on the console's leaving; a run
// asked for and not begun is dropped. Called once the screen is unused.
LifeActions Lifecycle::Park(const LifeEvent& e) {
    if (!ScreenUnused()) return 0;
    const LifeActions end = state_ == S::Calibrating ? kEndCalibrationSession : 0;
    state_ = S::Parked;
    return end | ReleaseStopping(e) | kDisableGeneral;
}

// The screen in use again: as an arrival, with the block (edits and
// display changes made meanwhile go with it) and a worker that first reads
// away what the driver queued. A device not back yet is probed again, as
// after a resume.
LifeActions Lifecycle::Unpark(const LifeEvent& e) {
    if (ScreenUnused() || calibrationOpen_) return 0;
    probeRetriesLeft_ = e.present ? 0 : probeRetries_;
    if (e.present) return Arrive(e, kSendBlock);
    state_ = S::NoDevice;
    return kShowDetached | kDisableGeneral;
}

// A worker still inside its read is released first; the run starts at its
// end (WorkerEnded), so the session never reads beside it.
LifeActions Lifecycle::AskCalibration(const LifeEvent& e) {
    if (!e.workerRunning) return BeginCalibration();
    state_ = S::CalibrationWaiting;
    return kReleaseWorker;
}

LifeActions Lifecycle::BeginCalibration() {
    calibrationOpen_ = true;
    state_ = S::Calibrating;
    return kRunCalibration;
}

// A display change: the screen size always; with rotation tracking the
// orientation into the live block, sent where the device is driven.
LifeActions Lifecycle::Rotate(bool send) const {
    if (!trackRotation_) return kStoreScreenSize;
    return kStoreScreenSize | kUpdateOrientation | (send ? kSendBlock : 0);
}

// A removal request for the handle of a worker that is stopping anyway: its
// read is cut short so that the handle closes and Windows goes on.
LifeActions Lifecycle::ReleaseStopping(const LifeEvent& e) const {
    return e.workerRunning ? kReleaseWorker : 0;
}

LifeActions Lifecycle::CloseNow(const LifeEvent& e) {
    if (calibrationOpen_ || e.workerRunning) return 0;
    state_ = S::Closed;
    return kFinishClose;
}

// The tray's Close: the program ends once the worker's read has returned;
// a run on the screen ends first and hands the Close on at its end.
LifeActions Lifecycle::CloseAsked(const LifeEvent& e) {
    const LifeActions end = state_ == S::Calibrating ? kEndCalibrationSession : 0;
    state_ = S::Closing;
    if (calibrationOpen_) return end;
    return kStopWorker | CloseNow(e);
}

LifeActions Lifecycle::WindowCloseAsked(const LifeEvent& e) {
    return calibrationOpen_ ? CloseAsked(e) : kDestroyWindow;
}

// The process ends as soon as the handler returns (a sign-out, or the
// Restart Manager closing it for an update): a run on the screen ends now
// and keeps the block from before, and the worker is waited for briefly.
LifeActions Lifecycle::SessionEnds() {
    const LifeActions run =
        calibrationOpen_ ? kEndCalibrationSession | kKeepBlockFromBefore | kEndGeneralDialog : 0;
    calibrationOpen_ = false;
    state_ = S::Closed;
    return run | kReleaseWorker | kFinishClose;
}

// A session notice or the session retry's tick: the console's session as
// read now is the fact (a connect or disconnect only says to read it: a
// RemoteFX session's connect reports one too). The console comes (the
// block and the worker, as on an arrival) or goes (the worker is released,
// a calibration on the screen ends). The retry stops once the notices are
// registered and the console is known, or after its last try. A read that
// finds no console's session is as the console's leaving (no session owns
// it), and a notice that finds none arms the retry again.
LifeActions Lifecycle::FollowConsole(const LifeEvent& e) {
    if (e.kind == K::ConsoleRead) {
        if (sessionRetriesLeft_ > 0) --sessionRetriesLeft_;
    } else if (!IsConsoleMove(e.sessionEvent)) {
        return 0;
    }
    const bool known = !ownSession_ || e.console != kNoConsoleSession;
    if (e.kind == K::ConsoleRead && e.noticesRegistered && known) sessionRetriesLeft_ = 0;
    if (e.kind == K::SessionChange && !known && sessionRetriesLeft_ == 0)
        sessionRetriesLeft_ = sessionRetries_;
    const bool owns = known && OwnsConsole(ownSession_, e.console);
    console_ = !known ? Console::Unknown : owns ? Console::Here : Console::Elsewhere;
    if (!owns && AtConsole()) return Leave();
    // A session ended by the console's leaving comes back at the run's end.
    if (owns && state_ == S::Away && !calibrationOpen_) return Come(e);
    return 0;
}

// ---- One handler per state: every event answered ----

LifeActions Lifecycle::OnNoDevice(const LifeEvent& e) {
    switch (e.kind) {
    // A removal that failed leaves a device a console's return meanwhile
    // could not probe.
    case K::DeviceNotice:
    case K::ProbeRetry:
    case K::HandleRemoveCancelled:
    case K::HandleRemoveComplete:
    case K::Resume:
        return e.present ? Arrive(e, kSendBlock) : kShowDetached;
    case K::HandleQueryRemove:
        return ReleaseStopping(e);
    case K::SessionChange:
    case K::ConsoleRead:
        return FollowConsole(e);
    case K::DisplayChange:
        return Rotate(true);
    case K::EditorClosed:
        return kSendBlock | kEndEditor;
    case K::EditorDismissed:
        return kEndEditor;
    case K::CalibrationAsked:
        return AskCalibration(e);
    // No run is on the screen here.
    case K::CalibrationEnded:
        return 0;
    // A stopping worker ended, or one whose renewal came too late.
    case K::WorkerEnded:
    case K::WorkerBlockRequest:
    case K::StartRetry:
        return 0;
    case K::SessionLock:
    case K::DisplayOff:
        return Park(e);
    case K::SessionUnlock:
    case K::DisplayOn:
        return 0;
    case K::Close:
        return CloseAsked(e);
    case K::WindowClose:
        return WindowCloseAsked(e);
    case K::SessionEnding:
        return SessionEnds();
    }
    return 0;
}

LifeActions Lifecycle::OnRunning(const LifeEvent& e) {
    switch (e.kind) {
    case K::DeviceNotice:
    case K::ProbeRetry:
        if (!e.present) return Remove();
        // A notice about another device leaves a healthy channel alone.
        return e.channelGone ? kMarkChannelStale : 0;
    case K::HandleRemoveComplete:
        // The worker's handle is dead; a device already back gets a new one.
        return e.present ? kMarkChannelStale : Remove();
    // Vetoed by another program before this copy was asked: the handle stays.
    case K::HandleRemoveCancelled:
        return 0;
    case K::HandleQueryRemove:
        state_ = S::Released;
        return kReleaseWorker | kDisableGeneral;
    case K::SessionChange:
    case K::ConsoleRead:
        return FollowConsole(e);
    case K::Resume:
        // The controller may have lost its settings in sleep.
        return e.present ? kSendBlock : Remove();
    case K::DisplayChange:
        return Rotate(true);
    case K::EditorClosed:
        return kSendBlock | kEndEditor;
    case K::EditorDismissed:
        return kEndEditor;
    case K::WorkerBlockRequest:
        return kSendBlock;
    case K::CalibrationAsked:
        return AskCalibration(e);
    case K::CalibrationEnded:
        return 0;
    case K::WorkerEnded:
        if (e.workerRunning) return 0;
        // The wanted worker ended by itself: its open failed. The next
        // notice that finds the device starts another.
        if (!e.present) return Remove();
        state_ = S::NoDevice;
        return kStopWorker;
    case K::StartRetry:
        return 0;
    case K::SessionLock:
    case K::DisplayOff:
        return Park(e);
    case K::SessionUnlock:
    case K::DisplayOn:
        return 0;
    case K::Close:
        return CloseAsked(e);
    case K::WindowClose:
        return WindowCloseAsked(e);
    case K::SessionEnding:
        return SessionEnds();
    }
    return 0;
}

LifeActions Lifecycle::OnStartDeferred(const LifeEvent& e) {
    switch (e.kind) {
    case K::StartRetry:
        if (e.workerRunning) return 0;
        state_ = S::Running;
        return kStartWorker;
    case K::DeviceNotice:
    case K::ProbeRetry:
        if (!e.present) return Remove();
        // The new worker opens a channel of its own; a device made anew
        // meanwhile lacks the block.
        return e.channelGone ? kSendBlock : 0;
    case K::HandleRemoveComplete:
        return e.present ? kSendBlock : Remove();
    // The retry starts the next one.
    case K::WorkerEnded:
        return 0;
    // The last worker's handle (its read is cut), a run (nothing is started
    // meanwhile), and everything the running state answers alike.
    case K::HandleQueryRemove:
    case K::CalibrationAsked:
    case K::HandleRemoveCancelled:
    case K::SessionChange:
    case K::ConsoleRead:
    case K::Resume:
    case K::DisplayChange:
    case K::EditorClosed:
    case K::EditorDismissed:
    case K::CalibrationEnded:
    case K::WorkerBlockRequest:
    case K::SessionLock:
    case K::DisplayOff:
    case K::SessionUnlock:
    case K::DisplayOn:
    case K::Close:
    case K::WindowClose:
    case K::SessionEnding:
        return OnRunning(e);
    }
    return 0;
}

// Nothing opens the device until Windows says how the removal ended; what
// changed meanwhile (a display change, an editor) goes with the return.
LifeActions Lifecycle::OnReleased(const LifeEvent& e) {
    switch (e.kind) {
    case K::HandleRemoveCancelled:
    case K::HandleRemoveComplete:
        return e.present ? Arrive(e, kSendBlock) : Remove();
    // Not probed: the removal's end tells.
    case K::DeviceNotice:
        return 0;
    case K::HandleQueryRemove:
        return ReleaseStopping(e);
    case K::SessionChange:
    case K::ConsoleRead:
        return FollowConsole(e);
    case K::Resume:
    case K::ProbeRetry:
        return 0;
    case K::DisplayChange:
        return Rotate(false);
    case K::EditorClosed:
    case K::EditorDismissed:
        return kEndEditor;
    case K::CalibrationAsked:
        return kShowNotFinished;
    case K::CalibrationEnded:
    case K::WorkerEnded:
    case K::WorkerBlockRequest:
    case K::StartRetry:
        return 0;
    case K::SessionLock:
    case K::DisplayOff:
        return Park(e);
    case K::SessionUnlock:
    case K::DisplayOn:
        return 0;
    case K::Close:
        return CloseAsked(e);
    case K::WindowClose:
        return WindowCloseAsked(e);
    case K::SessionEnding:
        return SessionEnds();
    }
    return 0;
}

// As Calibrating, but no run is on the screen yet: it starts at the worker's
// end, and sends at its own end whatever changed meanwhile.
LifeActions Lifecycle::OnCalibrationWaiting(const LifeEvent& e) {
    switch (e.kind) {
    case K::WorkerEnded:
        return e.workerRunning ? 0 : BeginCalibration();
    case K::CalibrationEnded:
        return 0;
    case K::DeviceNotice:
    case K::ProbeRetry:
    case K::HandleRemoveComplete:
    case K::HandleQueryRemove:
    case K::HandleRemoveCancelled:
    case K::SessionChange:
    case K::ConsoleRead:
    case K::Resume:
    case K::DisplayChange:
    case K::EditorClosed:
    case K::EditorDismissed:
    case K::CalibrationAsked:
    case K::WorkerBlockRequest:
    case K::StartRetry:
    case K::SessionLock:
    case K::DisplayOff:
    case K::SessionUnlock:
    case K::DisplayOn:
    case K::Close:
    case K::WindowClose:
    case K::SessionEnding:
        return OnCalibrating(e);
    }
    return 0;
}

LifeActions Lifecycle::OnCalibrating(const LifeEvent& e) {
    switch (e.kind) {
    case K::CalibrationEnded:
        calibrationOpen_ = false;
        // Without the device the block waits for its arrival, which sends it.
        if (!e.present) {
            state_ = S::NoDevice;
            return kApplyCalibration | kShowOutcome;
        }
        return kApplyCalibration | kSendBlock | StartOrDefer(e) | kShowOutcome;
    case K::DeviceNotice:
    case K::ProbeRetry:
    case K::HandleRemoveComplete:
        // The session reads the device itself; the run sends at its end.
        return e.present ? kShowAttached | kEnableGeneral : kShowDetached | kDisableGeneral;
    case K::HandleQueryRemove:
        return ReleaseStopping(e);
    case K::HandleRemoveCancelled:
        return 0;
    case K::SessionChange:
    case K::ConsoleRead:
        return FollowConsole(e);
    case K::Resume:
        return 0;
    // The block is half written by the session: never sent from here.
    case K::DisplayChange:
        return Rotate(false);
    case K::EditorClosed:
    case K::EditorDismissed:
        return kEndEditor;
    case K::CalibrationAsked:
    case K::WorkerEnded:
    case K::WorkerBlockRequest:
    case K::StartRetry:
        return 0;
    case K::SessionLock:
    case K::DisplayOff:
        return Park(e);
    case K::SessionUnlock:
    case K::DisplayOn:
        return 0;
    case K::Close:
        return CloseAsked(e);
    case K::WindowClose:
        return WindowCloseAsked(e);
    case K::SessionEnding:
        return SessionEnds();
    }
    return 0;
}

// Nothing is probed, read or sent; a device notice changes nothing (the
// return probes), and edits and display changes go with the return's block.
LifeActions Lifecycle::OnParked(const LifeEvent& e) {
    switch (e.kind) {
    case K::SessionUnlock:
    case K::DisplayOn:
        return Unpark(e);
    case K::CalibrationEnded: {
        // A run ended by the park; the screen may be in use again already.
        if (!calibrationOpen_) return 0;
        calibrationOpen_ = false;
        return kKeepBlockFromBefore | kShowNotFinished | Unpark(e);
    }
    case K::HandleQueryRemove:
        return ReleaseStopping(e);
    case K::SessionChange:
    case K::ConsoleRead:
        return FollowConsole(e);
    case K::DisplayChange:
        return Rotate(false);
    case K::EditorClosed:
    case K::EditorDismissed:
        return kEndEditor;
    case K::CalibrationAsked:
        return kShowNotFinished;
    case K::DeviceNotice:
    case K::HandleRemoveCancelled:
    case K::HandleRemoveComplete:
    case K::Resume:
    case K::ProbeRetry:
    case K::WorkerEnded:
    case K::WorkerBlockRequest:
    case K::StartRetry:
    case K::SessionLock:
    case K::DisplayOff:
        return 0;
    case K::Close:
        return CloseAsked(e);
    case K::WindowClose:
        return WindowCloseAsked(e);
    case K::SessionEnding:
        return SessionEnds();
    }
    return 0;
}

LifeActions Lifecycle::OnAway(const LifeEvent& e) {
    switch (e.kind) {
    case K::DeviceNotice:
    case K::ProbeRetry:
    case K::HandleRemoveCancelled:
    case K::HandleRemoveComplete:
    case K::Resume:
        return e.present ? kShowAttached : kShowDetached;
    case K::HandleQueryRemove:
        return ReleaseStopping(e);
    case K::SessionChange:
    case K::ConsoleRead:
        return FollowConsole(e);
    // Kept in the live block; the console's return sends it.
    case K::DisplayChange:
        return Rotate(false);
    case K::EditorClosed:
    case K::EditorDismissed:
        return kEndEditor;
    case K::CalibrationAsked:
        return kShowNotFinished;
    case K::CalibrationEnded: {
        // A run ended by the console's leaving; the console may have come
        // back while it was still on the screen.
        calibrationOpen_ = false;
        const LifeActions kept = kKeepBlockFromBefore | kShowNotFinished;
        return console_ == Console::Here ? kept | Come(e) : kept;
    }
    case K::WorkerEnded:
    case K::WorkerBlockRequest:
    case K::StartRetry:
        return 0;
    // A lock here drives nothing; the state follows the device again once
    // the screen is used.
    case K::SessionLock:
    case K::DisplayOff:
        return 0;
    case K::SessionUnlock:
    case K::DisplayOn:
        if (ScreenUnused()) return 0;
        return e.present ? kShowAttached : kShowDetached;
    case K::Close:
        return CloseAsked(e);
    case K::WindowClose:
        return WindowCloseAsked(e);
    case K::SessionEnding:
        return SessionEnds();
    }
    return 0;
}

// Nothing starts and nothing is sent any more.
LifeActions Lifecycle::OnClosing(const LifeEvent& e) {
    switch (e.kind) {
    case K::CalibrationEnded:
        // The driver keeps the block it has; the GENERAL dialog goes too.
        calibrationOpen_ = false;
        return kKeepBlockFromBefore | kEndGeneralDialog | CloseNow(e);
    case K::Close:
    case K::WorkerEnded:
        return CloseNow(e);
    case K::WindowClose:
        return calibrationOpen_ ? 0 : kDestroyWindow;
    case K::SessionEnding:
        return SessionEnds();
    case K::HandleQueryRemove:
        return ReleaseStopping(e);
    case K::EditorClosed:
    case K::EditorDismissed:
        return kEndEditor;
    // The worker still inside its read would take the next report of the
    // console's new user (a retry tick posted before the Close reads it too).
    case K::SessionChange:
    case K::ConsoleRead:
        return e.workerRunning && !OwnsConsole(ownSession_, e.console) ? kReleaseWorker : 0;
    // Nor the worker still inside its read, what nobody can see.
    case K::SessionLock:
    case K::DisplayOff:
        return ReleaseStopping(e);
    case K::SessionUnlock:
    case K::DisplayOn:
    case K::DeviceNotice:
    case K::HandleRemoveCancelled:
    case K::HandleRemoveComplete:
    case K::Resume:
    case K::ProbeRetry:
    case K::DisplayChange:
    case K::CalibrationAsked:
    case K::WorkerBlockRequest:
    case K::StartRetry:
        return 0;
    }
    return 0;
}
