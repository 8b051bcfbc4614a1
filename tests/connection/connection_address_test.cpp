#include "connection/connection_address.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_dialup.h"

namespace pontavi {
namespace {

using Connections = std::optional<std::vector<FakeDialUp::Connection>>;

struct Case {
    const char* what;
    Connections connections;
    std::string expected;  // empty: throws
};

TEST(ConnectionAddress, IsTheFirstConnectionsOwnAddress) {
    const Case cases[] = {
        {"one link", std::vector<FakeDialUp::Connection>{{7, true, "10.0.0.5"}}, "10.0.0.5"},
        {"the first link, not a later one",
         std::vector<FakeDialUp::Connection>{{3, true, "192.0.2.1"}, {4, true, "10.9.9.9"}},
         "192.0.2.1"},
        {"the first link without an address",
         std::vector<FakeDialUp::Connection>{{3, false, ""}, {4, true, "10.9.9.9"}}, ""},
        {"no link", std::vector<FakeDialUp::Connection>{}, ""},
        {"links cannot be listed", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        FakeDialUp dialUp;
        dialUp.connections = c.connections;
        if (c.expected.empty()) {
            EXPECT_THROW(ConnectionAddress(dialUp), std::runtime_error) << c.what;
        } else {
            EXPECT_EQ(ConnectionAddress(dialUp), c.expected) << c.what;
        }
    }
}

}  // namespace
}  // namespace pontavi
