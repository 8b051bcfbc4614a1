#include "net/socket_buffer.h"

#include <gtest/gtest.h>

#include <string>

#include "net/sock_error.h"

namespace pontavi {
namespace {

constexpr const char* kLoses = "Cannot change buffer size - data will be lost.";

TEST(SocketBuffer, RefusesSizesOfZeroOrLess) {
    EXPECT_THROW(SocketBuffer(0), EBufferedSocketException);
    SocketBuffer buffer(16);
    try {
        buffer.Resize(-1);
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(), kLoses);
    }
}

TEST(SocketBuffer, ShrinkingBelowTheHeldBytesKeepsTheOldBuffer) {
    SocketBuffer buffer(1024);
    const std::string data(600, 'x');
    ASSERT_EQ(buffer.Append(data.data(), data.size()), 600u);
    try {
        buffer.Resize(512);
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(), kLoses);
    }
    EXPECT_EQ(buffer.Size(), 1024u);
    EXPECT_EQ(buffer.Held(), data);
}

TEST(SocketBuffer, ResizeMovesHeldBytesToTheFront) {
    SocketBuffer buffer(8);
    buffer.Append("abcdefgh", 8);
    buffer.PullUp(3);
    EXPECT_FALSE(buffer.Resize(8));  // same size: nothing changes
    EXPECT_TRUE(buffer.Resize(5));
    EXPECT_EQ(buffer.Held(), "defgh");
    EXPECT_TRUE(buffer.Full());
}

TEST(SocketBuffer, AppendStopsAtTheFreeSpace) {
    SocketBuffer buffer(4);
    EXPECT_EQ(buffer.Append("abcdef", 6), 4u);
    EXPECT_EQ(buffer.Append("x", 1), 0u);
    char out[3];
    EXPECT_EQ(buffer.Take(out, 3), 3u);
    EXPECT_EQ(std::string(out, 3), "abc");
    EXPECT_EQ(buffer.Append("xyz", 3), 3u);
    EXPECT_EQ(buffer.Held(), "dxyz");
}

TEST(SocketBuffer, PullingUpMoreThanTheSizeRaises) {
    SocketBuffer buffer(4);
    buffer.Append("ab", 2);
    buffer.PullUp(3);  // more than held but within the size: takes what is there
    EXPECT_EQ(buffer.Count(), 0u);
    try {
        buffer.PullUp(5);
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(),
                     "Cannot pull up buffer - amount to pull up larger than total buffer.");
    }
}

}  // namespace
}  // namespace pontavi
