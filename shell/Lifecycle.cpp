#include "shell/Lifecycle.h"

#include "shell/ConsoleSession.h"

namespace {

using K = LifeEventKind;

// Events that every live state answers alike.
bool IsCommon(LifeEventKind kind) {
    return kind == K::Close || kind == K::WindowClose || kind == K::SessionEnding;
}

}  // namespace

bool Lifecycle::AtConsole() const {
    switch (state_) {
    case LifeState::NoDevice:
    case LifeState::Running:
    case LifeState::StartDeferred:
    case LifeState::Released:
    case LifeState::Calibrating:
        return true;
    default:
        return false;
    }
}

LifeActions Lifecycle::Start(const LifeStart& start) {
    ownSession_ = start.ownSession;
    trackRotation_ = start.trackRotation;
    // Without a session of its own the copy is the only one: it drives.
    consoleKnown_ = !ownSession_ || start.consoleSession != kNoConsoleSession;
    LifeActions actions = 0;
    if (!start.noticesRegistered || !consoleKnown_) {
        sessionRetriesLeft_ = kSessionRetries;
        actions |= kArmSessionRetry;
    }
    LifeEvent probe{K::ConsoleRead};
    probe.present = start.present;
    if (consoleKnown_ && OwnsConsole(ownSession_, start.consoleSession)) return actions | Come(probe);
    // Away, or the console not known yet: the device state, nothing sent.
    state_ = LifeState::Away;
    return actions | (start.present ? kShowAttached : kShowDetached) | kDisableGeneral | kDisableCalibration;
}

LifeActions Lifecycle::Handle(const LifeEvent& e) {
    if (state_ == LifeState::Closed) return 0;
    // A handle's registration goes once its removal has ended either way;
    // but a request that another program vetoed before this copy was asked
    // leaves the running worker's handle open, and its notices are still
    // wanted.
    const bool ended = e.kind == K::HandleRemoveComplete ||
                       (e.kind == K::HandleRemoveCancelled && state_ != LifeState::Running);
    const LifeActions drop = ended ? kDropHandleNotice : 0;
    if (state_ != LifeState::Closing) {
        if (IsCommon(e.kind)) return Common(e);
        if (e.kind == K::SessionChange || e.kind == K::ConsoleRead) return FollowConsole(e);
    }
    const bool holdsWorker = state_ == LifeState::Running || state_ == LifeState::StartDeferred;
    // A removal request for the handle of a worker that is stopping anyway:
    // its read is cut short so that the handle closes and Windows goes on.
    if (e.kind == K::HandleQueryRemove && !holdsWorker) return e.workerRunning ? kReleaseWorker : 0;
    // A retry left over from a start that is no longer wanted.
    if (e.kind == K::StartRetry && state_ != LifeState::StartDeferred) return kDisarmStartRetry;
    switch (state_) {
    case LifeState::NoDevice: return drop | OnNoDevice(e);
    case LifeState::Running: return drop | OnRunning(e);
    case LifeState::StartDeferred: return drop | OnStartDeferred(e);
    case LifeState::Released: return drop | OnReleased(e);
    case LifeState::Calibrating: return drop | OnCalibrating(e);
    case LifeState::Away: return drop | OnAway(e);
    case LifeState::Closing: return drop | OnClosing(e);
    case LifeState::Closed: break;
    }
    return 0;
}

// ---- Transitions shared by several states ----

LifeActions Lifecycle::StartOrDefer(const LifeEvent& e) {
    // A new worker never starts beside the last one still inside its read.
    if (e.workerRunning) {
        state_ = LifeState::StartDeferred;
        return kArmStartRetry;
    }
    state_ = LifeState::Running;
    return kStartWorker;
}

// The device found at the console: the block (unless the device kept it),
// the worker, and the user sees it.
LifeActions Lifecycle::Arrive(const LifeEvent& e, LifeActions send) {
    return send | StartOrDefer(e) | kShowAttached | kEnableGeneral;
}

// The device went: whatever comes next is a new device, whose first gesture
// must not finish a stroke the removal cut off.
LifeActions Lifecycle::Remove() {
    state_ = LifeState::NoDevice;
    return kStopWorker | kDisarmStartRetry | kShowDetached | kDisableGeneral | kMarkChannelStale;
}

// The console came to this copy.
LifeActions Lifecycle::Come(const LifeEvent& e) {
    if (e.present) return Arrive(e, kSendBlock) | kEnableCalibration;
    state_ = LifeState::NoDevice;
    return kShowDetached | kDisableGeneral | kEnableCalibration;
}

// The console went: the worker stops, a calibration on the screen ends and
// keeps the block from before; nothing more is sent from here. The stroke
// the worker was reading is cut off (its lift goes to another session's
// copy): the worker that starts when the console comes back judges the
// first gesture on its own touches.
LifeActions Lifecycle::Leave(LifeActions stop) {
    state_ = LifeState::Away;
    return stop | kStopWorker | kDisarmStartRetry | kDisableGeneral | kDisableCalibration | kMarkChannelStale;
}

// The run stops the worker itself and waits for it before the session.
LifeActions Lifecycle::BeginCalibration() {
    calibrationOpen_ = true;
    state_ = LifeState::Calibrating;
    return kRunCalibration;
}

LifeActions Lifecycle::CloseNow(const LifeEvent& e) {
    if (calibrationOpen_ || e.workerRunning) return 0;
    state_ = LifeState::Closed;
    return kFinishClose;
}

// Where the console is after a session event or a console read; nothing
// when it did not move or is still unknown.
std::optional<bool> Lifecycle::ConsoleAfter(const LifeEvent& e) {
    bool owns = false;
    if (e.kind == K::ConsoleRead) {
        if (e.session == kNoConsoleSession) return std::nullopt;
        owns = OwnsConsole(ownSession_, e.session);
    } else {
        // Only a connect or disconnect of this copy's session moves it.
        const bool own = !ownSession_ || *ownSession_ == e.session;
        if (!own || (e.sessionEvent != kConsoleConnectEvent && e.sessionEvent != kConsoleDisconnectEvent))
            return std::nullopt;
        owns = OwnsConsoleAfter(AtConsole(), ownSession_, e.sessionEvent, e.session);
    }
    consoleKnown_ = true;
    return owns;
}

// Close and the end of the session, alike in every live state.
LifeActions Lifecycle::Common(const LifeEvent& e) {
    switch (e.kind) {
    case K::Close:
        if (calibrationOpen_) {
            // The run ends the session and hands the Close on.
            const LifeActions end = state_ == LifeState::Calibrating ? kEndCalibrationSession : 0;
            state_ = LifeState::Closing;
            return end;
        }
        state_ = LifeState::Closing;
        return kStopWorker | kDisarmStartRetry | kDisarmSessionRetry | CloseNow(e);
    case K::WindowClose:
        if (calibrationOpen_) return Common(LifeEvent{K::Close, e.present, e.workerRunning});
        return kDestroyWindow;
    case K::SessionEnding:
        if (calibrationOpen_) return Common(LifeEvent{K::Close, e.present, e.workerRunning});
        // The process ends now: the worker is waited for only briefly.
        state_ = LifeState::Closed;
        return kReleaseWorker | kDisarmStartRetry | kDisarmSessionRetry | kFinishClose;
    default:
        return 0;
    }
}

// A session notice or the session retry's console read: the console comes
// (the block and the worker, as on an arrival) or goes (the worker stops, a
// calibration on the screen ends and keeps the block from before). The
// retry stops once the notices are registered and the console is known, or
// after its last try.
LifeActions Lifecycle::FollowConsole(const LifeEvent& e) {
    const auto owns = ConsoleAfter(e);
    LifeActions actions = 0;
    if (e.kind == K::ConsoleRead) {
        if (sessionRetriesLeft_ > 0) --sessionRetriesLeft_;
        const bool settled = e.noticesRegistered && consoleKnown_;
        if (settled || sessionRetriesLeft_ == 0) actions |= kDisarmSessionRetry;
    }
    if (!owns) return actions;
    if (!*owns && AtConsole())
        return actions | Leave(state_ == LifeState::Calibrating ? kEndCalibrationSession : 0);
    // A session ended by the console's leaving finishes first.
    if (*owns && state_ == LifeState::Away && !calibrationOpen_) return actions | Come(e);
    return actions;
}

// ---- One handler per state ----

LifeActions Lifecycle::OnNoDevice(const LifeEvent& e) {
    switch (e.kind) {
    case K::DeviceNotice:
    case K::HandleRemoveComplete:
    case K::Resume:
        return e.present ? Arrive(e, kSendBlock) : kShowDetached;
    case K::DisplayChange:
        return trackRotation_ ? kUpdateOrientation | kSendBlock : 0;
    case K::EditorClosed:
        return kSendBlock;
    case K::CalibrationAsked:
        return BeginCalibration();
    default:
        return 0;
    }
}

LifeActions Lifecycle::OnRunning(const LifeEvent& e) {
    switch (e.kind) {
    case K::DeviceNotice:
        if (!e.present) return Remove();
        // A notice about another device leaves a healthy channel alone.
        return e.channelGone ? kMarkChannelStale : 0;
    case K::HandleRemoveComplete:
        // The worker's handle is dead; a device already back gets a new one.
        return e.present ? kMarkChannelStale : Remove();
    case K::Resume:
        // The controller may have lost its settings in sleep.
        return e.present ? kSendBlock : Remove();
    case K::HandleQueryRemove:
        state_ = LifeState::Released;
        return kReleaseWorker | kDisableGeneral;
    case K::DisplayChange:
        return trackRotation_ ? kUpdateOrientation | kSendBlock : 0;
    case K::EditorClosed:
    case K::WorkerBlockRequest:
        return kSendBlock;
    case K::CalibrationAsked:
        return BeginCalibration();
    case K::WorkerEnded:
        if (e.workerRunning) return 0;
        // The wanted worker ended by itself: its open failed. The next
        // notice that finds the device starts another.
        if (!e.present) return Remove();
        state_ = LifeState::NoDevice;
        return kStopWorker;
    default:
        return 0;
    }
}

LifeActions Lifecycle::OnStartDeferred(const LifeEvent& e) {
    switch (e.kind) {
    case K::StartRetry:
        if (e.workerRunning) return 0;
        state_ = LifeState::Running;
        return kStartWorker | kDisarmStartRetry;
    case K::DeviceNotice:
        // The new worker opens a channel of its own and asks for nothing.
        return e.present ? 0 : Remove();
    case K::WorkerEnded:
        return 0;
    case K::HandleQueryRemove:  // the last worker's handle: its read is cut
    case K::CalibrationAsked:
        // Nothing is started meanwhile.
        return kDisarmStartRetry | OnRunning(e);
    default:
        return OnRunning(e);
    }
}

LifeActions Lifecycle::OnReleased(const LifeEvent& e) {
    switch (e.kind) {
    case K::HandleRemoveCancelled:
        // The device stays and keeps its block: only the worker comes back.
        return e.present ? Arrive(e, 0) : Remove();
    case K::HandleRemoveComplete:
        return e.present ? Arrive(e, kSendBlock) : Remove();
    case K::DeviceNotice:
        // Until Windows says how the removal ended, no worker is started.
        if (e.present) return kShowAttached;
        return Remove();
    case K::DisplayChange:
        return trackRotation_ ? kUpdateOrientation : 0;
    case K::EditorClosed:
        return kSendBlock;
    case K::CalibrationAsked:
        return kShowNotFinished;
    default:
        return 0;
    }
}

LifeActions Lifecycle::OnCalibrating(const LifeEvent& e) {
    switch (e.kind) {
    case K::CalibrationEnded:
        calibrationOpen_ = false;
        // Without the device the block waits for its arrival, which sends it.
        if (!e.present) {
            state_ = LifeState::NoDevice;
            return kApplyCalibration | kShowOutcome;
        }
        return kApplyCalibration | kSendBlock | StartOrDefer(e) | kShowOutcome;
    case K::DeviceNotice:
    case K::HandleRemoveComplete:
        // The session reads the device itself; the run sends at its end.
        return e.present ? kShowAttached | kEnableGeneral : kShowDetached | kDisableGeneral;
    case K::DisplayChange:
        // The block is half written by the session: never sent from here.
        return trackRotation_ ? kUpdateOrientation : 0;
    default:
        return 0;
    }
}

LifeActions Lifecycle::OnAway(const LifeEvent& e) {
    switch (e.kind) {
    case K::DeviceNotice:
    case K::HandleRemoveComplete:
    case K::Resume:
        return e.present ? kShowAttached : kShowDetached;
    case K::DisplayChange:
        // Kept in the live block; the console's return sends it.
        return trackRotation_ ? kUpdateOrientation : 0;
    case K::CalibrationAsked:
        return kShowNotFinished;
    case K::CalibrationEnded:
        calibrationOpen_ = false;
        return kKeepBlockFromBefore | kShowNotFinished;
    default:
        return 0;
    }
}

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
        if (calibrationOpen_) return 0;
        state_ = LifeState::Closed;
        return kReleaseWorker | kFinishClose;
    default:
        // Nothing starts and nothing is sent any more.
        return 0;
    }
}
