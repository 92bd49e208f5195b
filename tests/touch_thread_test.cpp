// The touch worker on the host, against the substitute driver.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/FakeDriver.h"
#include "engine/InputSynthesis.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"
#include "lifecycle/ConsoleSession.h"
#include "tests/SampleTraces.h"

namespace {

std::atomic<int> gRefreshes{0};
std::atomic<int> gInjected[kGestureCount];
std::atomic<int> gWheelEvents{0};

void CountRefresh() { gRefreshes.fetch_add(1); }

void RecordInjection(const GestureMapEntry* entry) {
    const ptrdiff_t index = entry - LiveParams.GestureMap;
    ASSERT_TRUE(index >= 0 && index < static_cast<ptrdiff_t>(kGestureCount));
    gInjected[index].fetch_add(1);
    const InputEventList list = GestureEvents(ReadMapEntry(*entry));
    for (size_t i = 0; i < list.count; ++i)
        if (list.events[i].kind == InputEventKind::Wheel) gWheelEvents.fetch_add(1);
}

std::atomic<int> gBlockRequests{0};
std::atomic<int> gIdleWaits{0};
// The fake clock: every look at it is a millisecond later, so a run of
// failed reads turns idle after kIdleAfterMs of them.
std::atomic<uint32_t> gClockMs{0};

void CountBlockRequest(void*) { gBlockRequests.fetch_add(1); }
uint32_t TickingClock() { return gClockMs.fetch_add(1); }
void CountIdleWait(uint32_t) {
    gIdleWaits.fetch_add(1);
    std::this_thread::yield();
}

// The channels the worker announced, to be registered for its handle's notices.
std::atomic<int> gChannelsOpened{0};
std::atomic<DriverChannel> gLastChannel{kInvalidChannel};
void CountChannelOpened(void*, DriverChannel channel) {
    gChannelsOpened.fetch_add(1);
    gLastChannel = channel;
}

const WorkerActions kActions = {CountRefresh, RecordInjection, CountBlockRequest,
                                TickingClock, CountIdleWait,   CountChannelOpened};

// Two fingers panning down: the discarded first sample, three undecided,
// the reference, then two steps of more than PanScale, the lift.
std::vector<sample::Report> TwoDPanSteps() {
    return {sample::Touch(2000, 1000), sample::Two(2000, 1000), sample::Two(2000, 1000),
            sample::Two(2000, 1000),   sample::Two(2000, 1000), sample::Two(2000, 1900),
            sample::Two(2000, 2800),   sample::Lift()};
}

template <class Pred>
bool WaitFor(Pred done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::yield();
    }
    return true;
}

class TouchThreadTest : public ::testing::Test {
protected:
    TouchEngineState engine{};

    void SetUp() override {
        FakeDriver::Reset();
        LiveParams = MakeDefaultParams();
        ChooseDefaultMap(LiveParams, false);
        gRefreshes = 0;
        gWheelEvents = 0;
        gBlockRequests = 0;
        gChannelsOpened = 0;
        gLastChannel = kInvalidChannel;
        gIdleWaits = 0;
        gClockMs = 0xFFFFFFC0u;  // wraps while the worker runs
        for (auto& n : gInjected) n = 0;
        StopThread = 0;
    }
    void TearDown() override {
        StopThread = 1;
        FakeDriver::Reset();
    }
    std::thread Start() {
        return std::thread([this] { RunTouchWorker(kActions, engine); });
    }
    static void Queue(const std::vector<sample::Report>& reports) {
        for (const sample::Report& r : reports) FakeDriver::QueueReport(r.bytes);
    }
};

TEST_F(TouchThreadTest, AbsentDriverEndsAtOnce) {
    RunTouchWorker(kActions, engine);  // returns by itself
    EXPECT_EQ(0, ThreadRunning.load());
    EXPECT_EQ(0u, FakeDriver::TotalReads());
    EXPECT_EQ(0, gRefreshes.load());
}

TEST_F(TouchThreadTest, StopTakesEffectWhenTheCurrentReadCompletes) {
    FakeDriver::SetPresent(true);
    FakeDriver::QueueBlockingRead();
    FakeDriver::QueueReport(sample::Touch(1000, 1000).bytes);
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::ReaderIsBlocked(); }));
    EXPECT_EQ(1, ThreadRunning.load());
    EXPECT_TRUE(TouchWorkerInRead()) << "the read, which a release may cut short";
    StopThread = 1;
    EXPECT_EQ(1, ThreadRunning.load());  // the pending read is not cancelled
    FakeDriver::ReleaseBlockedRead();
    worker.join();
    EXPECT_EQ(0, ThreadRunning.load());
    EXPECT_EQ(1, gRefreshes.load());          // the completed read was still processed
    EXPECT_EQ(1u, FakeDriver::TotalReads());  // and no read followed
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
    EXPECT_FALSE(TouchWorkerInRead());
}

TEST_F(TouchThreadTest, WorkerStartedWhileStoppedReadsNothing) {
    FakeDriver::SetPresent(true);
    StopThread = 1;
    RunTouchWorker(kActions, engine);
    EXPECT_EQ(0u, FakeDriver::TotalReads());
    EXPECT_EQ(0u, FakeDriver::OpenedChannels()) << "not even opened";
    EXPECT_EQ(0, gChannelsOpened.load());
    EXPECT_EQ(0, ThreadRunning.load());
}

// A stop that cuts the read short (a removal request) after a device
// change: the worker ends without opening a channel in place of its own.
TEST_F(TouchThreadTest, ReadFailedByAStopRenewsNothing) {
    FakeDriver::SetPresent(true);
    FakeDriver::QueueBlockingRead();
    FakeDriver::QueueFailedRead();
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::ReaderIsBlocked(); }));
    MarkWorkerChannelDead(gLastChannel);
    StopThread = 1;
    FakeDriver::ReleaseBlockedRead();
    worker.join();
    EXPECT_EQ(1u, FakeDriver::OpenedChannels());
    EXPECT_EQ(1, gChannelsOpened.load());
    EXPECT_EQ(0, gBlockRequests.load());
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
}

TEST_F(TouchThreadTest, FailedReadsAreRetriedAndGesturesInjected) {
    FakeDriver::SetPresent(true);
    FakeDriver::QueueFailedRead();
    FakeDriver::QueueFailedRead();
    Queue(TwoDPanSteps());
    // then a one-finger tap: code 20 at its release, which sends nothing
    Queue({sample::Touch(500, 500), sample::Touch(500, 500), sample::Lift()});
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return gRefreshes.load() == 11; }));  // one refresh per report
    StopThread = 1;
    worker.join();
    EXPECT_GE(FakeDriver::TotalReads(), 10u);
    for (size_t i = 0; i < kGestureCount; ++i)
        EXPECT_EQ(i == kGestureDPan - 1 ? 2 : 0, gInjected[i].load()) << "entry " << i;
    EXPECT_EQ(2, gWheelEvents.load());  // DPan: Scroll Down in the default map
    EXPECT_EQ(0, ThreadRunning.load());
}

// What the driver queued while the worker was parked, strokes with short
// pauses between them, is read away and thrown away; a stroke after it
// sends its input, judged on its own touches.
TEST_F(TouchThreadTest, WorkerAfterAParkDiscardsWhatTheDriverQueued) {
    FakeDriver::SetPresent(true);
    MarkWorkerParked();
    Queue(TwoDPanSteps());
    for (uint32_t i = 0; i < kIdleAfterMs / 2; ++i) FakeDriver::QueueFailedRead();
    Queue(TwoDPanSteps());
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return ParksCaughtUp.load() == Parks.load(); }));
    EXPECT_EQ(0u, FakeDriver::QueuedReads());
    EXPECT_EQ(0, gInjected[kGestureDPan - 1].load());
    Queue(TwoDPanSteps());
    ASSERT_TRUE(WaitFor([] { return gInjected[kGestureDPan - 1].load() == 2; }));
    StopThread = 1;
    worker.join();
    EXPECT_EQ(8, gRefreshes.load()) << "only the stroke after the catch-up went through the engine";
}

TEST_F(TouchThreadTest, ConcurrentWriterChangesScaleAndMapWhileWorkerRuns) {
    FakeDriver::SetPresent(true);
    const std::vector<sample::Report> trace = sample::MixedTrace();
    constexpr int kLaps = 20;
    for (int i = 0; i < kLaps; ++i) Queue(trace);
    std::atomic<bool> writing{true};
    std::thread writer([&] {
        for (uint16_t n = 0; writing.load(); ++n) {
            WriteField(LiveParams.PanScale, static_cast<uint16_t>(n % 2 ? 800 : 900));
            WriteField(LiveParams.GestureMap[kGestureDPan - 1].key, static_cast<uint8_t>(n % 2 ? 2 : 6));
            WriteField(LiveParams.GestureMap[kGesturePinchOut - 1].modifier, static_cast<uint8_t>(n % 7));
            std::this_thread::yield();
        }
    });
    std::thread worker = Start();
    const int reports = kLaps * static_cast<int>(trace.size());
    const bool drained = WaitFor([&] { return gRefreshes.load() == reports; });
    writing = false;
    writer.join();
    StopThread = 1;
    worker.join();
    ASSERT_TRUE(drained);
    EXPECT_EQ(0, ThreadRunning.load());
    EXPECT_GT(gInjected[kGestureDPan - 1].load(), 0);
    EXPECT_GT(gInjected[kGesturePinchOut - 1].load(), 0);
}

TEST_F(TouchThreadTest, FailedReadsRenewTheChannelOnlyWhenItsDeviceWent) {
    FakeDriver::SetPresent(true);
    const auto failures = [](uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) FakeDriver::QueueFailedRead();
    };
    // Failures alone, however many, keep the channel.
    failures(1000);
    FakeDriver::QueueBlockingRead();
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::ReaderIsBlocked(); }));
    EXPECT_EQ(1u, FakeDriver::OpenedChannels());
    // A notice about a channel the worker no longer holds (handled late,
    // after the device came back and a new channel was opened on it): the
    // channel and the stroke on it stay.
    const DriverChannel live = gLastChannel;
    MarkWorkerChannelDead(reinterpret_cast<DriverChannel>(reinterpret_cast<uintptr_t>(live) - 1));
    failures(3);
    FakeDriver::QueueBlockingRead();
    FakeDriver::ReleaseBlockedRead();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::QueuedReads() == 0 && FakeDriver::ReaderIsBlocked(); }));
    EXPECT_EQ(1u, FakeDriver::OpenedChannels());
    EXPECT_EQ(0, gBlockRequests.load());
    // The device went and came back: the next failed read brings a new
    // channel, which replaces the dead one (closed) and asks for the block,
    // once.
    FakeDriver::KillOpenChannels();
    MarkWorkerChannelDead(live);
    failures(3);
    FakeDriver::QueueBlockingRead();
    FakeDriver::ReleaseBlockedRead();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::QueuedReads() == 0 && FakeDriver::ReaderIsBlocked(); }));
    EXPECT_EQ(2u, FakeDriver::OpenedChannels());
    EXPECT_EQ(1u, FakeDriver::OpenChannels());
    EXPECT_EQ(1, gBlockRequests.load());
    StopThread = 1;
    FakeDriver::ReleaseBlockedRead();
    worker.join();
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
}

// A removal notice handled late names the path the live channel was opened
// on, and so the live channel: a stroke on it, with reads failing between
// its reports, is not cut short; the channel is replaced once the worker is
// idle.
TEST_F(TouchThreadTest, AChannelMarkedDeadMidStrokeIsReplacedOnlyWhenIdle) {
    FakeDriver::SetPresent(true);
    FakeDriver::QueueReport(sample::Touch(1000, 1000).bytes);
    FakeDriver::QueueReport(sample::Lift().bytes);
    FakeDriver::QueueBlockingRead();
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::ReaderIsBlocked(); }));
    MarkWorkerChannelDead(gLastChannel);
    for (const sample::Report& r : TwoDPanSteps()) {
        FakeDriver::QueueReport(r.bytes);
        for (int i = 0; i < 5; ++i) FakeDriver::QueueFailedRead();
    }
    FakeDriver::QueueBlockingRead();
    FakeDriver::ReleaseBlockedRead();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::QueuedReads() == 0 && FakeDriver::ReaderIsBlocked(); }));
    EXPECT_EQ(2, gInjected[kGestureDPan - 1].load());
    EXPECT_EQ(1u, FakeDriver::OpenedChannels());
    // Quiet from here on: the mark is taken, the channel replaced. Waited
    // for until the worker sits in the read after them: the renewal (open,
    // close, the block asked for) is whole by then.
    for (uint32_t i = 0; i < kIdleAfterMs + 10; ++i) FakeDriver::QueueFailedRead();
    FakeDriver::QueueBlockingRead();
    FakeDriver::ReleaseBlockedRead();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::QueuedReads() == 0 && FakeDriver::ReaderIsBlocked(); }));
    EXPECT_EQ(2u, FakeDriver::OpenedChannels());
    EXPECT_EQ(1, gBlockRequests.load());
    StopThread = 1;
    FakeDriver::ReleaseBlockedRead();
    worker.join();
}

TEST_F(TouchThreadTest, IdleWorkerWaitsBetweenReadsUntilAContactComes) {
    FakeDriver::SetPresent(true);
    // Each quiet read is a millisecond on the fake clock; the first one of a
    // run starts it, and from kIdleAfterMs on every quiet read waits first.
    const int quietRun = 150;
    const int waitsPerRun = quietRun - static_cast<int>(kIdleAfterMs);
    const auto contact = [] { FakeDriver::QueueReport(sample::Touch(1000, 1000).bytes); };
    // Failed reads, then reports saying "no touch": both make the worker idle.
    contact();
    for (int i = 0; i < quietRun; ++i) FakeDriver::QueueFailedRead();
    contact();
    for (int i = 0; i < quietRun; ++i) FakeDriver::QueueReport(sample::Lift().bytes);
    // A contact wakes it: the quiet reads after it go back to back.
    contact();
    for (int i = 0; i < 50; ++i) FakeDriver::QueueReport(sample::Lift().bytes);
    FakeDriver::QueueBlockingRead();
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return FakeDriver::ReaderIsBlocked(); }));
    EXPECT_EQ(2 * waitsPerRun, gIdleWaits.load());
    StopThread = 1;
    FakeDriver::ReleaseBlockedRead();
    worker.join();
}

// A stroke that a device change cut off belongs to the device that went:
// the next device's first gesture is its own. A worker restarted without a
// change (after a calibration run) carries on with the stroke.
TEST_F(TouchThreadTest, StrokeCutOffByADeviceChangeIsForgotten) {
    FakeDriver::SetPresent(true);
    // Two fingers panning right, not yet lifted: the pan is owed at release.
    const std::vector<sample::Report> panRight = {sample::Touch(1000, 2000), sample::Two(1000, 2000),
                                                  sample::Two(1000, 2000),   sample::Two(1000, 2000),
                                                  sample::Two(1000, 2000),   sample::Two(2000, 2000)};
    const int rpan = kGestureRPan - 1;
    int reports = 0;
    const auto runWorker = [&](const std::vector<sample::Report>& trace) {
        Queue(trace);
        reports += static_cast<int>(trace.size());
        std::thread worker = Start();
        const bool drained = WaitFor([&] { return gRefreshes.load() == reports; });
        StopThread = 1;
        worker.join();
        StopThread = 0;
        return drained;
    };
    ASSERT_TRUE(runWorker(panRight));
    ASSERT_TRUE(runWorker({sample::Lift()}));
    EXPECT_EQ(1, gInjected[rpan].load());  // the same device: the pan is reported

    ASSERT_TRUE(runWorker(panRight));
    MarkWorkerChannelStale();  // unplugged and plugged in again
    ASSERT_TRUE(runWorker({sample::Lift(), sample::Touch(1000, 2000), sample::Touch(1000, 2000),
                           sample::Touch(1500, 2000), sample::Lift()}));
    EXPECT_EQ(1, gInjected[rpan].load());               // no pan from the device that went
    EXPECT_EQ(1, gInjected[kGestureRHori - 1].load());  // the new stroke alone
}

TEST_F(TouchThreadTest, DeadChannelIsReplacedWhileTheDeviceStaysPresent) {
    FakeDriver::SetPresent(true);
    FakeDriver::QueueReport(sample::Touch(1000, 1000).bytes);
    FakeDriver::QueueReport(sample::Lift().bytes);
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return gRefreshes.load() == 2; }));
    // Unplugged and back before anyone stopped the worker; the notices come.
    FakeDriver::KillOpenChannels();
    MarkWorkerChannelDead(gLastChannel);
    Queue(TwoDPanSteps());
    const bool recovered = WaitFor([] { return gInjected[kGestureDPan - 1].load() == 2; });
    const size_t openWhileRunning = FakeDriver::OpenChannels();
    StopThread = 1;
    worker.join();
    ASSERT_TRUE(recovered);
    EXPECT_EQ(1u, openWhileRunning);
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
    EXPECT_EQ(1, gBlockRequests.load());
    EXPECT_EQ(2, gChannelsOpened.load()) << "the first channel and its replacement are announced";
    EXPECT_EQ(2 + static_cast<int>(TwoDPanSteps().size()), gRefreshes.load());
}

TEST_F(TouchThreadTest, DeadChannelIsKeptWhileTheDeviceIsAbsent) {
    FakeDriver::SetPresent(true);
    FakeDriver::QueueReport(sample::Touch(1000, 1000).bytes);
    std::thread worker = Start();
    ASSERT_TRUE(WaitFor([] { return gRefreshes.load() == 1; }));
    FakeDriver::SetPresent(false);
    FakeDriver::KillOpenChannels();
    MarkWorkerChannelDead(gLastChannel);
    FakeDriver::QueueReport(sample::Lift().bytes);
    const size_t opened = FakeDriver::OpenedChannels();
    const size_t readsBefore = FakeDriver::TotalReads();
    // The renewal found no driver: the worker reads on its old channel.
    const bool retried = WaitFor([&] { return FakeDriver::TotalReads() > readsBefore + 1000; });
    EXPECT_TRUE(retried);
    EXPECT_EQ(1u, FakeDriver::OpenChannels());
    EXPECT_EQ(opened, FakeDriver::OpenedChannels());
    EXPECT_EQ(1u, FakeDriver::QueuedReads());  // a dead channel reads nothing
    EXPECT_EQ(0, gBlockRequests.load());
    EXPECT_EQ(1, ThreadRunning.load());
    // The device comes back, and its notice with it.
    FakeDriver::SetPresent(true);
    MarkWorkerChannelDead(gLastChannel);
    const bool recovered = WaitFor([] { return gRefreshes.load() == 2; });
    StopThread = 1;
    worker.join();
    EXPECT_TRUE(recovered);
    EXPECT_EQ(1, gBlockRequests.load());
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
}

// The worker's owner: a start while a worker is still inside its read is
// refused (and changes nothing), so no two ever read; once it has ended the
// start goes through. A start counts as running before its thread begins.
struct Starter {
    explicit Starter(TouchEngineState& e) : engine(&e) {}
    TouchEngineState* engine;
    std::thread thread;
    int calls = 0;
    bool runningBeforeThread = false;
    bool fail = false;
};

bool StartOnStdThread(void* context) {
    auto* s = static_cast<Starter*>(context);
    ++s->calls;
    s->runningBeforeThread = TouchWorkerRunning() && ThreadRunning.load() == 0;
    if (s->fail) return false;
    s->thread = std::thread([s] { RunTouchWorker(kActions, *s->engine); });
    return true;
}

TEST_F(TouchThreadTest, NoSecondWorkerBesideOneInsideItsRead) {
    FakeDriver::SetPresent(true);
    StopThread = 1;
    FakeDriver::QueueBlockingRead();
    FakeDriver::QueueReport(sample::Touch(1000, 1000).bytes);
    Starter first(engine);
    ASSERT_TRUE(StartTouchWorker(StartOnStdThread, &first));
    EXPECT_TRUE(first.runningBeforeThread);
    EXPECT_TRUE(TouchWorkerWanted());
    ASSERT_TRUE(WaitFor([] { return FakeDriver::ReaderIsBlocked(); }));

    // Removal, then arrival, while the read is held.
    RequestTouchWorkerStop();
    Starter second(engine);
    EXPECT_FALSE(StartTouchWorker(StartOnStdThread, &second));
    EXPECT_EQ(0, second.calls);
    EXPECT_FALSE(TouchWorkerWanted());  // the held worker still stops
    EXPECT_TRUE(TouchWorkerRunning());

    FakeDriver::ReleaseBlockedRead();
    first.thread.join();
    EXPECT_FALSE(TouchWorkerRunning());
    EXPECT_EQ(1u, FakeDriver::TotalReads());  // the old worker read no more

    FakeDriver::QueueReport(sample::Touch(1000, 1000).bytes);
    ASSERT_TRUE(StartTouchWorker(StartOnStdThread, &second));
    ASSERT_TRUE(WaitFor([] { return gRefreshes.load() == 2; }));
    RequestTouchWorkerStop();
    second.thread.join();
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
}

TEST_F(TouchThreadTest, FailedThreadCreationLeavesNoWorker) {
    StopThread = 1;
    Starter failing(engine);
    failing.fail = true;
    EXPECT_FALSE(StartTouchWorker(StartOnStdThread, &failing));
    EXPECT_EQ(1, failing.calls);
    EXPECT_FALSE(TouchWorkerRunning());
    // Without a driver the next worker ends at once by itself.
    Starter next(engine);
    ASSERT_TRUE(StartTouchWorker(StartOnStdThread, &next));
    next.thread.join();
    EXPECT_FALSE(TouchWorkerRunning());
    EXPECT_TRUE(TouchWorkerWanted());
}

// Which copy runs the worker: the one in the console's session.
TEST(ConsoleSessionTest, OnlyTheConsoleSessionDrivesTheController) {
    EXPECT_TRUE(OwnsConsole(1, 1));
    EXPECT_FALSE(OwnsConsole(2, 1));
    EXPECT_FALSE(OwnsConsole(1, kNoConsoleSession));
    EXPECT_TRUE(OwnsConsole(std::nullopt, 1));  // no sessions: the one copy
}

}  // namespace
