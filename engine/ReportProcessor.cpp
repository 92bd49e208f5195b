#include "engine/ReportProcessor.h"

#include <cmath>
#include <utility>

namespace {

// Orientation correction flags by turn 0..3: none, swap + invert X, invert
// both, swap + invert Y.
constexpr uint16_t kTurnFlags[4] = {0, kAxisSwap | kAxisInvertX, kAxisInvertX | kAxisInvertY,
                                    kAxisSwap | kAxisInvertY};
constexpr uint32_t kOrientationCount = 4;

// One calibrated axis to an integer in 0..4095, limited in floating point so
// the conversion is always defined: huge values and infinities go to the
// nearest edge. NaN (only from non-finite or degenerate coefficients) has no
// nearest edge; it goes to the centre, where the calibration puts its own
// origin, so a run of such samples stands still instead of looking like a
// stroke to an edge. Finite values are truncated toward zero, which for the
// range limit is the same as truncating first and limiting after.
int32_t MapAxis(double v) {
    if (std::isnan(v)) return kCoordForNaN;
    if (v >= kCoordMax) return kCoordMax;
    if (v <= 0.0) return 0;
    return static_cast<int32_t>(v);
}

struct QuadrantCoefficients {
    float gainX, slopeX;
    uint16_t refY;  // Y reference of the X slope
    float gainY, slopeY;
    uint16_t refX;  // X reference of the Y slope
};

// First match wins, so a point on a split line takes the lower quadrant.
QuadrantCoefficients Quadrant(Position p, int32_t x0, int32_t y0, const ParameterBlock& b) {
    const bool left = p.X <= x0;
    const bool top = p.Y <= y0;
    // Quadrants 1..4: (left, top), (left, bottom), (right, top), (right, bottom).
    const int xSide = left ? 0 : 1;  // ScaleX[4 + side], CalY[7 + side]
    const int ySide = top ? 0 : 1;   // ScaleY[4 + side], CalX[5 + side]
    const int quadrant = 2 * xSide + ySide;
    return QuadrantCoefficients{ReadField(b.ScaleX[4 + xSide]),        ReadField(b.ScaleSlope[quadrant]),
                                ReadField(b.CalY[7 + xSide]),          ReadField(b.ScaleY[4 + ySide]),
                                ReadField(b.ScaleSlope[4 + quadrant]), ReadField(b.CalX[5 + ySide])};
}

}  // namespace

Position ApplyAxisFlags(Position p, uint16_t flags) {
    if (flags & kAxisSwap) std::swap(p.X, p.Y);
    switch (flags & kAxisInversionMask) {
    case kAxisInvertY:
        p.Y = InvertCoord(p.Y);
        break;
    case kAxisInvertX:
        p.X = InvertCoord(p.X);
        break;
    case kAxisInvertX | kAxisInvertY:
        p.X = InvertCoord(p.X);
        p.Y = InvertCoord(p.Y);
        break;
    default:
        break;
    }
    return p;
}

Position CalibratePosition(Position raw, const ParameterBlock& b) {
    const int32_t x0 = ReadField(b.CalX[0]);
    const int32_t y0 = ReadField(b.CalY[0]);
    const QuadrantCoefficients q = Quadrant(raw, x0, y0, b);
    // Both from the same raw X and Y: X' does not feed Y'.
    const double x =
        double(raw.X - x0) * (double(q.gainX) + double(q.slopeX) * double(raw.Y - q.refY)) + kCoordCentre;
    const double y =
        double(raw.Y - y0) * (double(q.gainY) + double(q.slopeY) * double(raw.X - q.refX)) + kCoordCentre;
    return Position{MapAxis(x), MapAxis(y)};
}

uint32_t OrientationTurn(uint16_t orientation, uint16_t calOrientation) {
    // 3 x CalOrientation is -CalOrientation modulo 4, with no negative operand.
    return (uint32_t{orientation} + 3u * calOrientation) % kOrientationCount;
}

Position CorrectOrientation(Position p, uint32_t turn) {
    return ApplyAxisFlags(p, kTurnFlags[turn % kOrientationCount]);
}

uint8_t DecideTouchState(const TouchReport& r, bool contact, const ParameterBlock& b, ReaderCounters& c) {
    if (!contact) {
        c = ReaderCounters{};
        return kTouchNone;
    }
    const bool twoFingers =
        r.Dist1 > r.Dist1Base + ReadField(b.Dist1Margin) || r.Dist2 > r.Dist2Base + ReadField(b.Dist2Margin);
    if (twoFingers) {
        if (c.MultiCount >= kUndecidedSamples) {
            c.DownCount = 0;
            return kTouchMulti;
        }
        ++c.MultiCount;
        return kTouchUndecided;
    }
    if (c.DownCount < 1) {
        // The first contact sample is discarded: it reads as a release.
        ++c.DownCount;
        c.MultiCount = 0;
        return kTouchNone;
    }
    if (!c.Tracking) {
        c.MultiCount = 0;
        c.Tracking = 1;
    }
    return kTouchSingle;
}

ProcessedReport ProcessReport(const TouchReport& report, const ParameterBlock& b, ReaderCounters& counters) {
    const int32_t rtouch = ComputeRTouch(report);
    const Position raw = ApplyAxisFlags(Position{report.X, report.Y}, ReadField(b.AxisFlags));
    const Position calibrated = CalibratePosition(raw, b);
    const Position mapped = CorrectOrientation(
        calibrated, OrientationTurn(ReadField(b.Orientation), ReadField(b.CalOrientation)));
    const bool contact = IsContact(rtouch, ReadField(b.PressureLimit));
    const uint8_t state = DecideTouchState(report, contact, b, counters);
    return ProcessedReport{state, coord_dist{mapped.X, mapped.Y, report.Dist1, report.Dist2}, contact};
}
