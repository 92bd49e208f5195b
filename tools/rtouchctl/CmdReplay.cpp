// rtouchctl replay: a trace through the touch worker's per-report
// processing, with the gesture codes and the input each would send; with
// --phases also the recognizer's phases after each report.
#include <cstdio>

#include "engine/InputSynthesis.h"
#include "engine/TouchEngine.h"
#include "tools/rtouchctl/Cli.h"
#include "tools/rtouchctl/Commands.h"
#include "tools/rtouchctl/TraceFile.h"

namespace {

const char kUsage[] = "rtouchctl replay [--params FILE] [--orientation N] [--legacy] [--phases] TRACE";

void PrintEvents(const InputEventList& list) {
    for (size_t i = 0; i < list.count; ++i) {
        const InputEvent& e = list.events[i];
        switch (e.kind) {
        case InputEventKind::KeyDown:
            std::printf("  key 0x%02X down\n", e.vk);
            break;
        case InputEventKind::KeyUp:
            std::printf("  key 0x%02X up\n", e.vk);
            break;
        case InputEventKind::Wheel:
            std::printf("  wheel %d\n", static_cast<int>(e.wheelDelta));
            break;
        }
    }
}

}  // namespace

int CmdReplay(const Args& args) {
    auto c = OpenFileCommand(args, {"--phases"}, kUsage, "trace", LoadTraceFile);
    if (!c) return kExitUsage;
    const ParameterBlock& live = c->live;
    TouchEngineState engine{};  // a freshly started program
    size_t idx = 0;
    for (const TraceEntry& entry : c->input) {
        const size_t index = idx++;
        if (entry.failed) continue;  // a failed read: nothing is processed
        const ReportResult r = HandleReport(entry.report, live, engine);
        std::printf("%zu %u %d %d %u", index, r.state, static_cast<int>(r.sample.X),
                    static_cast<int>(r.sample.Y), r.code);
        if (IsMappedGesture(r.code)) std::printf(" %s", GestureName(r.code));
        std::printf("\n");
        if (c->options.phases)
            std::printf("  phase %s %s\n", PhaseName(OneFingerPhaseOf(engine.Recognizer)),
                        PhaseName(TwoFingerPhaseOf(engine.Recognizer)));
        if (!IsMappedGesture(r.code)) continue;
        PrintEvents(GestureEvents(ReadMapEntry(live.GestureMap[r.code - 1])));
    }
    return kExitOk;
}
