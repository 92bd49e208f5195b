#include "engine/TouchThread.h"

#include "engine/SharedState.h"

void RunTouchWorker(const WorkerActions& actions, TouchEngineState& engine) {
    ThreadRunning.store(1);
    const DriverChannel ReaderChannel = OpenDriverChannel();
    if (ReaderChannel != kInvalidChannel) {
        // The flag is read afresh before every read; a read in progress is
        // never cancelled, so a stop takes effect when it returns.
        while (StopThread.load(std::memory_order_acquire) == 0) {
            if (!ReadTouchReport(ReaderChannel, ReportBuf)) continue;
            actions.refreshScreenSize();
            const ReportResult r = HandleReport(ReportBuf, LiveParams, engine);
            if (IsMappedGesture(r.code)) actions.injectGesture(&LiveParams.GestureMap[r.code - 1]);
        }
        CloseDriverChannel(ReaderChannel);
    }
    // Release: whoever reads 0 also sees ReportBuf and everything else written here.
    ThreadRunning.store(0, std::memory_order_release);
}
