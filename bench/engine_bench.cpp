// Per-report cost of the touch engine over a realistic mixed trace (strokes,
// arcs, circles, taps, pans, pinches, releases).
#include <benchmark/benchmark.h>

#include <vector>

#include "engine/InputSynthesis.h"
#include "engine/TouchEngine.h"
#include "tests/SampleTraces.h"

namespace {

ParameterBlock DefaultBlock() {
    ParameterBlock b = MakeDefaultParams();
    ChooseDefaultMap(b, false);
    return b;
}

void ReportCounter(benchmark::State& state, size_t reportsPerPass) {
    // CPU time per report (an inverted rate prints as seconds with a prefix, e.g. 40ns).
    const double reports = static_cast<double>(state.iterations() * reportsPerPass);
    state.counters["per_report"] =
        benchmark::Counter(reports, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Decode, map, touch state, recognise, and the event list of every gesture.
void BM_ReportRoad(benchmark::State& state) {
    const std::vector<sample::Report> trace = sample::MixedTrace();
    const ParameterBlock block = DefaultBlock();
    TouchEngineState engine{};
    for (auto _ : state) {
        for (const sample::Report& r : trace) {
            const ReportResult result = HandleReport(r.bytes, block, engine);
            benchmark::DoNotOptimize(result);
            if (IsMappedGesture(result.code)) {
                const InputEventList events = GestureEvents(ReadMapEntry(block.GestureMap[result.code - 1]));
                benchmark::DoNotOptimize(events);
            }
        }
    }
    ReportCounter(state, trace.size());
}
BENCHMARK(BM_ReportRoad);

// The recognizer alone, over the same trace's samples and states.
void BM_Recognizer(benchmark::State& state) {
    const std::vector<sample::Report> trace = sample::MixedTrace();
    const ParameterBlock block = DefaultBlock();
    ReaderCounters counters{};
    std::vector<ProcessedReport> samples;
    for (const sample::Report& r : trace)
        samples.push_back(ProcessReport(DecodeReport(r.bytes), block, counters));
    RecognizerState recognizer{};
    for (auto _ : state) {
        for (const ProcessedReport& p : samples)
            benchmark::DoNotOptimize(
                GestureRecognize(recognizer, p.state, p.sample, ReadGestureScales(block)));
    }
    ReportCounter(state, samples.size());
}
BENCHMARK(BM_Recognizer);

}  // namespace
