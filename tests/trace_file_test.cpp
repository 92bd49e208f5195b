#include <gtest/gtest.h>

#include "tools/rtouchctl/TraceFile.h"

namespace {

TEST(TraceFileTest, ParsesReportsFailuresCommentsAndBlanks) {
    std::string error;
    auto t = ParseTrace("# header\n\n  1000 2000 300 400 5 6 7 8\r\nfail\n\t65535 0 1 65535 255 0 0 255", error);
    ASSERT_TRUE(t) << error;
    ASSERT_EQ(3u, t->size());
    EXPECT_FALSE((*t)[0].failed);
    EXPECT_EQ(3u, (*t)[0].lineNumber);
    EXPECT_EQ("1000 2000 300 400 5 6 7 8", FormatTraceLine((*t)[0].report));
    EXPECT_TRUE((*t)[1].failed);
    EXPECT_EQ("65535 0 1 65535 255 0 0 255", FormatTraceLine((*t)[2].report));
    EXPECT_EQ(5u, (*t)[2].lineNumber);
}

TEST(TraceFileTest, RejectsBadLinesNamingTheLine) {
    const char* bad[] = {
        "1 2 3 4 5 6 7\n",            // too few
        "1 2 3 4 5 6 7 8 9\n",        // too many
        "65536 2 3 4 5 6 7 8\n",      // X out of range
        "1 2 3 4 256 6 7 8\n",        // Dist1 out of range
        "1 2 3 4 5 6 7 -8\n",         // signed
        "1 2 3 4 5 6 7 8x\n",         // trailing junk
        "FAIL\n",                     // case matters
        "fail now\n",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(ParseTrace(std::string("# ok\n") + text, error)) << text;
        EXPECT_EQ(0u, error.find("line 2:")) << error;
    }
}

}  // namespace
