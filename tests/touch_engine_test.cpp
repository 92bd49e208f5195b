// The whole road of a report (processing, recognizer, event list) and its
// promise of no heap allocation per report.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "engine/InputSynthesis.h"
#include "engine/TouchEngine.h"
#include "tests/SampleTraces.h"

// Counts operator new calls while a measurement is on. Replacing the global
// operator affects the whole test program; outside a measurement it only
// forwards to malloc. The compiler cannot see that every delete below pairs
// with this malloc-based new, hence the silenced warning.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
namespace {
std::atomic<bool> gCounting{false};
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (gCounting.load(std::memory_order_relaxed)) gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

ParameterBlock DefaultBlock() {
    ParameterBlock b = MakeDefaultParams();
    ChooseDefaultMap(b, false);
    return b;
}

std::vector<uint16_t> Codes(const std::vector<sample::Report>& reports) {
    const ParameterBlock block = DefaultBlock();
    TouchEngineState engine{};
    std::vector<uint16_t> codes;
    for (const sample::Report& r : reports) codes.push_back(HandleReport(r.bytes, block, engine).code);
    return codes;
}

using CodeList = std::vector<uint16_t>;

TEST(TouchEngineTest, OneFingerCircleThroughTheWholeRoad) {
    // The first contact sample reads as a release; the second is the reference.
    EXPECT_EQ((CodeList{0, 255, 255, 255, 255, 7, 0}),
              Codes({sample::Touch(1000, 1000), sample::Touch(1000, 1000), sample::Touch(1400, 1000),
                     sample::Touch(1400, 1400), sample::Touch(1000, 1400), sample::Touch(1000, 1000),
                     sample::Lift()}));
}

TEST(TouchEngineTest, TwoFingerTapThroughTheReader) {
    // Two fingers, then one lifted: the reader reports the first one-finger
    // sample as a release, and the next one gives the two-finger tap.
    EXPECT_EQ((CodeList{0, 0, 0, 0, 255, 255, 0, 15, 255}),
              Codes({sample::Touch(2000, 2000), sample::Two(2000, 2000), sample::Two(2000, 2000),
                     sample::Two(2000, 2000), sample::Two(2000, 2000), sample::Two(2010, 2000),
                     sample::Touch(2010, 2000), sample::Touch(2010, 2000), sample::Touch(2010, 2000)}));
}

TEST(TouchEngineTest, LongReplayAllocatesNothingPerReport) {
    const std::vector<sample::Report> trace = sample::MixedTrace();
    const ParameterBlock block = DefaultBlock();
    TouchEngineState engine{};
    size_t gestures = 0, events = 0;
    gAllocations = 0;
    gCounting = true;
    for (int lap = 0; lap < 1000; ++lap) {
        for (const sample::Report& r : trace) {
            const ReportResult result = HandleReport(r.bytes, block, engine);
            if (!IsMappedGesture(result.code)) continue;
            ++gestures;
            events += GestureEvents(ReadMapEntry(block.GestureMap[result.code - 1])).count;
        }
    }
    gCounting = false;
    EXPECT_EQ(0, gAllocations.load());
    EXPECT_GT(gestures, 1000u);
    EXPECT_GT(events, gestures);
}

}  // namespace
