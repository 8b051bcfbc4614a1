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

TEST(TimeAnswerTest, TheWholeAnswerAgainstTheClockWithinTwelveHours) {
    const auto value = [](std::int64_t unix) {
        return static_cast<std::uint32_t>(unix + kTimeProtocolOffset);
    };
    const std::int64_t late = k20220131 + kDay - 10;  // 23:59:50
    const std::int64_t hour = 3600;
    const struct {
        std::int64_t answer;
        std::int64_t nowMs;
        std::int64_t moveMs;
        bool applied;
    } cases[] = {
        {late + 20, late * 1000 + 250, 20'000, true},    // across midnight: forward 20 s
        {late - 20, (late + 20) * 1000, -40'000, true},  // and back across it
        {late + 13 * hour, late * 1000, 13 * hour * 1000, false},
        {late - 13 * hour, late * 1000, -13 * hour * 1000, false},
        {late + 12 * hour, late * 1000 + 999, 12 * hour * 1000, true},
        {late - 12 * hour - 1, late * 1000, (-12 * hour - 1) * 1000, false},
        {late + 5 * kDay, late * 1000, 5 * kDay * 1000, false},  // the right time, another day
        {late, late * 1000 + 999, 0, true},                      // right: milliseconds kept
    };
    for (const auto& c : cases) {
        const ClockFromAnswer change(value(c.answer), c.nowMs);
        EXPECT_EQ(change.answerUnix, c.answer);
        EXPECT_EQ(change.moveMs, c.moveMs) << c.answer - late;
        EXPECT_EQ(change.plausible(), c.applied) << c.answer - late;
    }
}

}  // namespace
}  // namespace pontavi
