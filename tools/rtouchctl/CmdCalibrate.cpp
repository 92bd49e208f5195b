// rtouchctl calibrate: the calibration session fed from a trace, one tick
// per line, then the run's solve or reset on the loaded block.
#include <cstdio>

#include "calibration/CalibrationRun.h"
#include "calibration/CalibrationSession.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/TraceFile.h"

namespace {

const char kUsage[] =
    "rtouchctl calibrate [--params FILE] [--orientation N] [--legacy] [--screen WxH] TRACE --hex";

// Without --screen the session lays its targets out for this screen. The
// layout decides only where targets would be drawn, never the result.
constexpr uint32_t kDefaultScreenWidth = 1024;
constexpr uint32_t kDefaultScreenHeight = 768;

// The trace's lines stand for the dialog's timer ticks, this far apart.
constexpr uint32_t kTickMs = 5;

// Runs the session over the trace; 0 when the trace ends first. The trace
// stands for a driver that stays present, so a probe asked for after a run
// of failed reads always finds it.
int RunSession(const std::vector<TraceEntry>& trace, uint32_t width, uint32_t height, ParameterBlock& block) {
    CalSession session;
    CalStart(session, width, height);
    uint32_t nowMs = 0;
    for (const TraceEntry& e : trace) {
        CalTickResult r = CalTick(session, block, e.failed ? nullptr : &e.report, nowMs += kTickMs);
        if (r.probeDriver) r = CalProbeAnswer(session, true);
        if (r.end != CalEnd::Running) return r.end == CalEnd::Finished ? 1 : 0;
    }
    return 0;
}

}  // namespace

int CmdCalibrate(const Args& args) {
    auto c = OpenFileCommand(args, {"--screen", "--hex"}, kUsage, "trace", LoadTraceFile);
    if (!c) return kExitUsage;
    ParameterBlock& live = c->live;
    const ParameterBlock before = live;
    const auto [width, height] =
        c->options.screen.value_or(std::pair{kDefaultScreenWidth, kDefaultScreenHeight});
    const int result = RunSession(c->input, width, height, live);
    const CalRunOutcome outcome =
        ApplyCalibrationResult(live, before, result, c->defaults, c->options.orientation);

    std::printf("result %d\n", result);
    if (outcome == CalRunOutcome::Rejected) std::printf("rejected\n");
    std::printf("%s\n", BlockHex(live).c_str());
    return kExitOk;
}
