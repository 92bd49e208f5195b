// The lifecycle over every sequence of events up to a depth: a model of the
// world the program lives in (two copies in two sessions, one console, one
// controller, the worker's handle and its removal, a calibration run, the
// editors, Close and the session's end, sleep, display changes, the timers,
// a worker still inside its read) drives the real Lifecycle through the
// real translation of window messages, breadth-first, each world state
// visited once. After every step the invariants below are checked; a
// violation prints the shortest sequence of events that leads to it.
//
// Then the diagram of docs/architecture.md is compared with the transitions
// the exploration saw, both ways.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "lifecycle/ConsoleSession.h"
#include "lifecycle/LifeLog.h"
#include "lifecycle/Lifecycle.h"
#include "lifecycle/MessageEvents.h"
#include "shell/resources/resource.h"

namespace {

int kDepth = 13;
constexpr uint32_t kSessions[2] = {1, 2};
// The world queues at most kQueueCapacity - 1 notices to a copy; the last
// place is for the notice an action makes (a session ended).
constexpr int kQueueCapacity = 3;

// The notices Windows (or the program itself) queues to a copy's window:
// name, message, wParam, lParam, the header a device notice carries.
constexpr DeviceHeader kInterfaceHeader{true, 32, kDeviceTypeInterface, true};
constexpr DeviceHeader kHandleHeader{true, 40, kDeviceTypeHandle, false};
constexpr uint64_t kPowerSuspend = 0x0004;  // PBT_APMSUSPEND: no event, granted
// Arrival and InterfaceRemoved are the driver's interface; the Handle ones
// the worker's handle: its removal request failed, its removal is pending,
// its device went. ConsoleConnect is also a RemoteFX session's.
#define NOTICES(X)                                                                     \
    X(Arrival, kMsgDeviceChange, kDeviceArrival, 1, kInterfaceHeader)                  \
    X(InterfaceRemoved, kMsgDeviceChange, kDeviceRemoveComplete, 1, kInterfaceHeader)  \
    X(HandleCancelled, kMsgDeviceChange, kDeviceQueryRemoveFailed, 1, kHandleHeader)   \
    X(HandlePending, kMsgDeviceChange, kDeviceRemovePending, 1, kHandleHeader)         \
    X(HandleComplete, kMsgDeviceChange, kDeviceRemoveComplete, 1, kHandleHeader)       \
    X(ConsoleConnect, kMsgSessionChange, kConsoleConnectEvent, 0, {})                  \
    X(ConsoleDisconnect, kMsgSessionChange, kConsoleDisconnectEvent, 0, {})            \
    X(Suspend, kMsgPowerBroadcast, kPowerSuspend, 0, {})                               \
    X(Resume, kMsgPowerBroadcast, kPowerResumeAutomatic, 0, {})                        \
    X(DisplayChange, kMsgDisplayChange, 0, 0x03000400, {})                             \
    X(WorkerEnded, kMsgWorkerEnded, 0, 0, {})                                          \
    X(BlockRequest, kMsgWorkerBlockRequest, 0, 0, {})                                  \
    X(CalibrationEnded, kMsgCalibrationEnded, 0, 0, {})                                \
    X(ServiceReady, kMsgSessionServiceReady, 0, 0, {})                                 \
    X(SessionLock, kMsgSessionChange, kSessionLockEvent, 0, {})                        \
    X(SessionUnlock, kMsgSessionChange, kSessionUnlockEvent, 0, {})                    \
    X(DisplayOff, kMsgPowerBroadcast, kPowerSettingChange, 1, {}, {true, kDisplayOff}) \
    X(DisplayOn, kMsgPowerBroadcast, kPowerSettingChange, 1, {}, {true, kDisplayDimmed})

enum class Notice : uint8_t {
#define ENUM(name, ...) name,
    NOTICES(ENUM)
#undef ENUM
};
constexpr const char* kNoticeNames[] = {
#define NAME(name, ...) #name,
    NOTICES(NAME)
#undef NAME
};
constexpr WindowMessage kNoticeMessages[] = {
#define MESSAGE(name, message, wParam, lParam, ...) {message, wParam, lParam, __VA_ARGS__},
    NOTICES(MESSAGE)
#undef MESSAGE
};
constexpr bool IsScreenNotice(Notice n) {
    return n == Notice::SessionLock || n == Notice::SessionUnlock || n == Notice::DisplayOff ||
           n == Notice::DisplayOn;
}

// The worker as the world sees it.
enum class Worker : uint8_t {
    Off,
    Reading,   // wanted, inside its read
    Stopping,  // asked to stop, still inside its read: it takes the next report
    Ending,    // its read cut short: it ends without taking anything
};

// The calibration run on the screen.
enum class Run : uint8_t { None, Session, MissingBox };

struct CopyWorld {
    Lifecycle life;
    Worker worker = Worker::Off;
    Run run = Run::None;
    bool startTimer = false, sessionTimer = false, probeTimer = false;
    bool calibrationButton = false;
    bool editor = false;       // the Parameters dialog is open
    bool holds = false;        // the driver has this copy's block as last changed
    bool renew = false;        // the worker was told to take a new channel
    bool registered = false;   // the session notices reach this copy
    bool consoleNews = false;  // the console moved and an unregistered copy has not read it
    bool finished = false;     // FinishClose carried out
    bool closeAsked = false;   // the tray's Close was chosen
    // A tick already posted when its timer was killed: start, session, probe.
    uint8_t lateTicks = 0;
    bool parkOwed = false;  // the copy heard the screen go unused; no ParkWorker since
    uint8_t queueLength = 0;
    std::array<Notice, kQueueCapacity> queue{};
};

constexpr uint8_t kLateStart = 1, kLateSession = 2, kLateProbe = 4;

enum class Removal : uint8_t { None, Asked };

struct World {
    std::array<CopyWorld, 2> copy;
    uint32_t console = kSessions[0];  // kNoConsoleSession while switching
    bool device = true;
    bool slow = false;         // gone in sleep, coming back without a notice
    bool serviceReady = true;  // the session notices can be registered
    Removal removal = Removal::None;
    uint8_t holders = 0;  // whose worker handles the removal is about, a bit a copy
    uint8_t disturbances = 0;
    bool locked[2] = {false, false};  // each copy's session
    bool dark = false;                // the console's display
};

using Key = std::array<uint64_t, 3>;

uint64_t PackCopy(const CopyWorld& c) {
    uint64_t v = c.life.Fingerprint();
    uint64_t bits = static_cast<uint64_t>(c.worker) | static_cast<uint64_t>(c.run) << 2 |
                    uint64_t{c.startTimer} << 4 | uint64_t{c.sessionTimer} << 5 |
                    uint64_t{c.probeTimer} << 6 | uint64_t{c.calibrationButton} << 7 |
                    uint64_t{c.editor} << 8 | uint64_t{c.holds} << 9 | uint64_t{c.renew} << 10 |
                    uint64_t{c.registered} << 11 | uint64_t{c.consoleNews} << 12 |
                    uint64_t{c.finished} << 13 | uint64_t{c.queueLength} << 14 |
                    uint64_t{c.closeAsked} << 17 | uint64_t{c.lateTicks} << 18 | uint64_t{c.parkOwed} << 36;
    for (int i = 0; i < c.queueLength; ++i) bits |= static_cast<uint64_t>(c.queue[i]) << (21 + 5 * i);
    static_assert(kQueueCapacity * 5 + 22 + 27 <= 64);
    return v | bits << 27;
}

Key Pack(const World& w) {
    const uint64_t world = (w.console == kNoConsoleSession ? 3u : w.console) | uint64_t{w.device} << 2 |
                           uint64_t{w.slow} << 3 | uint64_t{w.serviceReady} << 4 |
                           static_cast<uint64_t>(w.removal) << 5 | uint64_t{w.holders} << 6 |
                           uint64_t{w.disturbances} << 8 | uint64_t{w.locked[0]} << 11 |
                           uint64_t{w.locked[1]} << 12 | uint64_t{w.dark} << 13;
    return {PackCopy(w.copy[0]), PackCopy(w.copy[1]), world};
}

struct KeyHash {
    size_t operator()(const Key& k) const {
        return (k[0] * 0x9E3779B97F4A7C15ull) ^ (k[1] * 0xC2B2AE3D27D4EB4Full) ^ (k[2] + (k[1] >> 31));
    }
};

// ---- World events ----

// name, what it is in a trace, whose (a copy's or the world's), and whether
// it disturbs: what the world does by itself or the user starts, as against
// the answers (a notice delivered, a timer, the worker's end, the user
// ending what is on the screen). A sequence holds at most kDisturbances of
// them: the rest of its depth goes to their notices, in every order.
#define STEPS(X)                                                                                      \
    X(Deliver, "deliver", kCopy, false) /* the copy's next queued notice */                           \
    X(StartTick, "start retry tick", kCopy, false)                                                    \
    X(SessionTick, "session retry tick", kCopy, false)                                                \
    X(ProbeTick, "probe retry tick", kCopy, false)                                                    \
    X(WorkerLeaves, "worker leaves its read", kCopy, false)       /* and ends */                      \
    X(WorkerRenews, "worker renews its channel", kCopy, false)    /* asks for the block */            \
    X(AskCalibration, "user asks for a calibration", kCopy, true) /* in GENERAL */                    \
    X(UserEndsRun, "user ends the run", kCopy, false)             /* or its device-missing box */     \
    X(OpenEditor, "user opens Parameters", kCopy, true)                                               \
    X(EditorCloseBox, "Parameters' close box", kCopy, false)                                          \
    X(EditorEnter, "Enter in Parameters", kCopy, false)                                               \
    X(TrayClose, "tray Close", kCopy, true)                                                           \
    X(WindowClose, "WM_CLOSE", kCopy, true)                 /* from another program (an installer) */ \
    X(RestartManager, "Restart Manager close", kCopy, true) /* ENDSESSION_CLOSEAPP */                 \
    X(ConsoleLeaves, "console leaves", kCopy, true)         /* the copy's session, to none */         \
    X(ConsoleComes, "console comes", kCopy, true)           /* from none to the copy's session */     \
    X(RemoteConnect, "RemoteFX connect", kCopy, true)       /* for a session not at it */             \
    X(Lock, "session locked", kCopy, true)                                                            \
    X(Unlock, "session unlocked", kCopy, true)                                                        \
    X(Unplug, "unplug", kWorld, true)                                                                 \
    X(Plug, "plug", kWorld, true)                                                                     \
    X(RemovalAsked, "removal asked", kWorld, true)                                                    \
    X(RemovalCancelled, "removal cancelled", kWorld, true)                                            \
    X(RemovalCompleted, "removal completed", kWorld, true)                                            \
    X(Resume, "resume", kWorld, true)                                                                 \
    X(ResumeSlow, "resume, device late", kWorld, true) /* not back yet at resume */                   \
    X(SilentReturn, "device back without a notice", kWorld, true)                                     \
    X(DisplayChange, "display change", kWorld, true)                                                  \
    X(ServiceReady, "session service ready", kWorld, true)                                            \
    X(DisplayOff, "display off", kWorld, true) /* the console's display */                            \
    X(DisplayOn, "display on", kWorld, true)

enum Scope : bool { kWorld, kCopy };
enum class Step : uint8_t {
#define ENUM(name, ...) name,
    STEPS(ENUM)
#undef ENUM
        Count,
};
struct StepRow {
    const char* name;
    Scope scope;
    bool disturbs;
};
constexpr StepRow kSteps[] = {
#define ROW(name, text, scope, disturbs) {text, scope, disturbs},
    STEPS(ROW)
#undef ROW
};
constexpr const char* StepName(Step s) { return kSteps[static_cast<int>(s)].name; }
constexpr bool PerCopy(Step s) { return kSteps[static_cast<int>(s)].scope == kCopy; }
constexpr bool Disturbs(Step s) { return kSteps[static_cast<int>(s)].disturbs; }
int kDisturbances = 4;

// Every event some sequence handed over: an event no step of the world
// makes is one the exploration does not prove.
std::array<bool, kLifeEventCount> EventsSeen{};

struct Label {
    Step step;
    uint8_t copy;
};

// ---- What a step does, and the checks ----

struct Explorer;

struct Runner {
    explicit Runner(const World& world) : w(world) {}

    World w;
    std::string violation;
    // The copies whose machine handled an event in this step: only theirs
    // can have broken the regions' rules.
    bool touched[2] = {false, false};
    bool probeOpen = false;                     // the main thread holds a probe's handle
    std::vector<std::string>* trace = nullptr;  // transitions, when replaying
    std::array<bool, kLifeStateCount* kLifeEventCount* kLifeStateCount>* edges = nullptr;

    void Fail(const std::string& what) {
        if (violation.empty()) violation = what;
    }

    static uint32_t SessionOf(int c) { return kSessions[c]; }
    bool Owns(int c) const { return w.console == SessionOf(c); }

    bool Enqueue(int c, Notice n, bool byAction = false) {
        CopyWorld& copy = w.copy[c];
        if (copy.finished) return true;  // the message loop has ended
        if (copy.queueLength >= kQueueCapacity - (byAction ? 0 : 1)) return false;
        copy.queue[copy.queueLength++] = n;
        return true;
    }

    // The facts the window gathers for the event, from the world.
    uint8_t Gather(int c, LifeEvent& e) {
        CopyWorld& copy = w.copy[c];
        const uint8_t facts = copy.life.FactsFor(e.kind);
        if (facts & kProbe) {
            e.present = w.device;
            // The probe's handle: open until the block is sent on it or
            // the event's actions are done.
            probeOpen = w.device;
            // (Another copy was not asked, and cannot know.)
            if (w.device && w.removal != Removal::None && (w.holders >> c & 1))
                Fail("the main thread opened the device while its removal is pending");
        }
        if (facts & kRegister) {
            if (w.serviceReady) copy.registered = true;
            e.noticesRegistered = copy.registered;
        }
        if (facts & kConsole) {
            e.console = w.console;
            copy.consoleNews = false;
        }
        e.workerRunning = copy.worker != Worker::Off;
        return facts;
    }

    // Nobody can use the copy's screen, and the copy has heard so.
    bool Unseen(int c) const {
        if (!w.locked[c] && !w.dark) return false;
        const CopyWorld& copy = w.copy[c];
        for (int i = 0; i < copy.queueLength; ++i)
            if (IsScreenNotice(copy.queue[i])) return false;
        return true;
    }

    void Handle(int c, LifeEvent e) {
        CopyWorld& copy = w.copy[c];
        touched[c] = true;
        EventsSeen[static_cast<int>(e.kind)] = true;
        const uint8_t facts = Gather(c, e);
        const LifeState from = copy.life.State();
        const bool finishedBefore = copy.life.Finished();
        const bool usedBefore = !copy.life.ScreenUnused();
        const LifeActions a = copy.life.Handle(e);
        if (usedBefore && copy.life.ScreenUnused()) copy.parkOwed = true;
        // Invariant 5: while nobody can use the screen, no driver call.
        if (Unseen(c) && (facts & kProbe)) Fail("a probe while nobody can use the screen");
        if (Unseen(c) && (a & (kSendBlock | kStartWorker | kRunCalibration)))
            Fail("sent, started or calibrated while nobody can use the screen");
        const LifeState to = copy.life.State();
        if (trace)
            trace->push_back("    copy " + std::to_string(c + 1) + ": " + Describe({from, e.kind, to, a}));
        if (edges && from != to)
            (*edges)[(static_cast<int>(from) * kLifeEventCount + static_cast<int>(e.kind)) * kLifeStateCount +
                     static_cast<int>(to)] = true;
        CheckActionSet(c, a, finishedBefore);
        CarryOut(c, a);
        probeOpen = false;
        // The process may end as soon as WM_ENDSESSION's handler returns.
        if (e.kind == LifeEventKind::SessionEnding && !copy.finished)
            Fail("the session's end left the program running");
    }

    void HandleMessage(int c, const WindowMessage& m) {
        if (const auto e = EventFor(m)) Handle(c, *e);
    }

    // Invariant 4 (and the finishing rule of invariant 3) on one set.
    void CheckActionSet(int c, LifeActions a, bool finishedBefore) {
        constexpr std::pair<LifeActions, LifeActions> kOpposites[] = {
            {kShowAttached, kShowDetached},
            {kEnableGeneral, kDisableGeneral},
            {kEnableCalibration, kDisableCalibration},
            {kArmStartRetry, kDisarmStartRetry},
            {kArmSessionRetry, kDisarmSessionRetry},
            {kArmProbeRetry, kDisarmProbeRetry},
            {kStartWorker, kStopWorker},
            {kStartWorker, kReleaseWorker},
        };
        for (const auto& [on, off] : kOpposites)
            if ((a & on) && (a & off)) Fail("an action set both does and undoes one thing");
        constexpr LifeActions kFinishing = kEndCalibrationSession | kKeepBlockFromBefore | kStopWorker |
                                           kReleaseWorker | kDropHandleNotice | kDisarmStartRetry |
                                           kDisarmSessionRetry | kDisarmProbeRetry | kDisableCalibration |
                                           kEndEditor | kEndGeneralDialog | kDestroyWindow | kFinishClose;
        if ((finishedBefore || w.copy[c].life.Finished()) && (a & ~kFinishing))
            Fail("an action after Close that does not finish");
        if ((a & kStartWorker) && w.copy[c].worker != Worker::Off)
            Fail("a worker started beside one still running");
        if ((a & kRunCalibration) && w.copy[c].worker != Worker::Off)
            Fail("a calibration session beside a running worker");
        const bool drives = a & (kStartWorker | kSendBlock | kRunCalibration);
        if (drives && !Owns(c) && !ConsoleNewsPending(c))
            Fail("a copy away from the console started, sent or calibrated");
    }

    void CarryOut(int c, LifeActions a) {
        CopyWorld& copy = w.copy[c];
        for (LifeAction action : kLifeActionOrder) {
            if (!(a & Bit(action))) continue;
            using A = LifeAction;
            switch (action) {
            case A::EndCalibrationSession:
                // The device-missing box is not the session: it waits.
                if (copy.run == Run::Session) {
                    copy.run = Run::None;
                    if (!Enqueue(c, Notice::CalibrationEnded, true)) Fail("the model's queue overflowed");
                }
                break;
            case A::KeepBlockFromBefore:
            case A::StoreScreenSize:
            case A::DropHandleNotice:
            case A::ShowAttached:
            case A::ShowDetached:
            case A::EnableGeneral:
            case A::DisableGeneral:
            case A::EndGeneralDialog:
                break;
            case A::ShowOutcome:
            case A::ShowNotFinished:
                if (probeOpen) Fail("a probe's handle open across a message box");
                break;
            case A::ApplyCalibration:
            case A::UpdateOrientation:
                copy.holds = false;
                break;
            case A::StopWorker:
                if (copy.worker == Worker::Reading) copy.worker = Worker::Stopping;
                break;
            case A::ReleaseWorker:
                if (copy.worker != Worker::Off) copy.worker = Worker::Ending;
                break;
            case A::ParkWorker:
                copy.parkOwed = false;
                break;
            case A::MarkChannelStale:
                if (copy.worker == Worker::Reading) copy.renew = true;
                break;
            // A copy that has not yet had the notice of the console's leaving
            // may still send (invariant 1 allows it); what counts for the
            // console's copy is that it sent since it came, the device
            // arrived or its block changed.
            case A::SendBlock:
                if (w.device) copy.holds = true;
                probeOpen = false;
                break;
            case A::StartWorker:
                // Invariant 6: the worker after a park starts afresh and
                // throws away what the driver queued meanwhile.
                if (copy.parkOwed) Fail("a worker started after a park without ParkWorker");
                copy.worker = Worker::Reading;
                copy.renew = false;
                break;
            case A::ArmStartRetry:
                copy.startTimer = true;
                break;
            case A::DisarmStartRetry:
                copy.lateTicks |= kLateStart;
                copy.startTimer = false;
                break;
            case A::ArmSessionRetry:
                copy.sessionTimer = true;
                break;
            case A::DisarmSessionRetry:
                copy.lateTicks |= kLateSession;
                copy.sessionTimer = false;
                break;
            case A::ArmProbeRetry:
                copy.probeTimer = true;
                break;
            case A::DisarmProbeRetry:
                copy.lateTicks |= kLateProbe;
                copy.probeTimer = false;
                break;
            case A::SlowProbeRetry:
                break;
            case A::EnableCalibration:
                copy.calibrationButton = true;
                break;
            case A::DisableCalibration:
                copy.calibrationButton = false;
                break;
            case A::EndEditor:
                copy.editor = false;
                break;
            case A::RunCalibration:
                if (probeOpen) Fail("a probe's handle open across the calibration run");
                copy.run = w.device ? Run::Session : Run::MissingBox;
                break;
            // WM_CLOSE's default: the window is destroyed at once.
            case A::DestroyWindow:
                HandleMessage(c, {kMsgDestroy, 0, 0, {}});
                break;
            case A::FinishClose:
                copy.finished = true;
                copy.queueLength = 0;
                copy.editor = false;
                break;
            }
        }
    }

    static bool Queued(const CopyWorld& copy, Notice n) {
        for (int i = 0; i < copy.queueLength; ++i)
            if (copy.queue[i] == n) return true;
        return false;
    }

    bool ConsoleNewsPending(int c) const {
        const CopyWorld& copy = w.copy[c];
        for (int i = 0; i < copy.queueLength; ++i)
            if (copy.queue[i] == Notice::ConsoleConnect || copy.queue[i] == Notice::ConsoleDisconnect)
                return true;
        return copy.consoleNews;
    }

    bool AtRest() const {
        if (w.removal != Removal::None || w.slow) return false;
        for (const CopyWorld& c : w.copy) {
            if (c.finished) continue;
            if (c.queueLength || c.startTimer || c.sessionTimer || c.probeTimer || c.run != Run::None ||
                c.editor || c.worker == Worker::Stopping || c.worker == Worker::Ending || c.renew ||
                c.consoleNews)
                return false;
        }
        return true;
    }

    void CheckState() {
        for (int c = 0; c < 2; ++c) {
            const CopyWorld& copy = w.copy[c];
            const Lifecycle& life = copy.life;
            const LifeState s = life.State();
            // Invariant 1: away from the console nothing reads the device.
            if (Unseen(c) && !copy.finished) {
                if (copy.worker == Worker::Reading || copy.worker == Worker::Stopping)
                    Fail("a worker reads while nobody can use the screen");
                if (copy.run == Run::Session) Fail("a calibration session while nobody can use the screen");
            }
            if (!Owns(c) && !ConsoleNewsPending(c) && !copy.finished) {
                if (copy.worker == Worker::Reading || copy.worker == Worker::Stopping)
                    Fail("a copy away from the console still reads the device");
                if (copy.run == Run::Session)
                    Fail("a copy away from the console shows a calibration session");
            }
            // Invariant 3: once closed, no timer is left.
            if (s == LifeState::Closed && (copy.startTimer || copy.sessionTimer || copy.probeTimer))
                Fail("a timer armed after the close");
            // A copy that has not read the console's move yet reads it on its
            // next retry tick: the exemption ends.
            // (A closing copy's worker is stopping: it takes one report at most.)
            const bool reads = copy.sessionTimer || (copy.lateTicks & kLateSession) || !w.serviceReady ||
                               Queued(copy, Notice::ServiceReady);
            if (copy.consoleNews && !life.Finished() && !reads)
                Fail("a copy that missed the console's move will never read it");
            if (copy.finished || !touched[c]) continue;
            if ((copy.worker == Worker::Reading) != (s == LifeState::Running))
                Fail("a worker reads where the state wants none, or none where it wants one");
            // The regions.
            if (s == LifeState::Calibrating && !life.CalibrationOpen())
                Fail("Calibrating without its window");
            if (life.CalibrationOpen() && s != LifeState::Calibrating && s != LifeState::Away &&
                s != LifeState::Parked && s != LifeState::Closing)
                Fail("a calibration window outside Calibrating, Parked, Away or Closing");
            const bool atConsole = s != LifeState::Away && s != LifeState::Closing && s != LifeState::Closed;
            if (atConsole && life.ConsoleBelief() != Lifecycle::Console::Here)
                Fail("at the console without it");
            if (s == LifeState::Away && life.ConsoleBelief() == Lifecycle::Console::Here &&
                !life.CalibrationOpen())
                Fail("away from a console the copy has");
            if (copy.sessionTimer != (life.SessionRetriesLeft() > 0))
                Fail("the session retry and its tries disagree");
            if (copy.startTimer != (s == LifeState::StartDeferred))
                Fail("the start retry outside StartDeferred");
            if (copy.probeTimer != (life.ProbeRetriesLeft() > 0))
                Fail("the probe retry and its tries disagree");
            if (copy.calibrationButton != life.CalibrationAllowed())
                Fail("GENERAL's calibration button disagrees with the lifecycle");
            if (copy.calibrationButton) {
                Lifecycle asked = life;
                LifeEvent ask{LifeEventKind::CalibrationAsked};
                ask.workerRunning = copy.worker != Worker::Off;
                if (asked.Handle(ask) & kShowNotFinished)
                    Fail("GENERAL's calibration button enabled where a run is refused");
            }
        }
        // Invariant 2: at rest the console's copy drives, the other nothing.
        if (!AtRest()) return;
        for (int c = 0; c < 2; ++c) {
            const CopyWorld& copy = w.copy[c];
            if (copy.finished) continue;
            if (copy.closeAsked) Fail("the tray's Close left the copy running");
            if (Owns(c) && w.device && !w.locked[c] && !w.dark) {
                if (copy.worker != Worker::Reading) Fail("at rest the console's copy runs no worker");
                if (!copy.holds) Fail("at rest the driver lacks the console copy's block");
            } else if (copy.worker != Worker::Off) {
                Fail("at rest a copy that should drive nothing runs a worker");
            }
        }
    }

    // A timer's tick: while armed, or once after KillTimer when it was
    // already posted.
    static bool Tick(CopyWorld& copy, bool armed, uint8_t late) {
        if (armed) return true;
        if (!(copy.lateTicks & late)) return false;
        copy.lateTicks &= ~late;
        return true;
    }

    // Applies `label`; false when it cannot happen in this world.
    bool Apply(Label label) {
        const int c = label.copy;
        CopyWorld& copy = w.copy[c];
        if (PerCopy(label.step) && copy.finished) return false;
        if (Disturbs(label.step) && w.disturbances++ == kDisturbances) return false;
        switch (label.step) {
        case Step::Deliver: {
            if (!copy.queueLength) return false;
            const Notice n = copy.queue[0];
            for (int i = 1; i < copy.queueLength; ++i) copy.queue[i - 1] = copy.queue[i];
            --copy.queueLength;
            if (trace) trace->push_back(std::string("    (") + kNoticeNames[static_cast<int>(n)] + ")");
            HandleMessage(c, kNoticeMessages[static_cast<int>(n)]);
            return true;
        }
        case Step::StartTick:
            if (!Tick(copy, copy.startTimer, kLateStart)) return false;
            HandleMessage(c, {kMsgTimer, kStartRetryTimer, 0, {}});
            return true;
        case Step::SessionTick:
            if (!Tick(copy, copy.sessionTimer, kLateSession)) return false;
            HandleMessage(c, {kMsgTimer, kSessionRetryTimer, 0, {}});
            return true;
        case Step::ProbeTick:
            if (!Tick(copy, copy.probeTimer, kLateProbe)) return false;
            HandleMessage(c, {kMsgTimer, kProbeRetryTimer, 0, {}});
            return true;
        case Step::WorkerLeaves:
            // A wanted worker keeps reading through failed reads; it ends when
            // stopped. (One whose open fails ends at once, but the lifecycle
            // starts one only on a probe that found the device.)
            if (copy.worker == Worker::Off || copy.worker == Worker::Reading) return false;
            copy.worker = Worker::Off;
            copy.renew = false;
            return Enqueue(c, Notice::WorkerEnded);
        case Step::WorkerRenews:
            if (!copy.renew || copy.worker != Worker::Reading || !w.device) return false;
            copy.renew = false;
            return Enqueue(c, Notice::BlockRequest);
        case Step::AskCalibration:
            // Also with an editor open: a command posted to GENERAL.
            if (copy.run != Run::None || copy.life.CalibrationOpen()) return false;
            Handle(c, LifeEvent{LifeEventKind::CalibrationAsked});
            return true;
        case Step::UserEndsRun:
            if (copy.run == Run::None) return false;
            copy.run = Run::None;
            return Enqueue(c, Notice::CalibrationEnded);
        case Step::OpenEditor:
            if (copy.editor || copy.run != Run::None || copy.life.CalibrationOpen()) return false;
            copy.editor = true;
            return true;
        case Step::EditorCloseBox:
            if (!copy.editor) return false;
            copy.holds = false;  // the edits are meant for the driver
            Handle(c, LifeEvent{LifeEventKind::EditorClosed});
            return true;
        case Step::EditorEnter:
            if (!copy.editor) return false;
            Handle(c, LifeEvent{LifeEventKind::EditorDismissed});
            return true;
        case Step::TrayClose:
            copy.closeAsked = true;
            HandleMessage(c, {kMsgCommand, IDM_CLOSE, 0, {}});
            return true;
        case Step::WindowClose:
            HandleMessage(c, {kMsgClose, 0, 0, {}});
            return true;
        case Step::RestartManager:
            HandleMessage(c, {kMsgEndSession, 1, 1, {}});
            return true;
        case Step::ConsoleLeaves:
            if (!Owns(c)) return false;
            w.console = kNoConsoleSession;
            return NoticeConsole(c, Notice::ConsoleDisconnect);
        case Step::ConsoleComes:
            if (w.console != kNoConsoleSession) return false;
            w.console = SessionOf(c);
            return NoticeConsole(c, Notice::ConsoleConnect);
        case Step::RemoteConnect:
            if (Owns(c) || ConsoleNewsPending(c) || !copy.registered) return false;
            return Enqueue(c, Notice::ConsoleConnect);
        case Step::Lock:
        case Step::Unlock:
            if (w.locked[c] == (label.step == Step::Lock)) return false;
            w.locked[c] = label.step == Step::Lock;
            return Enqueue(c, w.locked[c] ? Notice::SessionLock : Notice::SessionUnlock);
        case Step::DisplayOff:
        case Step::DisplayOn:
            if (w.dark == (label.step == Step::DisplayOff)) return false;
            w.dark = label.step == Step::DisplayOff;
            for (int i = 0; i < 2; ++i)
                if (!Enqueue(i, w.dark ? Notice::DisplayOff : Notice::DisplayOn)) return false;
            return true;
        case Step::Unplug:
            if (!w.device || w.removal != Removal::None || w.slow) return false;
            w.device = false;
            for (int i = 0; i < 2; ++i) {
                w.copy[i].holds = false;
                if (!Enqueue(i, Notice::InterfaceRemoved)) return false;
                if (w.copy[i].worker != Worker::Off && !Enqueue(i, Notice::HandleComplete)) return false;
            }
            return true;
        case Step::Plug:
            if (w.device || w.slow) return false;
            w.device = true;
            for (int i = 0; i < 2; ++i) {
                w.copy[i].holds = false;
                if (!Enqueue(i, Notice::Arrival)) return false;
            }
            return true;
        case Step::RemovalAsked: {
            if (!w.device || w.removal != Removal::None || w.slow) return false;
            // Every copy whose worker holds a handle is asked; a handle whose
            // device already went is asked nothing more.
            uint8_t holders = 0;
            for (int i = 0; i < 2; ++i)
                if (!w.copy[i].finished &&
                    (w.copy[i].worker == Worker::Reading || w.copy[i].worker == Worker::Stopping)) {
                    if (Queued(w.copy[i], Notice::HandleComplete)) return false;
                    holders |= 1 << i;
                }
            if (!holders) return false;
            w.removal = Removal::Asked;
            w.holders = holders;
            for (int i = 0; i < 2; ++i) {
                if (!(holders >> i & 1)) continue;
                // Sent: answered before Windows goes on, with the handle closed.
                HandleMessage(i, {kMsgDeviceChange, kDeviceQueryRemove, 1, kHandleHeader});
                if (w.copy[i].worker == Worker::Reading || w.copy[i].worker == Worker::Stopping)
                    Fail("a removal request answered with the copy's handle open");
            }
            return true;
        }
        case Step::RemovalCancelled:
            if (w.removal != Removal::Asked) return false;
            w.removal = Removal::None;
            for (int i = 0; i < 2; ++i)
                if ((w.holders >> i & 1) && !Enqueue(i, Notice::HandleCancelled)) return false;
            return true;
        case Step::RemovalCompleted: {
            if (w.removal != Removal::Asked) return false;
            // Only once every handle on the device is closed.
            for (const CopyWorld& other : w.copy)
                if (!other.finished && (other.worker == Worker::Reading || other.worker == Worker::Stopping))
                    return false;
            w.removal = Removal::None;
            w.device = false;
            // A holder gets its handle's DBT_DEVICEREMOVEPENDING, then
            // COMPLETE (its interface's notice says the same and is left
            // out, to keep the queue short); the others the interface's.
            for (int i = 0; i < 2; ++i) {
                w.copy[i].holds = false;
                const bool ok = (w.holders >> i & 1)
                                    ? Enqueue(i, Notice::HandlePending) && Enqueue(i, Notice::HandleComplete)
                                    : Enqueue(i, Notice::InterfaceRemoved);
                if (!ok) return false;
            }
            return true;
        }
        case Step::Resume:
        case Step::ResumeSlow:
            if (label.step == Step::ResumeSlow) {
                if (!w.device || w.removal != Removal::None) return false;
                w.device = false;
                w.slow = true;
            }
            for (int i = 0; i < 2; ++i) {
                w.copy[i].holds = false;  // the controller may have lost its settings
                if (!Enqueue(i, Notice::Suspend) || !Enqueue(i, Notice::Resume)) return false;
            }
            return true;
        case Step::SilentReturn:
            if (!w.slow) return false;
            w.slow = false;
            w.device = true;
            return true;
        case Step::DisplayChange:
            for (int i = 0; i < 2; ++i)
                if (!Enqueue(i, Notice::DisplayChange)) return false;
            return true;
        case Step::ServiceReady:
            if (w.serviceReady) return false;
            w.serviceReady = true;
            for (int i = 0; i < 2; ++i)
                if (!w.copy[i].registered && !Enqueue(i, Notice::ServiceReady)) return false;
            return true;
        case Step::Count:
            return false;
        }
        return false;
    }

    // The copy of the session concerned gets its notice when registered;
    // an unregistered one learns of it from its next retry tick.
    bool NoticeConsole(int c, Notice n) {
        for (int i = 0; i < 2; ++i)
            if (!w.copy[i].registered) w.copy[i].consoleNews = true;
        if (!w.copy[c].registered) return true;
        return Enqueue(c, n);
    }
};

// A starting world: both copies created, with what each window does first.
World StartWorld(uint32_t console, bool device, bool serviceReady) {
    Runner r{World{}};
    r.w.console = console;
    r.w.device = device;
    r.w.serviceReady = serviceReady;
    for (int c = 0; c < 2; ++c) {
        CopyWorld& copy = r.w.copy[c];
        copy.registered = serviceReady;
        LifeStart start{kSessions[c], console, serviceReady, device, true, 2, 2};
        const LifeActions a = copy.life.Start(start);
        r.CarryOut(c, a);
    }
    return r.w;
}

// The transitions the exploration saw, from x event x to.
using Edges = std::array<bool, kLifeStateCount * kLifeEventCount * kLifeStateCount>;

// A state seen, for the way back to its root.
struct Node {
    uint32_t parent;  // kRoot: one of the starting worlds, `label.copy` its index
    Label label;
};
constexpr uint32_t kRoot = 0xFFFFFFFF;

// The states seen, by a 64-bit hash of their key: open addressing, cheap
// under the sanitizers. Two keys with one hash would merge two states; at
// these sizes the chance is about one in ten million.
class Seen {
public:
    explicit Seen(int log2) : slots_(size_t{1} << log2, 0), mask_((size_t{1} << log2) - 1) {}
    bool Add(const Key& key) {
        uint64_t h = KeyHash{}(key)*0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        if (!h) h = 1;
        for (size_t i = h & mask_;; i = (i + 1) & mask_) {
            if (slots_[i] == h) return false;
            if (!slots_[i]) {
                slots_[i] = h;
                if (++count_ * 10 > slots_.size() * 7) Grow();
                return true;
            }
        }
    }
    size_t Count() const { return count_; }

private:
    void Grow() {
        std::vector<uint64_t> old;
        old.swap(slots_);
        slots_.assign(old.size() * 2, 0);
        mask_ = slots_.size() - 1;
        for (uint64_t h : old) {
            if (!h) continue;
            size_t i = h & mask_;
            while (slots_[i]) i = (i + 1) & mask_;
            slots_[i] = h;
        }
    }
    std::vector<uint64_t> slots_;
    size_t mask_;
    size_t count_ = 0;
};

std::vector<World> Starts() {
    return {
        StartWorld(kSessions[0], true, true),
        StartWorld(kSessions[0], false, true),
        StartWorld(kNoConsoleSession, true, true),
        StartWorld(kSessions[0], true, false),
    };
}

std::string Replay(const std::vector<Node>& nodes, uint32_t index) {
    std::vector<Label> labels;
    while (nodes[index].parent != kRoot) {
        labels.push_back(nodes[index].label);
        index = nodes[index].parent;
    }
    std::vector<std::string> lines;
    Runner r(Starts()[nodes[index].label.copy]);
    r.trace = &lines;
    std::string out = "  start: console " + std::to_string(r.w.console) +
                      (r.w.device ? ", device present" : ", no device") +
                      (r.w.serviceReady ? "" : ", session service not ready") + "\n";
    for (auto it = labels.rbegin(); it != labels.rend(); ++it) {
        lines.clear();
        r.Apply(*it);
        out += "  " + std::string(StepName(it->step)) +
               (PerCopy(it->step) ? " (copy " + std::to_string(it->copy + 1) + ")" : "") + "\n";
        for (const std::string& line : lines) out += line + "\n";
    }
    return out;
}

// Breadth-first, one level of worlds at a time.
bool Explore(Edges& edges) {
    std::vector<Node> nodes;
    Seen seen(20);
    std::vector<std::pair<World, uint32_t>> level, next;
    const std::vector<World> starts = Starts();
    for (size_t i = 0; i < starts.size(); ++i) {
        if (!seen.Add(Pack(starts[i]))) continue;
        level.push_back({starts[i], static_cast<uint32_t>(nodes.size())});
        nodes.push_back({kRoot, {Step::Deliver, static_cast<uint8_t>(i)}});
    }
    size_t transitions = 0;
    int depth = 0;
    for (; depth < kDepth && !level.empty(); ++depth) {
        next.clear();
        for (const auto& [world, index] : level) {
            for (int s = 0; s < static_cast<int>(Step::Count); ++s) {
                const Step step = static_cast<Step>(s);
                if (Disturbs(step) && world.disturbances == kDisturbances) continue;
                for (int c = 0; c < (PerCopy(step) ? 2 : 1); ++c) {
                    if (PerCopy(step) && world.copy[c].finished) continue;
                    Runner r(world);
                    r.edges = &edges;
                    const Label label{step, static_cast<uint8_t>(c)};
                    if (!r.Apply(label)) continue;
                    r.CheckState();
                    ++transitions;
                    const bool added = seen.Add(Pack(r.w));
                    // The last level is counted and checked, never expanded.
                    const bool last = depth + 1 == kDepth;
                    if ((!added || last) && r.violation.empty()) continue;
                    nodes.push_back({index, label});
                    if (!r.violation.empty()) {
                        std::printf("lifecycle exploration: violation: %s\n%s", r.violation.c_str(),
                                    Replay(nodes, static_cast<uint32_t>(nodes.size() - 1)).c_str());
                        std::printf(
                            "lifecycle exploration: %zu states, %zu transitions, depth %d, 1 violations\n",
                            seen.Count(), transitions, depth + 1);
                        return false;
                    }
                    next.push_back({r.w, static_cast<uint32_t>(nodes.size() - 1)});
                }
            }
        }
        level.swap(next);
    }
    std::printf("lifecycle exploration: %zu states, %zu transitions, depth %d, 0 violations\n", seen.Count(),
                transitions, depth);
    bool reached = true;
    for (int k = 0; k < kLifeEventCount; ++k)
        if (!EventsSeen[k]) {
            std::printf("lifecycle exploration: no sequence hands over %s\n",
                        Name(static_cast<LifeEventKind>(k)));
            reached = false;
        }
    return reached;
}

// ---- The diagram ----

int StateIndex(const std::string& name) {
    for (int s = 0; s < kLifeStateCount; ++s)
        if (name == Name(static_cast<LifeState>(s))) return s;
    return -1;
}

// "    A --> B: text" lines of the mermaid block under "## Lifecycle".
std::set<std::pair<std::string, std::string>> DiagramEdges(const std::string& path) {
    std::ifstream file(path);
    std::set<std::pair<std::string, std::string>> edges;
    std::string line;
    bool inside = false;
    while (std::getline(file, line)) {
        if (line.rfind("```mermaid", 0) == 0)
            inside = true;
        else if (inside && line.rfind("```", 0) == 0)
            break;
        else if (inside) {
            std::istringstream words(line);
            std::string from, arrow, to;
            if (!(words >> from >> arrow >> to) || arrow != "-->") continue;
            if (!to.empty() && to.back() == ':') to.pop_back();
            edges.insert({from, to});
        }
    }
    return edges;
}

bool CompareDiagram(const std::string& path, const Edges& seen) {
    const auto drawn = DiagramEdges(path);
    if (drawn.empty()) {
        std::printf("lifecycle diagram: no transitions found in %s\n", path.c_str());
        return false;
    }
    std::set<std::pair<std::string, std::string>> made;
    for (int i = 0; i < static_cast<int>(seen.size()); ++i)
        if (seen[i])
            made.insert({Name(static_cast<LifeState>(i / kLifeStateCount / kLifeEventCount)),
                         Name(static_cast<LifeState>(i % kLifeStateCount))});
    bool ok = true;
    for (const auto& edge : made)
        if (!drawn.count(edge)) {
            std::printf("lifecycle diagram: the code goes %s --> %s, the diagram does not show it\n",
                        edge.first.c_str(), edge.second.c_str());
            ok = false;
        }
    for (const auto& edge : drawn) {
        if (edge.first == "[*]" || edge.second == "[*]") {
            const std::string& state = edge.first == "[*]" ? edge.second : edge.first;
            if (StateIndex(state) < 0) {
                std::printf("lifecycle diagram: unknown state %s\n", state.c_str());
                ok = false;
            }
            continue;
        }
        if (!made.count(edge)) {
            std::printf("lifecycle diagram: it shows %s --> %s, which the code never makes\n",
                        edge.first.c_str(), edge.second.c_str());
            ok = false;
        }
    }
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (const char* depth = std::getenv("LIFECYCLE_DEPTH")) kDepth = std::atoi(depth);
    if (const char* budget = std::getenv("LIFECYCLE_DISTURBANCES")) kDisturbances = std::atoi(budget);
    Edges edges{};
    if (!Explore(edges)) return 1;
    if (argc > 1 && !CompareDiagram(argv[1], edges)) return 1;
    return 0;
}
