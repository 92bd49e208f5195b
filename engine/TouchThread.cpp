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

// The channel the main thread found dead (kInvalidChannel: none). Only the
// worker that holds that very channel renews it; a mark that names a channel
// already replaced (a notice handled late, after the device came back and a
// new channel was opened on it) renews nothing.
std::atomic<DriverChannel> DeadChannel{kInvalidChannel};

// The mark is taken by the worker that renews: a renewal that finds no
// driver waits for the next mark, as the device's return brings one.
bool TakeDeadMark(DriverChannel channel) {
    DriverChannel expected = channel;
    return DeadChannel.compare_exchange_strong(expected, kInvalidChannel, std::memory_order_acq_rel);
}

// A handle value may come again after its close: a mark left for a closed
// channel never names the one just opened.
void Announce(DriverChannel channel, const WorkerActions& actions, void* starter) {
    TakeDeadMark(channel);
    if (actions.channelOpened) actions.channelOpened(starter, channel);
}

// A new channel in place of `channel` when the driver is present, and the
// starter asked for the block; `channel` itself, still open, when it is not.
DriverChannel RenewChannel(DriverChannel channel, const WorkerActions& actions, TouchEngineState& engine,
                           void* starter) {
    const uint32_t changes = DeviceChanges.load(std::memory_order_acquire);
    const DriverChannel renewed = OpenDriverChannel();
    if (renewed == kInvalidChannel) return channel;
    CloseDriverChannel(channel);
    Announce(renewed, actions, starter);
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
    // Whether the worker is idle (it has waited, then).
    bool Quiet() {
        const uint32_t now = actions_.nowMs();
        if (!quiet_) {
            quiet_ = true;
            quietSinceMs_ = now;
            return false;
        }
        if (now - quietSinceMs_ < kIdleAfterMs) return false;
        actions_.idleWait(kIdleWaitMs);
        return true;
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
    // Read before the open: a notice between the two starts the engine
    // afresh once too often, never once too few.
    const uint32_t changesAtOpen = DeviceChanges.load(std::memory_order_acquire);
    // A worker stopped already opens nothing: its handle would only hold up
    // a removal that the stop was for.
    DriverChannel ReaderChannel = TouchWorkerWanted() ? OpenDriverChannel() : kInvalidChannel;
    if (ReaderChannel != kInvalidChannel) {
        Announce(ReaderChannel, actions, starter);
        JoinDevice(engine, changesAtOpen);
        IdleClock idle(actions);
        // After a park the driver hands over what it queued meanwhile back
        // to back, at its own pace, in strokes that never pause for
        // kIdleAfterMs: all of it goes before the first idle wait.
        const uint32_t parks = Parks.load(std::memory_order_acquire);
        bool catchingUp = parks != ParksCaughtUp.load(std::memory_order_relaxed);
        // The flag is read afresh before every read and after a failed one:
        // a stop takes effect when the read in progress returns (or is cut
        // short, on Windows, for a removal request).
        while (StopThread.load(std::memory_order_acquire) == 0) {
            InRead.store(1);
            const bool read = ReadTouchReport(ReaderChannel, ReportBuf);
            InRead.store(0);
            bool idleNow = false;
            if (read) {
                bool contact = false;
                if (catchingUp) {
                    contact = ReportHasContact(ReportBuf, LiveParams);
                } else {
                    actions.refreshScreenSize();
                    const ReportResult r = HandleReport(ReportBuf, LiveParams, engine);
                    if (IsMappedGesture(r.code)) actions.injectGesture(&LiveParams.GestureMap[r.code - 1]);
                    contact = r.contact;
                }
                if (contact)
                    idle.Contact();
                else
                    idleNow = idle.Quiet();
            } else {
                // A read cut short by a stop ends the worker: no new
                // channel, no block asked for.
                if (!TouchWorkerWanted()) break;
                // A failed read on a channel nobody found dead is a read
                // that found no report due. One found dead is replaced once
                // the worker is idle: a dead channel gives nothing but failed
                // reads, so that comes within kIdleAfterMs, while a stroke on
                // a live one (a report every few milliseconds) never turns
                // idle, and a notice handled late, which may name the live
                // channel, cannot cut it short.
                idleNow = idle.Quiet();
                if (idleNow && TakeDeadMark(ReaderChannel))
                    ReaderChannel = RenewChannel(ReaderChannel, actions, engine, starter);
            }
            if (idleNow && catchingUp) {
                catchingUp = false;
                ParksCaughtUp.store(parks, std::memory_order_release);
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

void MarkWorkerParked() {
    MarkWorkerChannelStale();
    Parks.store(Parks.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void MarkWorkerChannelDead(DriverChannel channel) {
    MarkWorkerChannelStale();
    DeadChannel.store(channel, std::memory_order_release);
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
