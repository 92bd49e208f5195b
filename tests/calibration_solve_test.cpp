#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>

#include "calibration/CalibrationSolve.h"

namespace {

// Where targets 0..8 should land in the 0..4095 space, written from the
// layout (centre, four corners, four edge mid-points, inset 4096/32) rather
// than from the solve's own table.
constexpr int kNear = 128, kMid = 2048, kFar = 3968;
constexpr std::pair<int, int> kIdeal[kCalPointCount] = {
    {kMid, kMid},  {kNear, kNear}, {kNear, kFar}, {kFar, kNear}, {kFar, kFar},
    {kMid, kNear}, {kMid, kFar},   {kNear, kMid}, {kFar, kMid},
};

// A block whose nine points are f(ideal x, ideal y) for each target.
ParameterBlock WithPoints(const std::function<std::pair<int, int>(int, int)>& f) {
    ParameterBlock b = MakeDefaultParams();
    b.CalX[9] = 777;
    b.CalY[9] = 888;
    for (size_t i = 0; i < kCalPointCount; ++i) {
        auto [x, y] = f(kIdeal[i].first, kIdeal[i].second);
        b.CalX[i] = static_cast<uint16_t>(x);
        b.CalY[i] = static_cast<uint16_t>(y);
    }
    return b;
}

ParameterBlock Ideal() {
    return WithPoints([](int x, int y) { return std::pair{x, y}; });
}

void ExpectPointsAreIdeal(const ParameterBlock& b) {
    for (size_t i = 0; i < kCalPointCount; ++i) {
        EXPECT_EQ(kIdeal[i].first, b.CalX[i]) << i;
        EXPECT_EQ(kIdeal[i].second, b.CalY[i]) << i;
    }
}

void ExpectCoefficients(const ParameterBlock& b, float scale) {
    for (float s : b.ScaleX) EXPECT_EQ(scale, s);
    for (float s : b.ScaleY) EXPECT_EQ(scale, s);
    for (float s : b.ScaleSlope) EXPECT_EQ(0.0f, s);
}

TEST(CalibrationSolve, IdealPointsGiveTheIdentity) {
    ParameterBlock b = Ideal();
    CalibrationSolve(b);
    EXPECT_EQ(0, b.AxisFlags);
    ExpectPointsAreIdeal(b);
    ExpectCoefficients(b, 1.0f);
    EXPECT_EQ(777, b.CalX[9]);
    EXPECT_EQ(888, b.CalY[9]);
}

TEST(CalibrationSolve, ReversedAndExchangedAxesAreDetectedAndNormalised) {
    struct Case {
        const char* name;
        std::pair<int, int> (*raw)(int, int);
        uint16_t flags;
    };
    const Case cases[] = {
        {"Y reversed",
         [](int x, int y) {
             return std::pair{x, 4095 - y};
         },
         0x01},
        {"X reversed",
         [](int x, int y) {
             return std::pair{4095 - x, y};
         },
         0x02},
        {"both reversed",
         [](int x, int y) {
             return std::pair{4095 - x, 4095 - y};
         },
         0x03},
        {"exchanged",
         [](int x, int y) {
             return std::pair{y, x};
         },
         0x10},
        {"exchanged, raw Y reversed",
         [](int x, int y) {
             return std::pair{y, 4095 - x};
         },
         0x12},
        {"exchanged, raw X reversed",
         [](int x, int y) {
             return std::pair{4095 - y, x};
         },
         0x11},
        {"exchanged, both reversed",
         [](int x, int y) {
             return std::pair{4095 - y, 4095 - x};
         },
         0x13},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParameterBlock b = WithPoints(c.raw);
        CalibrationSolve(b);
        EXPECT_EQ(c.flags, b.AxisFlags);
        ExpectPointsAreIdeal(b);
        ExpectCoefficients(b, 1.0f);
        EXPECT_EQ(777, b.CalX[9]);
    }
}

TEST(CalibrationSolve, EqualTravelBetweenTopAndBottomLeftCountsAsExchanged) {
    ParameterBlock b = Ideal();
    b.CalX[1] = 100;
    b.CalX[2] = 300;
    b.CalY[1] = 500;
    b.CalY[2] = 300;  // dY = dX = 200
    CalibrationSolve(b);
    EXPECT_EQ(0x10, b.AxisFlags & 0x10);
}

TEST(CalibrationSolve, HalfTravelDoublesEveryScale) {
    ParameterBlock b = WithPoints([](int x, int y) {
        return std::pair{2048 + (x - 2048) / 2, 2048 + (y - 2048) / 2};
    });
    CalibrationSolve(b);
    EXPECT_EQ(0, b.AxisFlags);
    ExpectCoefficients(b, 2.0f);
}

TEST(CalibrationSolve, OneCornerOffChangesItsScaleAndSlopeOnly) {
    ParameterBlock b = Ideal();
    b.CalX[1] = 1088;
    CalibrationSolve(b);
    EXPECT_EQ(2.0f, b.ScaleX[0]);
    EXPECT_EQ(-0.00052083336f, b.ScaleSlope[0]);
    EXPECT_EQ(static_cast<float>(1.0 / (128 - 2048)), b.ScaleSlope[0]);
    for (size_t k = 1; k < 6; ++k) EXPECT_EQ(1.0f, b.ScaleX[k]) << k;
    for (float s : b.ScaleY) EXPECT_EQ(1.0f, s);
    for (size_t k = 1; k < 8; ++k) EXPECT_EQ(0.0f, b.ScaleSlope[k]) << k;
}

TEST(CalibrationSolve, SlopesUseTheStoredSinglePrecisionScales) {
    ParameterBlock b = Ideal();
    b.CalX[1] = 1000;  // ScaleX[0] = 1920/1048, not exact in float
    CalibrationSolve(b);
    const float scale = static_cast<float>(1920.0 / 1048.0);
    EXPECT_EQ(scale, b.ScaleX[0]);
    EXPECT_EQ(static_cast<float>((static_cast<double>(scale) - 1.0) / (128 - 2048)), b.ScaleSlope[0]);
}

TEST(CalibrationSolve, ZeroDenominatorStoresNonFiniteValuesOnly) {
    ParameterBlock b = Ideal();
    b.CalX[7] = 2048;  // left centre at the centre's raw X
    CalibrationSolve(b);
    EXPECT_TRUE(std::isinf(b.ScaleX[4]));
    EXPECT_FALSE(std::isfinite(b.ScaleSlope[0]));
    EXPECT_FALSE(std::isfinite(b.ScaleSlope[1]));
    for (size_t k : {0, 1, 2, 3, 5}) EXPECT_EQ(1.0f, b.ScaleX[k]) << k;
    for (size_t k = 2; k < 8; ++k) EXPECT_EQ(0.0f, b.ScaleSlope[k]) << k;

    ParameterBlock same{};  // every point equal: 0/0 and x/0 everywhere
    CalibrationSolve(same);
    for (float s : same.ScaleX) EXPECT_FALSE(std::isfinite(s));
}

TEST(CalibrationSolve, AbsoluteValueCoversTheWholeRange) {
    EXPECT_EQ(4095u, AbsInt32(-4095));
    EXPECT_EQ(2147483648u, AbsInt32(INT32_MIN));
}

}  // namespace
