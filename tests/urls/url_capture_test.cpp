#include "urls/url_capture.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

TEST(CaptureUrl, CutsTheAddressOutOfSurroundingText) {
    EXPECT_EQ(CaptureUrl("see http://host/page now"), "http://host/page");
    EXPECT_EQ(CaptureUrl("http://host/a " + std::string(300, 'x')), "http://host/a");
}

TEST(CaptureUrl, MarkersAreTriedInOrderNotByPosition) {
    EXPECT_EQ(CaptureUrl("www.host1/a or http://host2/b"), "http://host2/b");
    EXPECT_EQ(CaptureUrl("ftp.a.org and ftp://b.org/x"), "ftp://b.org/x");
    EXPECT_EQ(CaptureUrl("at ftp.host/pub"), "ftp.host/pub");
}

TEST(CaptureUrl, EndsAtTheFirstLineBreak) {
    EXPECT_EQ(CaptureUrl("www.host/x\r\nsecond line"), "www.host/x");
    EXPECT_EQ(CaptureUrl("www.host/x\nsecond"), "www.host/x");
    EXPECT_EQ(CaptureUrl("www.host/x\rsecond"), "www.host/x");
}

TEST(CaptureUrl, OtherSchemesStayWholeUpToTheLineBreak) {
    EXPECT_EQ(CaptureUrl("https://host/z"), "https://host/z");
    EXPECT_EQ(CaptureUrl("HTTP://HOST"), "HTTP://HOST");
    EXPECT_EQ(CaptureUrl("read news://a/b today\r\nmore"), "read news://a/b today");
}

TEST(CaptureUrl, TextWithoutMarkerOrEmptyResultGivesNothing) {
    EXPECT_EQ(CaptureUrl(""), std::nullopt);
    EXPECT_EQ(CaptureUrl("192.168.1.20"), std::nullopt);
    EXPECT_EQ(CaptureUrl("WWW.HOST.ORG"), std::nullopt);
    EXPECT_EQ(CaptureUrl("\r\nhttps://x"), std::nullopt);
}

}  // namespace
}  // namespace pontavi
