#include "engine/TouchThread.h"

#include "engine/SharedState.h"

namespace {

// 1 from a start's claim until the new worker has set ThreadRunning, so
// that the moment between the two never looks like "no worker". Written by
// the starter (1, or 0 when the thread could not be made) and by the worker
// (0 on entry, after setting ThreadRunning).
std::atomic<int32_t> StartPending{0};

// A new channel in place of `channel` when the driver is present; `channel`
// itself, still open, when it is not.
DriverChannel ReopenWhenPresent(DriverChannel channel) {
    const DriverChannel reopened = OpenDriverChannel();
    if (reopened == kInvalidChannel) return channel;
    CloseDriverChannel(channel);
    return reopened;
}

}  // namespace

void RunTouchWorker(const WorkerActions& actions, TouchEngineState& engine) {
    ThreadRunning.store(1);
    StartPending.store(0);
    DriverChannel ReaderChannel = OpenDriverChannel();
    if (ReaderChannel != kInvalidChannel) {
        // A device unplugged and back before the main window looks finds it
        // present, and nobody stops this worker: its channel is dead for
        // good, so a long run of failures brings a new one.
        uint32_t failedReadsInARow = 0;
        // The flag is read afresh before every read; a read in progress is
        // never cancelled, so a stop takes effect when it returns.
        while (StopThread.load(std::memory_order_acquire) == 0) {
            if (!ReadTouchReport(ReaderChannel, ReportBuf)) {
                if (++failedReadsInARow == kFailedReadsBeforeProbe) {
                    failedReadsInARow = 0;
                    ReaderChannel = ReopenWhenPresent(ReaderChannel);
                }
                continue;
            }
            failedReadsInARow = 0;
            actions.refreshScreenSize();
            const ReportResult r = HandleReport(ReportBuf, LiveParams, engine);
            if (IsMappedGesture(r.code)) actions.injectGesture(&LiveParams.GestureMap[r.code - 1]);
        }
        CloseDriverChannel(ReaderChannel);
    }
    // Release: whoever reads 0 also sees ReportBuf and everything else written here.
    ThreadRunning.store(0, std::memory_order_release);
}

bool TouchWorkerRunning() {
    // Pending first: the worker sets ThreadRunning before it clears Pending,
    // so a 0 read here is followed by a ThreadRunning that tells the truth.
    if (StartPending.load() == 1) return true;
    return ThreadRunning.load(std::memory_order_acquire) == 1;
}

bool TouchWorkerWanted() { return StopThread.load() == 0; }

void RequestTouchWorkerStop() { StopThread.store(1, std::memory_order_release); }

bool StartTouchWorker(bool (*startThread)(void* context), void* context) {
    if (TouchWorkerRunning()) return false;
    StartPending.store(1);
    StopThread.store(0, std::memory_order_release);
    if (startThread(context)) return true;
    StartPending.store(0);
    return false;
}
