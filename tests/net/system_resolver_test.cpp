#include "net/system_resolver.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

TEST(SystemResolver, AnswersOnTheLoopThread) {
    PollLoop loop;
    SystemResolver resolver(loop);
    int error = -1;
    std::uint32_t address = 0;
    resolver.lookupHost("localhost", [&](int e, std::uint32_t a) {
        error = e;
        address = a;
    });
    EXPECT_EQ(error, -1);  // never inside the call
    ASSERT_TRUE(loop.runUntil([&] { return error != -1; }, 10'000));
    EXPECT_EQ(error, 0);
    EXPECT_EQ(address, htonl(INADDR_LOOPBACK));
}

TEST(SystemResolver, CancelledRequestsAreNotAnswered) {
    PollLoop loop;
    SystemResolver resolver(loop);
    bool answered = false;
    auto handle = resolver.lookupHost("localhost", [&](int, std::uint32_t) { answered = true; });
    handle->cancel();
    auto service =
        resolver.lookupService("no-such-service-here", "tcp", [&](int, int) { answered = true; });
    service->cancel();
    loop.runFor(300);
    EXPECT_FALSE(answered);
}

TEST(SystemResolver, DestroyedWhileALookupRunsDropsTheAnswer) {
    PollLoop loop;
    bool answered = false;
    {
        SystemResolver resolver(loop);
        resolver.lookupAddress(htonl(INADDR_LOOPBACK),
                               [&](int, const std::string&) { answered = true; });
    }
    // Whatever the worker does now must not touch the resolver; a virtual
    // clock is not held back by the abandoned lookup.
    loop.runFor(300);
    SUCCEED();
    (void)answered;
}

TEST(SystemResolver, UnknownServiceFailsAndPortsMapBack) {
    PollLoop loop;
    SystemResolver resolver(loop);
    EXPECT_FALSE(resolver.serviceToPort("no-such-service-here", "tcp"));
    EXPECT_FALSE(resolver.portToService(70000, "tcp"));
    int error = -1;
    resolver.lookupService("no-such-service-here", "tcp", [&](int e, int) { error = e; });
    ASSERT_TRUE(loop.runUntil([&] { return error != -1; }, 1000));
    EXPECT_NE(error, 0);
}

}  // namespace
}  // namespace pontavi
