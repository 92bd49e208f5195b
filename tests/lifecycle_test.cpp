// The lifecycle driven through what one Wine session cannot play: several
// sessions and a moving console, resume, removal requests for the worker's
// handle, notices queued behind a Close, a session service not ready yet.
#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>

#include "engine/OwnMessages.h"
#include "lifecycle/ConsoleSession.h"
#include "lifecycle/LifeLog.h"
#include "lifecycle/Lifecycle.h"
#include "lifecycle/MessageEvents.h"
#include "shell/resources/resource.h"

namespace {

using K = LifeEventKind;

// What reaches the controller or starts reading it.
constexpr LifeActions kReachesController = kSendBlock | kStartWorker | kRunCalibration | kApplyCalibration;
// What a copy does when it takes the controller.
constexpr LifeActions kTakesOver = kSendBlock | kStartWorker | kEnableGeneral;

LifeEvent Event(K kind, bool present = true, bool workerRunning = false) {
    LifeEvent e{kind};
    e.present = present;
    e.workerRunning = workerRunning;
    return e;
}

// A session notice, and the console's session as read after it.
LifeEvent Session(uint32_t sessionEvent, uint32_t console) {
    LifeEvent e = Event(K::SessionChange);
    e.sessionEvent = sessionEvent;
    e.console = console;
    return e;
}

LifeEvent ConsoleRead(uint32_t console, bool registered) {
    LifeEvent e = Event(K::ConsoleRead);
    e.console = console;
    e.noticesRegistered = registered;
    return e;
}

// A copy of the program in `session`, started with the console in `console`.
struct Copy {
    Lifecycle life;
    LifeActions started;

    Copy(uint32_t session, uint32_t console, bool registered = true, bool present = true,
         bool trackRotation = false)
        : started(life.Start({session, console, registered, present, trackRotation})) {}

    LifeActions operator()(const LifeEvent& e) { return life.Handle(e); }
};

// Everything a copy away from the console (or closing) may be asked to do:
// none of it may reach the controller.
void ExpectNothingReachesController(Copy& copy, const char* where) {
    for (K kind : {K::DeviceNotice, K::Resume, K::DisplayChange, K::EditorClosed, K::WorkerBlockRequest,
                   K::CalibrationAsked, K::StartRetry, K::WorkerEnded, K::HandleRemoveComplete}) {
        EXPECT_EQ(copy(Event(kind)) & kReachesController, 0u) << where << ", event " << int(kind);
    }
}

TEST(LifecycleTest, TheConsoleMovesBetweenTwoSessionsWithACopyEach) {
    Copy first(1, 1, true, true, true);
    Copy second(2, 1, true, true, true);
    EXPECT_EQ(first.started & kTakesOver, kTakesOver);
    EXPECT_EQ(second.started & kReachesController, 0u);
    EXPECT_TRUE(second.started & kShowAttached) << "the device state is shown away from the console too";
    EXPECT_TRUE(second.started & kDisableGeneral);
    ExpectNothingReachesController(second, "the second copy");

    // Fast user switching: the console goes from session 1 to session 2.
    // The stroke the worker was reading is cut off: the next worker starts
    // the engine afresh.
    const LifeActions left = first(Session(kConsoleDisconnectEvent, 2));
    EXPECT_EQ(left & (kReleaseWorker | kDisableGeneral | kDisableCalibration | kMarkChannelStale),
              kReleaseWorker | kDisableGeneral | kDisableCalibration | kMarkChannelStale);
    EXPECT_EQ(first.life.State(), LifeState::Away);
    const LifeActions came = second(Session(kConsoleConnectEvent, 2));
    EXPECT_EQ(came & kTakesOver, kTakesOver);
    EXPECT_FALSE(first.life.CalibrationAllowed());
    EXPECT_TRUE(second.life.CalibrationAllowed());
    ExpectNothingReachesController(first, "the first copy after the switch");

    // And back: the first copy takes over again, the second lets go.
    EXPECT_TRUE(second(Session(kConsoleDisconnectEvent, 1)) & kReleaseWorker);
    EXPECT_TRUE(first(Session(kConsoleConnectEvent, 1)) & kSendBlock);
    EXPECT_EQ(first.life.State(), LifeState::Running);
    ExpectNothingReachesController(second, "the second copy after the switch back");
}

TEST(LifecycleTest, ResumeBeforeAndAfterTheDevicesArrival) {
    Copy copy(1, 1, true, false);
    EXPECT_EQ(copy.life.State(), LifeState::NoDevice);
    EXPECT_EQ(copy(Event(K::Resume, false)), kShowDetached | kArmProbeRetry) << "resumed without the device";
    // The device came during the sleep and no notice has said so yet.
    EXPECT_EQ(copy(Event(K::Resume, true)) & (kSendBlock | kStartWorker), kSendBlock | kStartWorker);
    // Resumed with the worker running: the block once, no second worker.
    EXPECT_EQ(copy(Event(K::Resume, true, true)) & kReachesController, kSendBlock);
    // Not found on resume: probed again, bounded; a device that comes back
    // late sends no arrival notice.
    EXPECT_EQ(copy(Event(K::Resume, false, true)) & (kStopWorker | kArmProbeRetry),
              kStopWorker | kArmProbeRetry);
    EXPECT_EQ(copy(Event(K::ProbeRetry, true, false)) & (kReachesController | kDisarmProbeRetry),
              kSendBlock | kStartWorker | kDisarmProbeRetry);
    // Later than the quick tries: the retry goes slower and never stops,
    // and a resume makes it quick again.
    Copy gone(1, 1, true, true, false);
    gone(Event(K::Resume, false, true));
    uint32_t ticks = 1;
    while (!(gone(Event(K::ProbeRetry, false)) & kSlowProbeRetry)) ASSERT_LE(++ticks, kProbeRetries);
    EXPECT_EQ(ticks + 1, kProbeRetries);
    EXPECT_EQ(gone(Event(K::ProbeRetry, false)) & (kDisarmProbeRetry | kSlowProbeRetry), 0u);
    EXPECT_TRUE(gone(Event(K::Resume, false)) & kArmProbeRetry);
    EXPECT_EQ(gone.life.State(), LifeState::NoDevice);
}

TEST(LifecycleTest, RemovalRequestsForTheWorkersHandle) {
    Copy copy(1, 1);
    // Vetoed by another program before this copy was asked: the worker
    // keeps its handle, and the handle its notices.
    EXPECT_EQ(copy(Event(K::HandleRemoveCancelled, true, true)), 0u);
    // Cancelled (another program vetoed it): the worker comes back on the
    // device, which kept its block.
    // GENERAL's calibration button follows: a run would be refused now.
    EXPECT_EQ(copy(Event(K::HandleQueryRemove, true, true)),
              kReleaseWorker | kDisableGeneral | kDisableCalibration);
    EXPECT_EQ(copy(Event(K::DeviceNotice, true)) & kReachesController, 0u)
        << "no handle is opened while the removal is pending";
    // The block goes again: what changed meanwhile was kept for the return.
    const LifeActions cancelled = copy(Event(K::HandleRemoveCancelled, true));
    EXPECT_EQ(cancelled & kReachesController, kSendBlock | kStartWorker);
    EXPECT_TRUE(cancelled & kDropHandleNotice);
    EXPECT_EQ(copy.life.State(), LifeState::Running);

    // Not cancelled: the removal completes and the device is gone.
    copy(Event(K::HandleQueryRemove, true, true));
    const LifeActions removed = copy(Event(K::HandleRemoveComplete, false));
    EXPECT_EQ(removed & (kShowDetached | kDropHandleNotice), kShowDetached | kDropHandleNotice);
    EXPECT_EQ(removed & kReachesController, 0u);
    EXPECT_EQ(copy.life.State(), LifeState::NoDevice);
    // The updated driver's device arrives: a new block and worker.
    EXPECT_EQ(copy(Event(K::DeviceNotice, true)) & kReachesController, kSendBlock | kStartWorker);

    // A removal that completes without a request (surprise removal) while the
    // device is back already: the worker's dead channel is renewed.
    EXPECT_EQ(copy(Event(K::HandleRemoveComplete, true, true)) & (kMarkChannelStale | kStartWorker),
              kMarkChannelStale);
}

TEST(LifecycleTest, ANoticeAboutAnotherDeviceLeavesAHealthyChannelAlone) {
    Copy copy(1, 1);
    EXPECT_EQ(copy(Event(K::DeviceNotice, true, true)), 0u);
    LifeEvent gone = Event(K::DeviceNotice, true, true);
    gone.channelGone = true;
    EXPECT_EQ(copy(gone), kMarkChannelStale);
}

TEST(LifecycleTest, NothingStartsOrIsSentOnceCloseHasBeenSeen) {
    Copy copy(1, 1, true, true, true);
    // The worker is inside its read: Close waits for it.
    EXPECT_EQ(copy(Event(K::Close, true, true)) & (kStopWorker | kFinishClose), kStopWorker);
    // Notices queued behind the Close, the worker still running.
    for (const LifeEvent& queued :
         {Event(K::DeviceNotice, true, true), Session(kConsoleConnectEvent, 1), Event(K::Resume, true, true),
          Event(K::DisplayChange, true, true), Event(K::WorkerBlockRequest, true, true),
          Event(K::HandleRemoveCancelled, true, true), Event(K::WorkerEnded, true, true)})
        EXPECT_EQ(copy(queued) & (kReachesController | kFinishClose), 0u) << int(queued.kind);
    EXPECT_EQ(copy(Event(K::WorkerEnded, true, false)), kFinishClose);
    EXPECT_EQ(copy.life.State(), LifeState::Closed);
    // After the quit: a second Close, the device, the session end.
    for (K kind : {K::Close, K::DeviceNotice, K::SessionEnding, K::WorkerEnded})
        EXPECT_EQ(copy(Event(kind)), 0u) << int(kind);
}

TEST(LifecycleTest, CloseDuringACalibrationKeepsTheBlockAndSendsNothing) {
    Copy copy(1, 1);
    EXPECT_EQ(copy(Event(K::CalibrationAsked, true, false)), kRunCalibration);
    EXPECT_EQ(copy(Event(K::CalibrationAsked)), 0u) << "no run inside a run";
    EXPECT_EQ(copy(Event(K::Close)) & ~kDisableCalibration, kEndCalibrationSession);
    EXPECT_EQ(copy(Event(K::CalibrationEnded, true)),
              kKeepBlockFromBefore | kEndGeneralDialog | kFinishClose);
}

TEST(LifecycleTest, ACalibrationAwayFromTheConsole) {
    Copy away(2, 1);
    EXPECT_EQ(away(Event(K::CalibrationAsked)), kShowNotFinished) << "refused, and the user is told";
    EXPECT_FALSE(away.life.CalibrationAllowed());

    // The console leaves during a session: it ends at once and keeps the
    // block from before; nothing is sent.
    Copy copy(1, 1);
    copy(Event(K::CalibrationAsked, true, false));
    EXPECT_TRUE(copy(Session(kConsoleDisconnectEvent, 2)) & kEndCalibrationSession);
    const LifeActions ended = copy(Event(K::CalibrationEnded, true));
    EXPECT_EQ(ended, kKeepBlockFromBefore | kShowNotFinished);
    // A display change during a session is kept, not sent half-written.
    Copy rotating(1, 1, true, true, true);
    rotating(Event(K::CalibrationAsked));
    EXPECT_EQ(rotating(Event(K::DisplayChange)), kStoreScreenSize | kUpdateOrientation);
    // The device going and coming during it: shown, nothing else.
    EXPECT_EQ(rotating(Event(K::DeviceNotice, false)), kShowDetached | kDisableGeneral);
    EXPECT_EQ(rotating(Event(K::DeviceNotice, true)), kShowAttached | kEnableGeneral);
    EXPECT_EQ(rotating(Event(K::CalibrationEnded, true)) & (kApplyCalibration | kSendBlock | kStartWorker),
              kApplyCalibration | kSendBlock | kStartWorker);
}

TEST(LifecycleTest, TheConsoleUnknownAtStartIsSettledByTheNextNoticeOrTheRetry) {
    // Settled by the retry's console read.
    Copy byRetry(2, kNoConsoleSession);
    EXPECT_EQ(byRetry.started & (kReachesController | kArmSessionRetry), kArmSessionRetry);
    EXPECT_EQ(byRetry(ConsoleRead(kNoConsoleSession, true)) & (kReachesController | kDisarmSessionRetry), 0u);
    EXPECT_EQ(byRetry(ConsoleRead(2, true)) & (kReachesController | kDisarmSessionRetry),
              kSendBlock | kStartWorker | kDisarmSessionRetry);

    // Settled by a notice; the retry then stops at its next tick.
    Copy byNotice(2, kNoConsoleSession);
    EXPECT_TRUE(byNotice(Session(kConsoleConnectEvent, 2)) & kStartWorker);
    EXPECT_TRUE(byNotice(ConsoleRead(2, true)) & kDisarmSessionRetry);

    // Settled as another session's: the copy stays away.
    Copy other(2, kNoConsoleSession);
    EXPECT_EQ(other(ConsoleRead(1, true)) & (kReachesController | kDisarmSessionRetry), kDisarmSessionRetry);
    EXPECT_EQ(other.life.State(), LifeState::Away);
}

TEST(LifecycleTest, AStartBeforeTheSessionServiceIsReady) {
    Copy copy(1, 1, /*registered=*/false);
    EXPECT_EQ(copy.started & (kStartWorker | kArmSessionRetry), kStartWorker | kArmSessionRetry);
    // The console moved unseen before the registration succeeded: the read
    // that follows it stops the worker.
    EXPECT_EQ(copy(ConsoleRead(1, false)) & kDisarmSessionRetry, 0u);
    const LifeActions registered = copy(ConsoleRead(2, true));
    EXPECT_EQ(registered & (kReleaseWorker | kDisarmSessionRetry), kReleaseWorker | kDisarmSessionRetry);
    EXPECT_EQ(copy.life.State(), LifeState::Away);

    // A service that never comes: the retry is bounded.
    Copy never(1, 1, false);
    uint32_t ticks = 0;
    while (!(never(ConsoleRead(1, false)) & kDisarmSessionRetry)) ASSERT_LE(++ticks, kSessionRetries);
    EXPECT_EQ(ticks + 1, kSessionRetries);
}

TEST(LifecycleTest, AnArrivalBesideTheLastWorkerStillInsideItsRead) {
    Copy copy(1, 1);
    copy(Event(K::DeviceNotice, false, true));
    EXPECT_EQ(copy(Event(K::DeviceNotice, true, true)) & (kStartWorker | kArmStartRetry | kSendBlock),
              kArmStartRetry | kSendBlock);
    EXPECT_EQ(copy(Event(K::StartRetry, true, true)), 0u);
    // A sleep meanwhile: the controller may have lost its block.
    EXPECT_EQ(copy(Event(K::Resume, true, true)) & kReachesController, kSendBlock);
    EXPECT_EQ(copy(Event(K::StartRetry, true, false)), kStartWorker | kDisarmStartRetry);
    // The worker that then ends by itself could not open the driver: the
    // next notice that finds it starts another.
    EXPECT_EQ(copy(Event(K::WorkerEnded, true, false)), kStopWorker);
    EXPECT_EQ(copy(Event(K::DeviceNotice, true, false)) & kReachesController, kSendBlock | kStartWorker);
    EXPECT_TRUE(copy(Event(K::WorkerEnded, false, false)) & kShowDetached);
    EXPECT_EQ(copy.life.State(), LifeState::NoDevice);
}

TEST(LifecycleTest, TheSessionEndingEndsTheProgramAsCloseDoesWithoutWaiting) {
    Copy copy(1, 1);
    EXPECT_EQ(copy(Event(K::WindowClose, true, true)), kDestroyWindow);
    const LifeActions ending = copy(Event(K::SessionEnding, true, true));
    EXPECT_EQ(ending & (kReleaseWorker | kFinishClose | kReachesController), kReleaseWorker | kFinishClose);
    EXPECT_EQ(copy(Event(K::SessionEnding)), 0u) << "the end is carried out once";
}

}  // namespace

// ---- The translation of the main window's messages ----

namespace {

struct MessageCase {
    const char* what;
    WindowMessage message;
    std::optional<LifeEventKind> kind;
    bool channelGone = false;
    bool handleNotice = false;
};

constexpr DeviceHeader kInterface{true, 32, kDeviceTypeInterface, true};
constexpr DeviceHeader kOtherInterface{true, 32, kDeviceTypeInterface, false};
constexpr DeviceHeader kHandle{true, 40, kDeviceTypeHandle, false};
// A header whose dbch_size does not cover its own fields: its type is not
// believed.
constexpr DeviceHeader kShort{true, 4, kDeviceTypeHandle, false};

TEST(MessageEventsTest, EveryMessageTheWindowTranslates) {
    const MessageCase cases[] = {
        {"an arrival of the driver's interface",
         {kMsgDeviceChange, kDeviceArrival, 1, kInterface},
         K::DeviceNotice},
        {"its removal: the worker's channel is dead",
         {kMsgDeviceChange, kDeviceRemoveComplete, 1, kInterface},
         K::DeviceNotice,
         true},
        {"another class's removal",
         {kMsgDeviceChange, kDeviceRemoveComplete, 1, kOtherInterface},
         K::DeviceNotice},
        {"DBT_DEVNODES_CHANGED", {kMsgDeviceChange, 7, 0, {}}, K::DeviceNotice},
        {"the handle's query-remove",
         {kMsgDeviceChange, kDeviceQueryRemove, 1, kHandle},
         K::HandleQueryRemove,
         false,
         true},
        {"the handle's query-remove failed",
         {kMsgDeviceChange, kDeviceQueryRemoveFailed, 1, kHandle},
         K::HandleRemoveCancelled,
         false,
         true},
        {"the handle's remove-pending",
         {kMsgDeviceChange, kDeviceRemovePending, 1, kHandle},
         K::HandleRemoveComplete,
         false,
         true},
        {"the handle's remove-complete",
         {kMsgDeviceChange, kDeviceRemoveComplete, 1, kHandle},
         K::HandleRemoveComplete,
         false,
         true},
        {"the handle's custom event",
         {kMsgDeviceChange, kDeviceCustomEvent, 1, kHandle},
         std::nullopt,
         false,
         true},
        {"a header too short to hold its type",
         {kMsgDeviceChange, kDeviceRemoveComplete, 1, kShort},
         K::DeviceNotice},
        {"a console connect", {kMsgSessionChange, kConsoleConnectEvent, 7, {}}, K::SessionChange},
        {"the automatic resume", {kMsgPowerBroadcast, kPowerResumeAutomatic, 0, {}}, K::Resume},
        {"the user's resume after it", {kMsgPowerBroadcast, 7, 0, {}}, std::nullopt},
        {"the session locked", {kMsgSessionChange, kSessionLockEvent, 1, {}}, K::SessionLock},
        {"the session unlocked", {kMsgSessionChange, kSessionUnlockEvent, 1, {}}, K::SessionUnlock},
        {"the display off",
         {kMsgPowerBroadcast, kPowerSettingChange, 1, {}, {true, kDisplayOff}},
         K::DisplayOff},
        {"the display dimmed",
         {kMsgPowerBroadcast, kPowerSettingChange, 1, {}, {true, kDisplayDimmed}},
         K::DisplayOn},
        {"a display state nobody documents",
         {kMsgPowerBroadcast, kPowerSettingChange, 1, {}, {true, 3}},
         std::nullopt},
        {"a setting the window did not read",
         {kMsgPowerBroadcast, kPowerSettingChange, 1, {}, {}},
         std::nullopt},
        {"the session ends", {kMsgEndSession, 1, 0x80000000, {}}, K::SessionEnding},
        {"the Restart Manager closes it", {kMsgEndSession, 1, 1, {}}, K::SessionEnding},
        {"the session goes on", {kMsgEndSession, 0, 1, {}}, std::nullopt},
        {"the window destroyed", {kMsgDestroy, 0, 0, {}}, K::SessionEnding},
        {"WM_CLOSE", {kMsgClose, 0, 0, {}}, K::WindowClose},
        {"the tray's Close", {kMsgCommand, IDM_CLOSE, 0, {}}, K::Close},
        {"another command", {kMsgCommand, IDM_CLOSE + 1, 0, {}}, std::nullopt},
        {"the start retry", {kMsgTimer, kStartRetryTimer, 0, {}}, K::StartRetry},
        {"the session retry", {kMsgTimer, kSessionRetryTimer, 0, {}}, K::ConsoleRead},
        {"the probe retry", {kMsgTimer, kProbeRetryTimer, 0, {}}, K::ProbeRetry},
        {"the tray's retry", {kMsgTimer, 2, 0, {}}, std::nullopt},
        {"the worker's block request", {kMsgWorkerBlockRequest, 0, 0, {}}, K::WorkerBlockRequest},
        {"the worker's end", {kMsgWorkerEnded, 0, 0, {}}, K::WorkerEnded},
        {"the session window's end", {kMsgCalibrationEnded, 0, 0, {}}, K::CalibrationEnded},
    };
    for (const MessageCase& c : cases) {
        const auto event = EventFor(c.message);
        EXPECT_EQ(event.has_value(), c.kind.has_value()) << c.what;
        if (event && c.kind) {
            EXPECT_EQ(event->kind, *c.kind) << c.what;
            EXPECT_EQ(event->channelGone, c.channelGone) << c.what;
        }
        EXPECT_EQ(IsHandleNotice(c.message), c.handleNotice) << c.what;
    }
}

TEST(MessageEventsTest, OnlyTheBroadcastFamilyHasAHeaderToRead) {
    // Any program may post wParam 7 with lParam 1: nothing is read there.
    EXPECT_FALSE(DeviceNoticeHasHeader(7));
    EXPECT_FALSE(DeviceNoticeHasHeader(0x0018));  // DBT_CONFIGCHANGED
    EXPECT_FALSE(DeviceNoticeHasHeader(0xFFFF));  // DBT_USERDEFINED
    for (uint64_t event = kDeviceArrival; event <= kDeviceCustomEvent; ++event)
        EXPECT_TRUE(DeviceNoticeHasHeader(event)) << event;
    // A header the window did not read is no handle's.
    WindowMessage posted{kMsgDeviceChange, 7, 1, {}};
    EXPECT_FALSE(IsHandleNotice(posted));
    EXPECT_EQ(EventFor(posted)->kind, K::DeviceNotice);
}

TEST(MessageEventsTest, TheDisplayChangeCarriesTheScreenSize) {
    const auto event = EventFor({kMsgDisplayChange, 32, 0x03000400, {}});
    ASSERT_TRUE(event);
    EXPECT_EQ(event->screenWidth, 0x400);
    EXPECT_EQ(event->screenHeight, 0x300);
}

// A message finds its fact only when one of the program's own threads left
// a note for it: a forged one, before or after, finds nothing.
TEST(OwnMessagesTest, OnlyANotedMessageIsTaken) {
    EXPECT_FALSE(TakeOwnMessage(OwnMessage::CalibrationEnded)) << "forged during the run";
    NoteOwnMessage(OwnMessage::CalibrationEnded);
    NoteOwnMessage(OwnMessage::WorkerEnded);
    NoteOwnMessage(OwnMessage::WorkerEnded);
    EXPECT_FALSE(TakeOwnMessage(OwnMessage::WorkerBlockRequest)) << "each kind its own notes";
    EXPECT_TRUE(TakeOwnMessage(OwnMessage::CalibrationEnded));
    EXPECT_FALSE(TakeOwnMessage(OwnMessage::CalibrationEnded)) << "a forged copy after the real one";
    EXPECT_TRUE(TakeOwnMessage(OwnMessage::WorkerEnded));
    EXPECT_TRUE(TakeOwnMessage(OwnMessage::WorkerEnded));
    EXPECT_FALSE(TakeOwnMessage(OwnMessage::WorkerEnded));
}

TEST(LifeLogTest, TheRingKeepsTheNewestByNameInTheirOrder) {
    LifeLog log;
    for (uint32_t i = 0; i < LifeLog::kCapacity + 3; ++i)
        log.Add({LifeState::NoDevice, K::DeviceNotice, LifeState::Running, i});
    EXPECT_EQ(log.Back(0)->actions, LifeLog::kCapacity + 2);
    EXPECT_EQ(log.Back(LifeLog::kCapacity - 1)->actions, 3u);
    EXPECT_FALSE(log.Back(LifeLog::kCapacity));
    const LifeTransition t{LifeState::Running, K::DeviceNotice, LifeState::NoDevice,
                           kShowDetached | kStopWorker};
    EXPECT_EQ(Describe(t), "Running --DeviceNotice--> NoDevice: StopWorker ShowDetached");
    const auto back = UnpackTransition(PackTransition(t), t.actions);
    ASSERT_TRUE(back);
    EXPECT_EQ(Describe(*back), Describe(t));
    EXPECT_FALSE(UnpackTransition(0, 0)) << "no entry";
}

}  // namespace
