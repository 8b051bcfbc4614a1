#include "nettime/time_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../net/net_fixture.h"
#include "fakes/fake_system_clock.h"
#include "net/server_socket.h"
#include "nettime/time_answer.h"

namespace pontavi {
namespace {

// 2022-01-31 01:00:00.500 UTC on the computer.
constexpr std::int64_t kNow = (1'643'587'200LL + 3600) * 1000 + 500;
// The move E5 A1 C2 B0 (02:06:40 that day) asks for.
constexpr std::int64_t kSet = (3600 + 6 * 60 + 40) * 1000;
constexpr const char* kSetText =
    "Clock set from good.example to 2022-01-31 02:06:40 UTC (moved 4000 s forward)";

// A time client over real loopback sockets, a fake resolver on virtual time
// and a fake clock; scripted time servers answer on 127.0.0.1.
class TimeClientTest : public NetTest {
  protected:
    TimeClientTest() {
        clock.now = kNow;
        server.setAddress("127.0.0.1");
        server.setPort("0");
        server.OnAccept = [this](TSockCtrl&, TSocketBase* s) {
            ++accepts;
            answer(s);
        };
        server.Listen<TStreamSocket>();
        resolver.addService("time", server.LocalPort());
        resolver.addHost("good.example", "127.0.0.1");
        resolver.setDelay("silent.example", FakeResolver::kNever);
    }

    // The scripted answer: the given parts, then a close.
    void answer(TSocketBase* s) {
        for (const auto& part : parts) {
            s->Send(part.data(), part.size());
            loop.runFor(1);
        }
        if (closeAfter) {
            s->Close();
        }
    }

    bool settled() const { return !log.empty(); }

    FakeSystemClock clock{loop};
    std::vector<std::string> servers;
    TrayIcon tray{"TrayIcon1"};
    std::vector<std::string> log;
    TimeClient client{{servers, tray},
                      {layer, clock, [this](const std::string& m) { log.push_back(m); }}};
    TServerSocket server{layer};
    std::vector<std::string> parts{"\xE5\xA1\xC2\xB0"};
    bool closeAfter = true;
    int accepts = 0;
};

TEST_F(TimeClientTest, AnswerMovesTheClockByItsDifference) {
    servers = {"good.example"};
    client.StartClockUpdate();
    EXPECT_EQ(tray.Icon(), TrayImage::IconSettingClock);
    EXPECT_EQ(tray.ToolTip(), "Pontavi! - Updating Clock");
    ASSERT_TRUE(runUntil([&] { return settled(); }));
    EXPECT_EQ(clock.requests, std::vector<std::int64_t>{kSet});
    EXPECT_EQ(log, std::vector<std::string>{kSetText});
}

TEST_F(TimeClientTest, FourBytesInTwoPartsSetTheClockOnce) {
    servers = {"127.0.0.1"};
    parts = {"\xE5\xA1", "\xC2\xB0\x01\x02"};  // extra bytes are ignored
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }));
    loop.runFor(100);
    EXPECT_EQ(clock.requests, std::vector<std::int64_t>{kSet});
}

TEST_F(TimeClientTest, UnknownThenSilentThenAnsweringServer) {
    servers = {"nosuch.example", "silent.example", "good.example"};
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }, 30'000));
    EXPECT_GE(loop.now(), 9'000);
    EXPECT_LE(loop.now(), 10'500);
    EXPECT_EQ(client.TimeServerIndex(), 2);
    EXPECT_EQ(clock.requests, std::vector<std::int64_t>{kSet});
    EXPECT_EQ(log, std::vector<std::string>{kSetText});
    EXPECT_EQ(accepts, 1);
}

TEST_F(TimeClientTest, AllTimingOutGiveOneMessageAfterTheLast) {
    resolver.setDelay("silent2.example", FakeResolver::kNever);
    servers = {"silent.example", "silent2.example"};
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }, 60'000));
    loop.runFor(30'000);
    EXPECT_EQ(log, std::vector<std::string>{"Connection timed out while setting Clock"});
    EXPECT_GE(loop.now(), 18'000);
    EXPECT_TRUE(clock.requests.empty());
}

TEST_F(TimeClientTest, NoServerStartingGivesOneMessage) {
    servers = {"nosuch.example", "nosuch2.example"};
    client.StartClockUpdate();
    EXPECT_EQ(log, std::vector<std::string>{"Unable to connect to any Time Servers"});
}

TEST_F(TimeClientTest, RefusedConnectionEndsWithoutTryingFurther) {
    servers = {"127.0.0.2", "good.example"};  // nothing listens on 127.0.0.2
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }));
    loop.runFor(30'000);
    EXPECT_EQ(log, std::vector<std::string>{"Clock not set: 127.0.0.2 refused the connection"});
    EXPECT_EQ(accepts, 0);
}

TEST_F(TimeClientTest, EarlyCloseEndsWithoutSetting) {
    servers = {"good.example", "good.example"};
    parts = {"\xE5\xA1"};
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }));
    loop.runFor(30'000);
    EXPECT_TRUE(clock.requests.empty());
    EXPECT_EQ(accepts, 1);
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(TimeClientTest, AnswerMoreThanTwelveHoursAwayIsDiscarded) {
    servers = {"good.example"};
    clock.now = kNow + kSet + 13LL * 3600 * 1000;
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }));
    EXPECT_TRUE(clock.requests.empty());
    EXPECT_NE(log.front().find("more than 12 hours"), std::string::npos);
}

TEST_F(TimeClientTest, ClockOutcomesAreReported) {
    servers = {"good.example"};
    const std::pair<SystemClock::Result, const char*> cases[] = {
        {{SystemClock::Outcome::KeptByNtp, ""},
         "Clock not set from good.example: a time synchronisation service (NTP) keeps the "
         "system clock"},
        {{SystemClock::Outcome::Refused, "not allowed"},
         "Clock not set from good.example: not allowed"},
    };
    for (const auto& [result, text] : cases) {
        log.clear();
        clock.answer = result;
        client.StartClockUpdate();
        ASSERT_TRUE(runUntil([&] { return settled(); }));
        EXPECT_EQ(log, std::vector<std::string>{text});
    }
}

TEST_F(TimeClientTest, EmptyListDoesNothingAndNextUpdateStartsAtTheFirst) {
    client.StartClockUpdate();
    EXPECT_EQ(tray.Icon(), TrayImage::IconNotConnected);
    loop.runFor(20'000);
    EXPECT_TRUE(log.empty());
    servers = {"nosuch.example", "good.example"};
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }));
    EXPECT_EQ(client.TimeServerIndex(), 1);
    log.clear();
    client.StartClockUpdate();
    ASSERT_TRUE(runUntil([&] { return settled(); }));
    const auto& asked = resolver.asked();
    EXPECT_EQ(std::count(asked.begin(), asked.end(), "nosuch.example"), 2);
}

}  // namespace
}  // namespace pontavi
