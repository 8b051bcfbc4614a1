#include "connection/short_date.h"

#include <gtest/gtest.h>

#include <regex>

namespace pontavi {
namespace {

// Test programs keep the "C" locale, whose short date is mm/dd/yy.
TEST(LocalShortDateToday, IsTheDateOnlyInTheLocalesShortForm) {
    const std::string today = LocalShortDateToday();
    EXPECT_TRUE(std::regex_match(today, std::regex(R"(\d\d/\d\d/\d\d)"))) << today;
}

}  // namespace
}  // namespace pontavi
