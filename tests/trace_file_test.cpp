#include <gtest/gtest.h>

#include <vector>

#include "tools/rtouchctl/TraceFile.h"

namespace {

using Bytes = std::vector<uint8_t>;
Bytes Of(const ReportBytes& r) { return Bytes(r, r + kTouchReportSize); }

TEST(TraceFileTest, ParsesReportsFailuresCommentsAndBlanks) {
    std::string error;
    auto t =
        ParseTrace("# header\n\n  1000 2000 300 400 5 6 7 8\r\nfail\n\t65535 0 1 65535 255 0 0 255", error);
    ASSERT_TRUE(t) << error;
    ASSERT_EQ(3u, t->size());
    EXPECT_FALSE((*t)[0].failed);
    EXPECT_EQ(3u, (*t)[0].lineNumber);
    // 1000 = 0x03E8, 2000 = 0x07D0, 300 = 0x012C, 400 = 0x0190, low byte first.
    EXPECT_EQ((Bytes{0xE8, 0x03, 0xD0, 0x07, 0x2C, 0x01, 0x90, 0x01, 5, 6, 7, 8}), Of((*t)[0].report));
    EXPECT_TRUE((*t)[1].failed);
    EXPECT_EQ((Bytes{0xFF, 0xFF, 0, 0, 1, 0, 0xFF, 0xFF, 255, 0, 0, 255}), Of((*t)[2].report));
    EXPECT_EQ(5u, (*t)[2].lineNumber);
}

TEST(TraceFileTest, FormatsAReportAsATraceLine) {
    const ReportBytes report = {0xE8, 0x03, 0xD0, 0x07, 0x2C, 0x01, 0x90, 0x01, 5, 6, 7, 8};
    EXPECT_EQ("1000 2000 300 400 5 6 7 8", FormatTraceLine(report));
}

TEST(TraceFileTest, RejectsBadLinesNamingTheLine) {
    const char* bad[] = {
        "1 2 3 4 5 6 7\n",        // too few
        "1 2 3 4 5 6 7 8 9\n",    // too many
        "65536 2 3 4 5 6 7 8\n",  // X out of range
        "1 2 3 4 256 6 7 8\n",    // Dist1 out of range
        "1 2 3 4 5 6 7 -8\n",     // signed
        "1 2 3 4 5 6 7 8x\n",     // trailing junk
        "FAIL\n",                 // case matters
        "fail now\n",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(ParseTrace(std::string("# ok\n") + text, error)) << text;
        EXPECT_EQ(0u, error.find("line 2:")) << error;
    }
}

}  // namespace
