#include "net/protocol_table.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

TEST(ProtocolTable, NamesMapToNumbersIgnoringCase) {
    EXPECT_EQ(ProtocolNumberOf("tcp"), 6);
    EXPECT_EQ(ProtocolNumberOf("TCP"), 6);
    EXPECT_EQ(ProtocolNumberOf("Udp"), 17);
    EXPECT_EQ(ProtocolNumberOf("RAW"), 255);
    EXPECT_EQ(ProtocolNumberOf("nd"), 77);
    EXPECT_FALSE(ProtocolNumberOf("sctp"));
}

TEST(ProtocolTable, NumbersMapBackToNames) {
    EXPECT_EQ(ProtocolNameOf(0), "ip");
    EXPECT_EQ(ProtocolNameOf(6), "tcp");
    EXPECT_EQ(ProtocolNameOf(22), "idp");
    EXPECT_EQ(ProtocolNameOf(99), "");
}

}  // namespace
}  // namespace pontavi
