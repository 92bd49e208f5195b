#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/DrawTestLayout.h"
#include "shell/TrayRecordSize.h"

namespace {

// The positions of the grid lines along one extent, as the paint loop
// walks them.
std::vector<uint32_t> GridLines(uint32_t extent) {
    std::vector<uint32_t> lines;
    for (uint32_t at = 0; at < extent; at += GridStep(extent)) lines.push_back(at);
    return lines;
}

TEST(DrawTestLayout, GridAndButtonsOnA1024x768Screen) {
    EXPECT_EQ(GridLines(1024), (std::vector<uint32_t>{0, 102, 204, 306, 408, 510, 612, 714, 816, 918, 1020}));
    EXPECT_EQ(GridLines(768), (std::vector<uint32_t>{0, 76, 152, 228, 304, 380, 456, 532, 608, 684, 760}));
    const ButtonRect exit = ExitButtonRect(1024, 768);
    const ButtonRect clear = ClearButtonRect(1024, 768);
    EXPECT_EQ((std::vector<uint32_t>{exit.x, exit.y, exit.width, exit.height}),
              (std::vector<uint32_t>{10, 7, 51, 38}));
    EXPECT_EQ((std::vector<uint32_t>{clear.x, clear.y, clear.width, clear.height}),
              (std::vector<uint32_t>{112, 7, 51, 38}));
}

// Under ten pixels a tenth is 0: the grid still ends, a line per pixel.
TEST(DrawTestLayout, TinyScreenStillEndsTheGrid) {
    EXPECT_EQ(GridStep(9), 1u);
    EXPECT_EQ(GridLines(3), (std::vector<uint32_t>{0, 1, 2}));
    EXPECT_TRUE(GridLines(0).empty());
    EXPECT_EQ(GridStep(10), 1u);
    EXPECT_EQ(GridStep(19), 1u);
    EXPECT_EQ(GridStep(20), 2u);
}

// The tray record: the full one first from shell 5.0 on, then on each
// refusal the next smaller one the shell may know, then none.
TEST(TrayRecordSize, RefusedRecordsFallBackToSmallerOnes) {
    for (const TrayRecordSizes sizes : {TrayRecordSizes{956, 952, 936}, TrayRecordSizes{976, 968, 952}}) {
        EXPECT_EQ(sizes.full, FirstTrayRecordSize(uint64_t{6} << 48, sizes));
        EXPECT_EQ(sizes.full, FirstTrayRecordSize(uint64_t{5} << 48, sizes));
        EXPECT_EQ(sizes.withoutGuid, FirstTrayRecordSize((uint64_t{4} << 48) | (uint64_t{72} << 32), sizes));
        std::vector<uint32_t> tried;
        for (uint32_t size = sizes.full; size != 0; size = NextTrayRecordSize(size, sizes))
            tried.push_back(size);
        EXPECT_EQ((std::vector<uint32_t>{sizes.full, sizes.withoutBalloonIcon, sizes.withoutGuid}), tried);
    }
}

}  // namespace
