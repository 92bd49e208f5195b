#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "device/FakeDriver.h"

namespace {

class FakeDriverTest : public ::testing::Test {
protected:
    void SetUp() override { FakeDriver::Reset(); }
    void TearDown() override { FakeDriver::Reset(); }
};

TEST_F(FakeDriverTest, AbsentDriverOpensNothingAndReceivesNothing) {
    EXPECT_EQ(kInvalidChannel, OpenDriverChannel());
    EXPECT_FALSE(ProbeDriver());
    EXPECT_FALSE(SendParameterBlock(MakeDefaultParams()));
    EXPECT_TRUE(FakeDriver::SentBlocks().empty());
}

TEST_F(FakeDriverTest, ScriptedReadsArriveInOrderThenFail) {
    FakeDriver::SetPresent(true);
    ReportBytes a = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, got{};
    FakeDriver::QueueReport(a);
    FakeDriver::QueueFailedRead();
    DriverChannel ch = OpenDriverChannel();
    ASSERT_NE(kInvalidChannel, ch);
    EXPECT_TRUE(ReadTouchReport(ch, got));
    EXPECT_EQ(0, std::memcmp(a, got, sizeof a));
    EXPECT_FALSE(ReadTouchReport(ch, got));
    EXPECT_FALSE(ReadTouchReport(ch, got));  // nothing queued: prompt failure
    CloseDriverChannel(ch);
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
}

TEST_F(FakeDriverTest, SendsAreRecordedAndProbesCloseTheirChannel) {
    FakeDriver::SetPresent(true);
    ParameterBlock b = MakeDefaultParams();
    b.PanScale = 999;
    EXPECT_TRUE(ProbeDriver());
    EXPECT_TRUE(SendParameterBlock(b));
    auto sent = FakeDriver::SentBlocks();
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(999, sent[0].PanScale);
    EXPECT_EQ(0u, FakeDriver::OpenChannels());
}

TEST_F(FakeDriverTest, BlockingReadCompletesWhenReleased) {
    FakeDriver::SetPresent(true);
    ReportBytes r = {7}, got{};
    FakeDriver::QueueBlockingRead();
    FakeDriver::QueueReport(r);
    std::atomic<bool> done{false};
    std::thread reader([&] {
        DriverChannel ch = OpenDriverChannel();
        EXPECT_TRUE(ReadTouchReport(ch, got));
        CloseDriverChannel(ch);
        done = true;
    });
    while (!FakeDriver::ReaderIsBlocked()) std::this_thread::yield();
    EXPECT_FALSE(done);
    FakeDriver::ReleaseBlockedRead();
    reader.join();
    EXPECT_EQ(7, got[0]);
}

}  // namespace
