#include "engine/TouchThread.h"

#include "engine/SharedState.h"

namespace {

// 1 from a start's claim until the new worker has set ThreadRunning, so
// that the moment between the two never looks like "no worker". Written by
// the starter (1, or 0 when the thread could not be made) and by the worker
// (0 on entry, after setting ThreadRunning).
std::atomic<int32_t> StartPending{0};
// 1 while the worker is inside ReadTouchReport: the one call a release may
// cut short (see TouchWorkerInRead).
std::atomic<int32_t> InRead{0};

// Called by RequestTouchWorkerStop; main thread only, like its setter.
void (*StopSignal)() = nullptr;

// A new channel in place of `channel` when the driver is present, and the
// starter asked for the block; `channel` itself, still open, when it is not.
DriverChannel RenewChannel(DriverChannel channel, uint32_t changes, const WorkerActions& actions,
                           TouchEngineState& engine, void* starter) {
    // A notice handled late (the device went and came back before the
    // worker opened this channel) must not cut the stroke now on it short.
    if (ChannelAnswers(channel)) return channel;
    const DriverChannel renewed = OpenDriverChannel();
    if (renewed == kInvalidChannel) return channel;
    CloseDriverChannel(channel);
    if (actions.channelOpened) actions.channelOpened(starter, renewed);
    JoinDevice(engine, changes);
    actions.requestBlock(starter);
    return renewed;
}

// The idle rule: quiet reads (failed, or a report without contact) for
// kIdleAfterMs in a row make every further quiet read wait first.
class IdleClock {
public:
    explicit IdleClock(const WorkerActions& actions) : actions_(actions) {}
    void Contact() { quiet_ = false; }
    void Quiet() {
        const uint32_t now = actions_.nowMs();
        if (!quiet_) {
            quiet_ = true;
            quietSinceMs_ = now;
        } else if (now - quietSinceMs_ >= kIdleAfterMs) {
            actions_.idleWait(kIdleWaitMs);
        }
    }

private:
    const WorkerActions& actions_;
    bool quiet_ = false;
    uint32_t quietSinceMs_ = 0;
};

}  // namespace

void RunTouchWorker(const WorkerActions& actions, TouchEngineState& engine, void* starter) {
    ThreadRunning.store(1);
    StartPending.store(0);
    // Read before the open: a notice between the two renews once too often,
    // never once too few.
    uint32_t changesAtOpen = DeviceChanges.load(std::memory_order_acquire);
    // A worker stopped already opens nothing: its handle would only hold up
    // a removal that the stop was for.
    DriverChannel ReaderChannel = TouchWorkerWanted() ? OpenDriverChannel() : kInvalidChannel;
    if (ReaderChannel != kInvalidChannel) {
        if (actions.channelOpened) actions.channelOpened(starter, ReaderChannel);
        JoinDevice(engine, changesAtOpen);
        IdleClock idle(actions);
        // The flag is read afresh before every read and after a failed one:
        // a stop takes effect when the read in progress returns (or is cut
        // short, on Windows, for a removal request).
        while (StopThread.load(std::memory_order_acquire) == 0) {
            InRead.store(1);
            const bool read = ReadTouchReport(ReaderChannel, ReportBuf);
            InRead.store(0);
            if (read) {
                actions.refreshScreenSize();
                const ReportResult r = HandleReport(ReportBuf, LiveParams, engine);
                if (IsMappedGesture(r.code)) actions.injectGesture(&LiveParams.GestureMap[r.code - 1]);
                if (r.contact) {
                    idle.Contact();
                } else {
                    idle.Quiet();
                }
                continue;
            }
            // A read cut short by a stop ends the worker: no new channel,
            // no block asked for.
            if (!TouchWorkerWanted()) break;
            const uint32_t changes = DeviceChanges.load(std::memory_order_acquire);
            if (changes != changesAtOpen) {
                changesAtOpen = changes;
                ReaderChannel = RenewChannel(ReaderChannel, changes, actions, engine, starter);
            } else {
                idle.Quiet();
            }
        }
        CloseDriverChannel(ReaderChannel);
    }
    // Release: whoever reads 0 also sees ReportBuf and everything else written here.
    ThreadRunning.store(0, std::memory_order_release);
}

void MarkWorkerChannelStale() {
    DeviceChanges.store(DeviceChanges.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

bool TouchWorkerRunning() {
    // Pending first: the worker sets ThreadRunning before it clears Pending,
    // so a 0 read here is followed by a ThreadRunning that tells the truth.
    if (StartPending.load() == 1) return true;
    return ThreadRunning.load(std::memory_order_acquire) == 1;
}

bool TouchWorkerWanted() { return StopThread.load() == 0; }

bool TouchWorkerInRead() { return InRead.load() == 1; }

void RequestTouchWorkerStop() {
    StopThread.store(1, std::memory_order_release);
    if (StopSignal) StopSignal();
}

void SetWorkerStopSignal(void (*signal)()) { StopSignal = signal; }

bool StartTouchWorker(bool (*startThread)(void* context), void* context) {
    if (TouchWorkerRunning()) return false;
    StartPending.store(1);
    StopThread.store(0, std::memory_order_release);
    if (startThread(context)) return true;
    StartPending.store(0);
    return false;
}
