#include "calibration/CalibrationSession.h"

#include <cwchar>

namespace {

// Integer-truncated inset and far edge of one screen axis. Converting
// through 32 bits first keeps the truncation defined for any screen size.
uint16_t Inset(uint32_t size) { return static_cast<uint16_t>(static_cast<uint32_t>(size / 32.0)); }
uint16_t FarEdge(uint32_t size) { return static_cast<uint16_t>(static_cast<uint32_t>(size - size / 32.0)); }

// Label offsets (dx, dy) of targets 0..8: the text goes to the side of the
// target that faces the screen's centre.
constexpr int32_t kLabelDx[kCalTargetCount] = {-40, 20, 20, -40, -40, -40, -40, 20, -40};
constexpr int32_t kLabelDy[kCalTargetCount] = {-30, 20, -30, 20, -30, 20, -30, -30, -30};

constexpr wchar_t kFullText[] = L"100 %";
constexpr wchar_t kPercentText[] = L"%";
constexpr int32_t kProgressDigits = 2;  // of "%d ": a one-digit number keeps its blank

CalText MakeText(int32_t x, int32_t y, const wchar_t* text, int32_t length) {
    CalText t{x, y, {}, length};
    std::wcsncpy(t.text, text, sizeof t.text / sizeof t.text[0] - 1);
    return t;
}

CalTickResult Nothing() { return CalTickResult{}; }

void DrawTarget(CalTickResult& r, const CalTarget& target, CalColor color) {
    r.drawTarget = true;
    r.target = target;
    r.targetColor = color;
}

void SelectBrush(CalTickResult& r, CalColor color) {
    r.selectBrush = true;
    r.brushColor = color;
}

void AddText(CalTickResult& r, const CalText& text) { r.texts[r.textCount++] = text; }

}  // namespace

void CalComputeTargets(uint32_t width, uint32_t height, CalTarget (&t)[kCalTargetCount]) {
    const uint16_t midX = static_cast<uint16_t>(width >> 1), midY = static_cast<uint16_t>(height >> 1);
    const uint16_t nearX = Inset(width), nearY = Inset(height);
    const uint16_t farX = FarEdge(width), farY = FarEdge(height);
    t[0] = {midX, midY};
    t[1] = {nearX, nearY};
    t[2] = {nearX, farY};
    t[3] = {farX, nearY};
    t[4] = {farX, farY};
    t[5] = {midX, nearY};
    t[6] = {midX, farY};
    t[7] = {nearX, midY};
    t[8] = {farX, midY};
}

void CalLabelPosition(const CalTarget& target, uint32_t index, int32_t& x, int32_t& y) {
    x = target.x + kLabelDx[index];
    y = target.y + kLabelDy[index];
}

bool CalIsTouch(const TouchReport& report, uint16_t pressureLimit) {
    const int32_t rtouch = ComputeRTouch(report);
    return rtouch != 0 && static_cast<uint32_t>(rtouch) <= pressureLimit;
}

uint32_t CalAverage(const CalSample* samples, uint32_t start, uint32_t n) {
    // 64-bit sums: no ring size can overflow them.
    uint64_t sumX = 0, sumY = 0, terms = 0;
    for (uint64_t j = uint64_t{start} + n / 6; j < uint64_t{start} + (5ull * n) / 6; ++j) {
        sumX += samples[j % n].X;
        sumY += samples[j % n].Y;
        ++terms;
    }
    if (terms == 0) return 0;
    return static_cast<uint32_t>(sumX / terms) | static_cast<uint32_t>(sumY / terms) << 16;
}

void CalStart(CalSession& s, uint32_t width, uint32_t height) {
    s = CalSession{};
    s.CalState = {0, CalPhase::ShowTarget};
    s.CalSampleMax = kCalSamplesPerTarget;
    CalComputeTargets(width, height, s.point_paint);
}

CalTickResult CalTick(CalSession& s, ParameterBlock& block, const ReportBytes* bytes, uint32_t nowMs) {
    if (s.ended) return Nothing();
    if (!bytes) {
        CalTickResult r{};
        if (!s.failing) {
            s.failing = true;
            s.failingSinceMs = nowMs;
        } else if (nowMs - s.failingSinceMs >= kCalProbeAfterMs) {
            s.failingSinceMs = nowMs;
            r.probeDriver = true;
        }
        return r;
    }
    s.failing = false;

    const TouchReport report = DecodeReport(*bytes);
    s.xy = {report.X, report.Y};
    const bool touch = CalIsTouch(report, block.PressureLimit);

    CalTickResult r{};
    const uint32_t i = s.CalState.target;
    if (i >= kCalTargetCount) {
        s.ended = true;
        r.end = CalEnd::Finished;
        return r;
    }
    const CalTarget target = s.point_paint[i];
    int32_t labelX, labelY;
    CalLabelPosition(target, i, labelX, labelY);

    switch (s.CalState.phase) {
    case CalPhase::ShowTarget:
        DrawTarget(r, target, CalColor::Black);
        s.CalState.phase = CalPhase::WaitTouch;
        s.CalSampleCount = 0;
        break;
    case CalPhase::WaitTouch:
        if (touch)
            s.CalState.phase = CalPhase::Collect;
        else
            DrawTarget(r, target, CalColor::Black);
        break;
    case CalPhase::Collect:
        if (s.CalSampleCount == s.CalSampleMax) {
            AddText(r, MakeText(labelX, labelY, kFullText, 5));
            SelectBrush(r, CalColor::Red);
            DrawTarget(r, target, CalColor::Red);
            s.CalState.phase = CalPhase::Hold;
        } else if (touch) {
            const uint32_t percent = s.CalSampleCount * 100 / (s.CalSampleMax - 1);
            wchar_t number[6];
            std::swprintf(number, sizeof number / sizeof number[0], L"%u ", percent);
            AddText(r, MakeText(labelX, labelY, number, kProgressDigits));
            AddText(r, MakeText(labelX + kCalPercentOffset, labelY, kPercentText, 1));
            s.CalSamples[s.CalSampleCount] = s.xy;
            ++s.CalSampleCount;
        }
        break;
    case CalPhase::Hold:
        if (touch) {
            s.CalSamples[s.CalSampleCount % s.CalSampleMax] = s.xy;
            ++s.CalSampleCount;
        } else {
            const uint32_t start = s.CalSampleCount % s.CalSampleMax;
            const uint32_t xyret = CalAverage(s.CalSamples, start, s.CalSampleMax);
            block.CalX[i] = static_cast<uint16_t>(xyret);
            block.CalY[i] = static_cast<uint16_t>(xyret >> 16);
            s.CalState = {i + 1, CalPhase::ShowTarget};
            SelectBrush(r, CalColor::Black);
        }
        break;
    }
    return r;
}

CalTickResult CalProbeAnswer(CalSession& s, bool driverPresent) {
    CalTickResult r{};
    if (!driverPresent && !s.ended) {
        s.ended = true;
        r.end = CalEnd::Abandoned;
    }
    return r;
}
