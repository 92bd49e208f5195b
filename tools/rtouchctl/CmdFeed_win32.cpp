// rtouchctl feed / record: touch reports into the substitute driver's
// queue, and out of the driver channel as the touch worker reads them.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "device/DriverChannel.h"
#include "device/DriverChannel_win32.h"
#include "engine/TouchThread.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/ControlDevice_win32.h"
#include "tools/rtouchctl/TraceFile.h"

namespace {

const char kFeedUsage[] = "rtouchctl feed TRACE [--rate N]";
const char kRecordUsage[] = "rtouchctl record [--count N] [FILE]";

// While reads fail, the capture looks for the device this often.
constexpr DWORD kCaptureLookMs = 1000;

// Entries per queue command; the driver takes a batch whole or not at all.
constexpr size_t kBatchEntries = 1024;

RTOUCHDRV_QUEUE_ENTRY ToQueueEntry(const TraceEntry& t) {
    RTOUCHDRV_QUEUE_ENTRY e{};
    e.Kind = t.failed ? RTOUCHDRV_ENTRY_FAILED_READ : RTOUCHDRV_ENTRY_REPORT;
    if (!t.failed) std::memcpy(e.Report, t.report, sizeof e.Report);
    return e;
}

}  // namespace

int CmdFeed(const Args& args) {
    auto options = ParseOptions(args, 2, {"--rate"}, 1, kFeedUsage);
    if (!options) return kExitUsage;
    if (options->positional.empty()) return UsageError("missing trace file", kFeedUsage);
    auto trace = LoadTraceFile(options->positional[0]);
    if (!trace) return kExitUsage;
    if (options->rate && *options->rate > RTOUCHDRV_MAX_RATE)
        return UsageError("bad value '" + std::to_string(*options->rate) + "' for option '--rate'",
                          kFeedUsage);

    std::vector<RTOUCHDRV_QUEUE_ENTRY> entries;
    entries.reserve(trace->size());
    for (const TraceEntry& t : *trace) entries.push_back(ToQueueEntry(t));

    auto control = OpenControlDevice();
    if (!control) return kExitUsage;
    int status = kExitOk;
    uint32_t rate = options->rate.value_or(RTOUCHDRV_DEFAULT_RATE);
    auto state = ReadDriverState(*control);
    if (!state) {
        status = kExitUsage;
    } else if (entries.size() > RTOUCHDRV_QUEUE_CAPACITY - state->QueueLength) {
        status = UsageError("the driver's queue has room for " +
                            std::to_string(RTOUCHDRV_QUEUE_CAPACITY - state->QueueLength) +
                            " entries, the trace has " + std::to_string(entries.size()));
    } else if (!ControlCommand(*control, IOCTL_RTOUCHDRV_SET_RATE, &rate, sizeof rate, nullptr, 0,
                               "cannot set the report rate")) {
        status = kExitUsage;
    } else {
        for (size_t i = 0; i < entries.size() && status == kExitOk; i += kBatchEntries) {
            size_t n = std::min(kBatchEntries, entries.size() - i);
            if (!ControlCommand(*control, IOCTL_RTOUCHDRV_QUEUE_REPORTS, &entries[i],
                                static_cast<DWORD>(n * sizeof entries[i]), nullptr, 0,
                                "cannot queue the reports"))
                status = kExitUsage;
        }
    }
    CloseHandle(*control);
    return status;
}

int CmdRecord(const Args& args) {
    auto options = ParseOptions(args, 2, {"--count"}, 1, kRecordUsage);
    if (!options) return kExitUsage;
    // The capture may go to standard output: the interface lookup's
    // diagnostics (while the device is away) must not land in it, and the
    // command's own message says what went wrong.
    ShowLookupDiagnostics(false);
    // The driver first: a missing one leaves an earlier capture in FILE alone.
    DriverChannel channel = OpenDriverChannel();
    if (channel == kInvalidChannel) return UsageError("the touch driver is absent");
    FILE* out = stdout;
    if (!options->positional.empty()) {
        out = _wfopen(PathFromUtf8(options->positional[0]).c_str(), L"wb");
        if (!out) {
            CloseDriverChannel(channel);
            return UsageError("cannot write file '" + options->positional[0] + "'", kRecordUsage);
        }
    }
    // Each report goes out as soon as it is read, so an interrupted capture
    // keeps every whole line. While reads fail, the capture paces itself as
    // the touch worker does, and looks for the device every second: gone,
    // the capture ends; back after a bounce, a new channel reads on.
    int status = kExitOk;
    ReportBytes report{};
    DWORD failingSince = 0, lastLook = 0;
    bool failing = false;
    for (uint32_t recorded = 0; !options->count || recorded < *options->count;) {
        if (ReadTouchReport(channel, report)) {
            failing = false;
            std::fprintf(out, "%s\n", FormatTraceLine(report).c_str());
            std::fflush(out);
            ++recorded;
            continue;
        }
        const DWORD now = GetTickCount();
        if (!failing) {
            failing = true;
            failingSince = lastLook = now;
        }
        if (now - lastLook >= kCaptureLookMs) {
            lastLook = now;
            const DriverChannel renewed = OpenDriverChannel();
            if (renewed == kInvalidChannel) {
                std::fprintf(stderr, "rtouchctl: the touch device went away after %u reports\n", recorded);
                status = kExitAbsent;
                break;
            }
            CloseDriverChannel(channel);
            channel = renewed;
        }
        if (now - failingSince >= kIdleAfterMs) Sleep(kIdleWaitMs);
    }
    CloseDriverChannel(channel);
    if (out != stdout) std::fclose(out);
    return status;
}
