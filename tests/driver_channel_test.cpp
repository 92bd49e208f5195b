// The interface lookup's decision on the detail size the system reports.
#include <gtest/gtest.h>

#include "device/DriverChannel.h"

namespace {

// SP_DEVICE_INTERFACE_DETAIL_DATA_W on 64-bit Windows: a 4-byte cbSize and
// one wide character, padded to 8.
constexpr uint32_t kHeader = 8;

TEST(DetailSizeTest, OnlyAnInsufficientBufferAnswerOfAtLeastTheHeaderIsAllocated) {
    EXPECT_TRUE(DetailSizeUsable(false, 122, kHeader, kHeader));
    EXPECT_TRUE(DetailSizeUsable(false, 122, 180, kHeader));  // a typical path
    // Too small for the header that is written into it.
    EXPECT_FALSE(DetailSizeUsable(false, 122, kHeader - 1, kHeader));
    EXPECT_FALSE(DetailSizeUsable(false, 122, 0, kHeader));
    // Any other failure: the size is whatever the variable held.
    EXPECT_FALSE(DetailSizeUsable(false, 87, 4096, kHeader));   // invalid parameter
    EXPECT_FALSE(DetailSizeUsable(false, 259, 4096, kHeader));  // no more items
    EXPECT_FALSE(DetailSizeUsable(false, 0, 4096, kHeader));
    // A query with no buffer cannot succeed; if it claims to, nothing is sized.
    EXPECT_FALSE(DetailSizeUsable(true, 0, 4096, kHeader));
}

}  // namespace
