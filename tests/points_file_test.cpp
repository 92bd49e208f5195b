#include <gtest/gtest.h>

#include "tools/rtouchctl/PointsFile.h"

namespace {

const char kNine[] = "1 2\n3 4\n5 6\n7 8\n9 10\n11 12\n13 14\n15 16\n65535 0\n";

TEST(PointsFile, NinePointsWithCommentsBlanksAndCrLf) {
    std::string error;
    auto p = ParsePoints(std::string("# targets 0..8\r\n\n\t1\t2\r\n   # indented comment\n") + (kNine + 4),
                         error);
    ASSERT_TRUE(p) << error;
    EXPECT_EQ(1, (*p)[0].X);
    EXPECT_EQ(2, (*p)[0].Y);
    EXPECT_EQ(65535, (*p)[8].X);
    EXPECT_EQ(0, (*p)[8].Y);
}

TEST(PointsFile, ErrorsNameTheLine) {
    struct Case {
        std::string text, error;
    };
    const Case cases[] = {
        {std::string(kNine) + "17 18\n", "line 10: more than 9 points"},
        {"1 2\n3\n", "line 2: expected two values 'X Y'"},
        {"1 2 3\n", "line 1: expected two values 'X Y'"},
        {"1 65536\n", "line 1: bad value '65536'"},
        {"-1 2\n", "line 1: bad value '-1'"},
        {"1 2 # note\n", "line 1: expected two values 'X Y'"},
        {"1 2\n3 4\n\n", "line 4: end of file after 2 points, expected 9"},
        {"", "line 1: end of file after 0 points, expected 9"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(ParsePoints(c.text, error)) << c.text;
        EXPECT_EQ(c.error, error) << c.text;
    }
}

}  // namespace
