#include "calibration/CalibrationSolve.h"

#include <limits>
#include <utility>

#include "device/AxisFlags.h"

const uint16_t XL[kCalPointCount] = {2048, 128, 128, 3968, 3968, 2048, 2048, 128, 3968};
const uint16_t YL[kCalPointCount] = {2048, 128, 3968, 128, 3968, 128, 3968, 2048, 2048};

namespace {

constexpr int32_t Diff(uint16_t a, uint16_t b) { return static_cast<int32_t>(a) - static_cast<int32_t>(b); }

// A quotient in double precision stored as float. A zero denominator gives
// the IEEE result (signed infinity, or NaN for 0/0) without dividing by zero.
float Quotient(double numerator, int32_t denominator) {
    if (denominator == 0) {
        if (numerator > 0) return std::numeric_limits<float>::infinity();
        if (numerator < 0) return -std::numeric_limits<float>::infinity();
        return std::numeric_limits<float>::quiet_NaN();
    }
    return static_cast<float>(numerator / denominator);
}

// Scale factor from the centre to target p on one axis.
float Scale(const uint16_t* ideal, const uint16_t* measured, size_t p) {
    return Quotient(Diff(ideal[p], ideal[0]), Diff(measured[p], measured[0]));
}

float Slope(float scaleA, float scaleB, uint16_t coordA, uint16_t coordB) {
    return Quotient(static_cast<double>(scaleA) - static_cast<double>(scaleB), Diff(coordA, coordB));
}

}  // namespace

uint32_t AbsInt32(int32_t v) { return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v); }

void CalibrationSolve(ParameterBlock& b) {
    uint16_t* const X = b.CalX;
    uint16_t* const Y = b.CalY;

    // Targets 1 and 2 differ only in their screen row: the raw axis that
    // changes more between them is the screen's vertical. A tie counts as
    // exchanged.
    const uint32_t dY = AbsInt32(Diff(Y[1], Y[2]));
    const uint32_t dX = AbsInt32(Diff(X[1], X[2]));
    uint16_t flags = dY > dX ? 0 : kAxisSwap;
    if (flags & kAxisSwap) {
        if (X[1] > X[2]) flags |= kAxisInvertY;
        if (Y[1] > Y[3]) flags |= kAxisInvertX;
    } else {
        if (Y[1] > Y[2]) flags |= kAxisInvertY;
        if (X[1] > X[3]) flags |= kAxisInvertX;
    }
    b.AxisFlags = flags;

    for (size_t i = 0; i < kCalPointCount; ++i) {
        if (flags & kAxisSwap) std::swap(X[i], Y[i]);
        if (flags & kAxisInvertY) Y[i] = static_cast<uint16_t>(InvertCoord(Y[i]));
        if (flags & kAxisInvertX) X[i] = static_cast<uint16_t>(InvertCoord(X[i]));
    }

    // Corners 1..4, then the left/right centre for X and the top/bottom
    // centre for Y.
    for (size_t k = 0; k < 4; ++k) {
        b.ScaleX[k] = Scale(XL, X, k + 1);
        b.ScaleY[k] = Scale(YL, Y, k + 1);
    }
    for (size_t k = 4; k < 6; ++k) {
        b.ScaleX[k] = Scale(XL, X, k + 3);
        b.ScaleY[k] = Scale(YL, Y, k + 1);
    }

    // Each slope runs from an edge mid-point's scale to a corner's, along the
    // other axis; it uses the stored single-precision scales.
    const float* sx = b.ScaleX;
    const float* sy = b.ScaleY;
    b.ScaleSlope[0] = Slope(sx[0], sx[4], Y[1], Y[7]);
    b.ScaleSlope[1] = Slope(sx[1], sx[4], Y[2], Y[7]);
    b.ScaleSlope[2] = Slope(sx[2], sx[5], Y[3], Y[8]);
    b.ScaleSlope[3] = Slope(sx[3], sx[5], Y[4], Y[8]);
    b.ScaleSlope[4] = Slope(sy[0], sy[4], X[1], X[5]);
    b.ScaleSlope[5] = Slope(sy[1], sy[5], X[2], X[6]);
    b.ScaleSlope[6] = Slope(sy[2], sy[4], X[3], X[5]);
    b.ScaleSlope[7] = Slope(sy[3], sy[5], X[4], X[6]);
}
