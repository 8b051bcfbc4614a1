#include "nettime/time_answer.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

constexpr std::int64_t kDay = 86'400;
// 2022-01-31 00:00:00 UTC and 2036-02-07 06:28:16 UTC (the 32-bit wrap).
constexpr std::int64_t k20220131 = 1'643'587'200;
constexpr std::int64_t kWrap = (std::int64_t{1} << 32) - kTimeProtocolOffset;

TEST(TimeAnswerTest, BytesMostSignificantFirst) {
    const std::uint8_t bytes[4] = {0xE5, 0xA1, 0xC2, 0xB0};
    EXPECT_EQ(TimeAnswerValue(bytes), 3'852'583'600u);
}

TEST(TimeAnswerTest, ReadInTheEraNearestTheClock) {
    const struct {
        std::uint32_t value;
        std::int64_t now;
        std::int64_t unix;
    } cases[] = {
        {3'852'583'600u, k20220131, 1'643'594'800},
        {3'852'583'600u, 0, 1'643'594'800},
        {10, kWrap + 100, kWrap + 10},                              // after 2036
        {0xFFFF'FFF0u, kWrap + 5, kWrap - 16},                      // just before the wrap
        {0, 0, -kTimeProtocolOffset + (std::int64_t{1} << 32)},     // 1900 read as 2036
        {static_cast<std::uint32_t>(kTimeProtocolOffset), -10, 0},  // 1970 stays 1970
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TimeAnswerUnix(c.value, c.now), c.unix) << c.value << " at " << c.now;
    }
}

TEST(TimeAnswerTest, OnlyTheTimeOfDayIsReplaced) {
    // E5 A1 C2 B0 is 02:06:40; the computer's date and milliseconds stay.
    const std::int64_t now = (k20220131 + 5 * kDay + 3600) * 1000 + 250;  // 02-05 01:00:00.250
    const ClockFromAnswer c(3'852'583'600u, now);
    EXPECT_EQ(c.hour, 2);
    EXPECT_EQ(c.minute, 6);
    EXPECT_EQ(c.second, 40);
    EXPECT_EQ(c.newUnixMs, (k20220131 + 5 * kDay + 2 * 3600 + 6 * 60 + 40) * 1000 + 250);
    EXPECT_EQ(c.moveMs, (3600 + 400) * 1000);
    EXPECT_TRUE(c.plausible());
}

TEST(TimeAnswerTest, MoveOfMoreThanTwelveHoursIsNotPlausible) {
    const auto value = [](std::int64_t unix) {
        return static_cast<std::uint32_t>(unix + kTimeProtocolOffset);
    };
    const std::int64_t base = k20220131 + 23 * 3600 + 59 * 60 + 50;  // 23:59:50
    // Just after midnight on the server: the date is kept, so a day back.
    EXPECT_FALSE(ClockFromAnswer(value(base + 20), base * 1000).plausible());
    EXPECT_TRUE(ClockFromAnswer(value(base - 12 * 3600), base * 1000).plausible());
    EXPECT_FALSE(ClockFromAnswer(value(base - 12 * 3600 - 1), base * 1000).plausible());
    EXPECT_TRUE(ClockFromAnswer(value(base - 5), base * 1000).plausible());
}

}  // namespace
}  // namespace pontavi
