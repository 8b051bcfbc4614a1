#include "urls/openable_url.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

TEST(OpenableUrl, WebAndFtpAddressesOpenAsTheyAre) {
    EXPECT_EQ(OpenableUrl("http://host/a"), "http://host/a");
    EXPECT_EQ(OpenableUrl("HTTPS://host"), "HTTPS://host");
    EXPECT_EQ(OpenableUrl("ftp://host/pub"), "ftp://host/pub");
}

TEST(OpenableUrl, BareHostNamesGetTheirScheme) {
    EXPECT_EQ(OpenableUrl("www.x.org"), "http://www.x.org");
    EXPECT_EQ(OpenableUrl("ftp.x.org/pub"), "ftp://ftp.x.org/pub");
}

TEST(OpenableUrl, EverythingElseIsRefused) {
    for (const char* row : {"file:///etc/passwd", "/usr/bin/xterm", "news://a/b", "javascript:x",
                            "-e http://x", "", "http://", "www.", "mailto:a@b"}) {
        EXPECT_EQ(OpenableUrl(row), std::nullopt) << row;
    }
}

TEST(OpenableUrl, ControlCharactersAreRefused) {
    EXPECT_EQ(OpenableUrl("http://x/\na"), std::nullopt);
    EXPECT_EQ(OpenableUrl(std::string("http://x/\0a", 11)), std::nullopt);
    EXPECT_EQ(OpenableUrl("www.x\x7f"), std::nullopt);
}

}  // namespace
}  // namespace pontavi
