// The calibration session's core over any screen size (0 x 0 up) and any
// sequence of reads, failures and probe answers: no crash, the state stays
// inside its ranges, the session ends only as documented (result 1 on the
// first successful read after the ninth target, result 0 only when a probe
// finds no driver), nothing but CalX/CalY[0..8] of the block changes, each
// taken point is the trimmed mean of its ring, and CalAverage never divides
// by zero whatever ring size and start it gets.
//
// Input: width (u32), height (u32), PressureLimit (u16), a CalAverage probe
// (ring size byte, start u32), then records of a tag byte and operands:
//   tag % 8 == 0      a failed read
//   tag % 8 == 1      a report: the next 12 bytes
//   tag % 8 == 2      a light touch at raw (x u16, y u16)
//   tag % 8 == 3      a report without a touch
//   tag % 8 == 4      the previous read again, (count byte + 1) times
//   others            a failed read
// (at most kMaxTicks ticks per input).
// When a tick asks for a probe, the next byte's low bit says whether the
// driver is still there.
#include <algorithm>
#include <cstring>
#include <cwchar>

#include "calibration/CalibrationSession.h"
#include "fuzz/FuzzSupport.h"

namespace {

constexpr uint8_t kTagKinds = 8;
enum : uint8_t { kTagReport = 1, kTagTouch = 2, kTagNoTouch = 3, kTagRepeat = 4 };
constexpr uint32_t kRing = kCalSamplesPerTarget;
// Ticks per input at most: nine targets take about 550, a probe 200 failed
// reads; the cap keeps repeat records from making single runs slow.
constexpr uint32_t kMaxTicks = 1536;

// Z1 1, Z2 2: RTouch equals X; X 0 is no touch.
void TouchAt(ReportBytes& r, uint16_t x, uint16_t y) {
    const uint8_t bytes[kTouchReportSize] = {static_cast<uint8_t>(x),
                                             static_cast<uint8_t>(x >> 8),
                                             static_cast<uint8_t>(y),
                                             static_cast<uint8_t>(y >> 8),
                                             1,
                                             0,
                                             2,
                                             0};
    std::memcpy(r, bytes, kTouchReportSize);
}

// The trimmed mean as documented, over a ring of kRing samples from `start`:
// samples start + 8 .. start + 40 (33 of them), unsigned truncation.
CalSample TrimmedMean(const CalSample (&ring)[kRing], uint32_t start) {
    uint32_t sumX = 0, sumY = 0;
    for (uint32_t j = start + kRing / 6; j < start + 5 * kRing / 6; ++j) {
        sumX += ring[j % kRing].X;
        sumY += ring[j % kRing].Y;
    }
    const uint32_t terms = 5 * kRing / 6 - kRing / 6;
    return CalSample{static_cast<uint16_t>(sumX / terms), static_cast<uint16_t>(sumY / terms)};
}

void CheckTargets(const CalSession& s, uint32_t width, uint32_t height) {
    if (width > UINT16_MAX || height > UINT16_MAX) return;  // pixel positions are 16-bit
    for (const CalTarget& t : s.point_paint) FUZZ_CHECK(t.x <= width && t.y <= height);
    // Centre, near and far columns and rows are in screen order.
    FUZZ_CHECK(s.point_paint[1].x <= s.point_paint[0].x && s.point_paint[0].x <= s.point_paint[3].x);
    FUZZ_CHECK(s.point_paint[1].y <= s.point_paint[0].y && s.point_paint[0].y <= s.point_paint[2].y);
}

void CheckResult(const CalTickResult& r) {
    FUZZ_CHECK(r.textCount <= 2);
    for (uint32_t t = 0; t < r.textCount; ++t) {
        const CalText& text = r.texts[t];
        FUZZ_CHECK(text.length >= 1 && static_cast<size_t>(text.length) <= std::wcslen(text.text));
    }
}

// CalAverage on any ring size up to the ring's capacity and any start.
void CheckAverage(ByteReader& in) {
    CalSample ring[kRing];
    for (uint32_t i = 0; i < kRing; ++i)
        ring[i] = CalSample{static_cast<uint16_t>(i * 1237u), static_cast<uint16_t>(65535u - i * 977u)};
    const uint32_t n = in.byte() % (kRing + 1);
    const uint32_t start = in.u32();
    const uint32_t xy = CalAverage(ring, start, n);
    if (5 * n / 6 == n / 6) {
        FUZZ_CHECK(xy == 0);  // no sample kept: no mean, no division
        return;
    }
    uint32_t minX = UINT32_MAX, maxX = 0, minY = UINT32_MAX, maxY = 0;
    for (uint32_t i = 0; i < n; ++i) {
        minX = std::min<uint32_t>(minX, ring[i].X), maxX = std::max<uint32_t>(maxX, ring[i].X);
        minY = std::min<uint32_t>(minY, ring[i].Y), maxY = std::max<uint32_t>(maxY, ring[i].Y);
    }
    FUZZ_CHECK((xy & 0xFFFF) >= minX && (xy & 0xFFFF) <= maxX);
    FUZZ_CHECK((xy >> 16) >= minY && (xy >> 16) <= maxY);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    const uint32_t width = in.u32(), height = in.u32();
    ParameterBlock block = MakeDefaultParams();
    ChooseDefaultMap(block, false);
    block.PressureLimit = in.u16();
    CheckAverage(in);

    CalSession s;
    CalStart(s, width, height);
    CheckTargets(s, width, height);
    const CalTarget targets[kCalTargetCount] = {s.point_paint[0], s.point_paint[1], s.point_paint[2],
                                                s.point_paint[3], s.point_paint[4], s.point_paint[5],
                                                s.point_paint[6], s.point_paint[7], s.point_paint[8]};

    bool lastFailed = true;
    ReportBytes last{};
    uint32_t repeats = 0;
    // The timer's ticks come 10..16 ms apart; the clock starts near its wrap.
    uint32_t nowMs = 0xFFFFF000u;
    uint32_t failingSinceMs = nowMs;
    bool ended = false;
    ParameterBlock expected = block;
    for (uint32_t tick = 0; tick < kMaxTicks && (in.more() || repeats > 0); ++tick) {
        if (repeats > 0) {
            --repeats;
        } else {
            const uint8_t tag = in.byte() % kTagKinds;
            if (tag == kTagRepeat) {
                // This tick and `count` more repeat the read before (a
                // failed one when there was none).
                repeats = in.byte();
            } else if (tag == kTagReport) {
                lastFailed = false;
                in.bytes(last, kTouchReportSize);
            } else if (tag == kTagTouch) {
                lastFailed = false;
                const uint16_t x = in.u16();
                TouchAt(last, x, in.u16());
            } else if (tag == kTagNoTouch) {
                lastFailed = false;
                std::memset(last, 0, kTouchReportSize);
            } else {
                lastFailed = true;
            }
        }

        const uint32_t index = s.CalState.target;
        const bool wasFailing = s.failing;
        nowMs += 10 + tick % 7;
        CalTickResult r = CalTick(s, block, lastFailed ? nullptr : &last, nowMs);
        CheckResult(r);
        if (lastFailed && !wasFailing) failingSinceMs = nowMs;

        if (ended) {
            // An ended session does nothing more.
            FUZZ_CHECK(r.end == CalEnd::Running && !r.drawTarget && r.textCount == 0 && !r.probeDriver);
            continue;
        }
        if (r.probeDriver) {
            FUZZ_CHECK(lastFailed && nowMs - failingSinceMs >= kCalProbeAfterMs);
            failingSinceMs = nowMs;
            const bool present = in.byte() & 1;
            r = CalProbeAnswer(s, present);
            FUZZ_CHECK(r.end == (present ? CalEnd::Running : CalEnd::Abandoned));
        }
        if (r.end == CalEnd::Finished) FUZZ_CHECK(!lastFailed && index == kCalTargetCount);
        if (r.end != CalEnd::Running) ended = true;

        FUZZ_CHECK(s.CalState.target <= kCalTargetCount && s.CalState.phase <= CalPhase::Hold);
        FUZZ_CHECK(s.CalState.phase != CalPhase::Collect || s.CalSampleCount <= s.CalSampleMax);
        FUZZ_CHECK(s.CalSampleMax == kRing);
        if (r.drawTarget)
            FUZZ_CHECK(index < kCalTargetCount && r.target.x == targets[index].x &&
                       r.target.y == targets[index].y);

        // Only the point of the target just taken changes, to the trimmed
        // mean of its ring (the releasing tick stores no sample).
        if (s.CalState.target != index) {
            FUZZ_CHECK(index < kCalTargetCount && s.CalState.target == index + 1);
            const CalSample mean = TrimmedMean(s.CalSamples, s.CalSampleCount % kRing);
            expected.CalX[index] = mean.X;
            expected.CalY[index] = mean.Y;
            FUZZ_CHECK(std::memcmp(&block, &expected, sizeof block) == 0);
        }
    }
    // Compared at each taken target and once at the end, which is cheaper
    // than after every tick and misses no lasting change.
    FUZZ_CHECK(std::memcmp(&block, &expected, sizeof block) == 0);
    FUZZ_CHECK(std::memcmp(s.point_paint, targets, sizeof targets) == 0);
    return 0;
}
