#include <gtest/gtest.h>

#include "engine/TouchReport.h"

namespace {

TouchReport Report(uint16_t x, uint16_t z1, uint16_t z2) { return TouchReport{x, 0, z1, z2, 0, 0, 0, 0}; }

TEST(TouchReportTest, DecodesLittleEndianFields) {
    ReportBytes b = {0x34, 0x12, 0x78, 0x56, 0x01, 0x00, 0xFF, 0xFF, 9, 8, 7, 6};
    TouchReport r = DecodeReport(b);
    EXPECT_EQ(0x1234, r.X);
    EXPECT_EQ(0x5678, r.Y);
    EXPECT_EQ(1, r.Z1);
    EXPECT_EQ(0xFFFF, r.Z2);
    EXPECT_EQ(9, r.Dist1);
    EXPECT_EQ(8, r.Dist2);
    EXPECT_EQ(7, r.Dist1Base);
    EXPECT_EQ(6, r.Dist2Base);
}

TEST(TouchReportTest, RTouchFollowsTheFormulaAndTruncates) {
    EXPECT_EQ(0, ComputeRTouch(Report(0, 100, 200)));   // X = 0
    EXPECT_EQ(0, ComputeRTouch(Report(1000, 0, 200)));  // Z1 = 0
    EXPECT_EQ(1000, ComputeRTouch(Report(1000, 100, 200)));
    EXPECT_EQ(-500, ComputeRTouch(Report(1000, 200, 100)));  // Z2 < Z1: negative
    EXPECT_EQ(333, ComputeRTouch(Report(1000, 300, 400)));   // 333.33 truncated
    EXPECT_EQ(-333, ComputeRTouch(Report(1000, 300, 200)));  // toward zero
}

TEST(TouchReportTest, RTouchSaturatesBeyondThirtyTwoBits) {
    // 65534 * 65535 does not fit in 32 bits: saturate, never overflow.
    EXPECT_EQ(INT32_MAX, ComputeRTouch(Report(65535, 1, 65535)));
    EXPECT_EQ(INT32_MAX, ComputeRTouch(Report(32769, 1, 65535)));  // 2147581886 > 2^31
    // The largest negative figure stays in range: -(65534/65535)*65535.
    EXPECT_EQ(-65534, ComputeRTouch(Report(65535, 65535, 1)));
}

}  // namespace
