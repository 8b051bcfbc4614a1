#include "connection/online_counter.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

TEST(OnlineCounterAdvance, CarriesSecondsMinutesAndHours) {
    EXPECT_EQ(NextOnlineCounterText("00:00:00"), "00:00:01");
    EXPECT_EQ(NextOnlineCounterText("00:00:59"), "00:01:00");
    EXPECT_EQ(NextOnlineCounterText("00:58:59"), "00:59:00");
    EXPECT_EQ(NextOnlineCounterText("00:59:59"), "01:00:00");
    EXPECT_EQ(NextOnlineCounterText("09:59:59"), "10:00:00");
}

TEST(OnlineCounterAdvance, HoursHaveNoUpperBound) {
    EXPECT_EQ(NextOnlineCounterText("99:59:59"), "100:00:00");
    EXPECT_EQ(NextOnlineCounterText("123:04:05"), "123:04:06");
    EXPECT_EQ(NextOnlineCounterText("99999:59:59"), "100000:00:00");
}

TEST(OnlineCounterParse, ReadsTheCounterForm) {
    EXPECT_EQ(ParseOnlineCounter("123:04:05"), (OnlineCounter{123, 4, 5}));
    EXPECT_EQ(ParseOnlineCounter("00:59:59"), (OnlineCounter{0, 59, 59}));
    // One hour digit is what an older total may hold; it reads the same.
    EXPECT_EQ(ParseOnlineCounter("7:00:01"), (OnlineCounter{7, 0, 1}));
}

TEST(OnlineCounterParse, AnythingElseReadsAsZero) {
    for (const char* text : {"", "garbage", "00:00", "00:00:00:00", "00:60:00", "00:00:60",
                             "00:0:000", "-1:00:00", "+1:00:00", " 01:00:00", "01:00:00 ",
                             "01:0a:00", ":00:00", "1e3:00:00", "99999999999999999999999:00:00"}) {
        EXPECT_EQ(ParseOnlineCounter(text), OnlineCounter{}) << '"' << text << '"';
    }
    EXPECT_EQ(NextOnlineCounterText("garbage"), "00:00:01");
}

TEST(OnlineCounterFormat, PadsBelowTen) {
    EXPECT_EQ(FormatOnlineCounter({0, 0, 0}), "00:00:00");
    EXPECT_EQ(FormatOnlineCounter({5, 7, 9}), "05:07:09");
    EXPECT_EQ(FormatOnlineCounter({10, 10, 10}), "10:10:10");
    EXPECT_EQ(FormatOnlineCounter({1234, 0, 0}), "1234:00:00");
}

}  // namespace
}  // namespace pontavi
