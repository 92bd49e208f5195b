// Driver calls while nobody can use the screen: the real lifecycle and the
// real touch worker against the host's substitute driver, the window's
// part (gathering an event's facts, carrying out its actions) played as the
// main window plays it. Three phases of SECONDS each (default 5): unlocked
// and idle; locked, with the world's usual traffic (device notices, the
// retries' ticks, display changes, a resume) and strokes fed to the
// driver; unlocked again, where none of those strokes may become input.
// A benchmark: it prints figures and fails only when it cannot measure.
// Usage: rtouch_park_bench [SECONDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "device/FakeDriver.h"
#include "engine/SharedState.h"
#include "engine/TouchThread.h"
#include "lifecycle/Lifecycle.h"
#include "tests/SampleTraces.h"

namespace {

using Clock = std::chrono::steady_clock;

std::thread Worker;
std::atomic<int> Injected{0};

void NoRefresh() {}
void CountInjection(const GestureMapEntry*) { Injected.fetch_add(1); }
void NoBlockRequest(void*) {}
uint32_t NowMs() {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}
void IdleWait(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
const WorkerActions kActions = {NoRefresh, CountInjection, NoBlockRequest, NowMs, IdleWait, nullptr};

bool StartThread(void*) {
    if (Worker.joinable()) Worker.join();
    Worker = std::thread([] { RunTouchWorker(kActions, TouchEngine); });
    return true;
}

void Release() {
    RequestTouchWorkerStop();
    if (Worker.joinable()) Worker.join();
}

void SendBlock() {
    const DriverChannel channel = OpenDriverChannel();
    if (channel != kInvalidChannel) SendParametersOn(channel, LiveParams);
    CloseDriverChannel(channel);
}

void CarryOut(LifeActions a) {
    using A = LifeAction;
    for (LifeAction action : kLifeActionOrder) {
        if (!(a & Bit(action))) continue;
        if (action == A::StopWorker) RequestTouchWorkerStop();
        if (action == A::ReleaseWorker) Release();
        if (action == A::ParkWorker) MarkWorkerParked();
        if (action == A::MarkChannelStale) MarkWorkerChannelStale();
        if (action == A::SendBlock) SendBlock();
        if (action == A::StartWorker) StartTouchWorker(StartThread, nullptr);
    }
}

Lifecycle Life;

void Dispatch(LifeEventKind kind) {
    LifeEvent e{kind};
    const uint8_t facts = Life.FactsFor(kind);
    if (facts & kProbe) {
        const DriverChannel probe = OpenDriverChannel();
        e.present = probe != kInvalidChannel;
        CloseDriverChannel(probe);
    }
    e.console = 1;
    e.noticesRegistered = true;
    e.workerRunning = TouchWorkerRunning();
    CarryOut(Life.Handle(e));
}

size_t DriverCalls() {
    return FakeDriver::OpenedChannels() + FakeDriver::TotalReads() + FakeDriver::SentBlocks().size();
}

// A one-finger stroke to the right, then the lift.
void FeedStroke() {
    for (int x = 1000; x <= 2200; x += 200) FakeDriver::QueueReport(sample::Touch(x, 2000).bytes);
    FakeDriver::QueueReport(sample::Lift().bytes);
    FakeDriver::QueueReport(sample::Lift().bytes);
}

// The world's traffic of one tenth of a second.
void WorldTick(int tick) {
    constexpr LifeEventKind kTraffic[] = {LifeEventKind::DeviceNotice, LifeEventKind::ConsoleRead,
                                          LifeEventKind::ProbeRetry,   LifeEventKind::DisplayChange,
                                          LifeEventKind::Resume,       LifeEventKind::WorkerBlockRequest};
    Dispatch(kTraffic[tick % std::size(kTraffic)]);
    if (tick % 5 == 0) FeedStroke();
}

double PerMinute(size_t calls, Clock::duration spent) {
    return static_cast<double>(calls) * 60.0 / std::chrono::duration<double>(spent).count();
}

bool WaitFor(bool (*done)(), std::chrono::seconds bound) {
    const auto deadline = Clock::now() + bound;
    while (!done())
        if (Clock::now() > deadline) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 5;
    const auto phase = std::chrono::seconds(seconds > 0 ? seconds : 5);
    FakeDriver::SetPresent(true);
    LiveParams = MakeDefaultParams();
    ChooseDefaultMap(LiveParams, false);
    CarryOut(Life.Start({1, 1, true, true, false}));
    if (!WaitFor([] { return ThreadRunning.load() == 1; }, std::chrono::seconds(5))) {
        std::printf("the worker did not start\n");
        return 1;
    }

    // Counted once the worker is idle: its first kIdleAfterMs read back to back.
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * kIdleAfterMs));
    size_t before = DriverCalls();
    auto start = Clock::now();
    std::this_thread::sleep_for(phase);
    std::printf("unlocked, idle: %.0f driver calls a minute\n",
                PerMinute(DriverCalls() - before, Clock::now() - start));

    Dispatch(LifeEventKind::SessionLock);
    before = DriverCalls();
    start = Clock::now();
    int fed = 0;
    for (int tick = 0; Clock::now() - start < phase; ++tick) {
        WorldTick(tick);
        if (tick % 5 == 0) ++fed;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const size_t locked = DriverCalls() - before;
    std::printf("locked: %.0f driver calls a minute (%zu in %d s, a worker running: %s)\n",
                PerMinute(locked, Clock::now() - start), locked, seconds,
                ThreadRunning.load() ? "yes" : "no");

    Injected = 0;
    Dispatch(LifeEventKind::SessionUnlock);
    if (!WaitFor([] { return ParksCaughtUp.load() == Parks.load(); }, std::chrono::seconds(60))) {
        std::printf("the worker did not read away the queue\n");
        return 1;
    }
    const int fromLocked = Injected.load();
    FeedStroke();
    const bool marker = WaitFor([] { return Injected.load() > 0 && FakeDriver::QueuedReads() == 0; },
                                std::chrono::seconds(5));
    std::printf(
        "after the unlock: %d of the %d strokes fed while locked became input; a stroke after it: %s\n",
        fromLocked, fed, marker ? "input" : "lost");
    Release();
    return marker ? 0 : 1;
}
