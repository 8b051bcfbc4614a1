#include "net/address_lookup.h"

#include <gtest/gtest.h>
#include <netdb.h>

#include <string>
#include <vector>

#include "net/sock_error.h"
#include "net/system_resolver.h"
#include "net_fixture.h"

namespace pontavi {
namespace {

using AddressLookupTest = NetTest;

std::string messageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ESockError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST_F(AddressLookupTest, HostToAddressGivesTheFirstAddressOrTheLookupError) {
    resolver.addHost("mail.example", "10.0.0.5");
    TServerSocket server(layer);
    EXPECT_EQ(HostToAddress(server, "mail.example"), "10.0.0.5");
    EXPECT_EQ(messageOf([&] { HostToAddress(server, "nowhere.example"); }),
              "Error 11001 (Host not found) finding address for host");
}

TEST_F(AddressLookupTest, WaitsGiveTheValueFoundOrTheLookupError) {
    resolver.addHost("mail.example", "10.0.0.5");
    resolver.addService("pop3", 110);
    TServerSocket server(layer);
    const auto host = WaitHostLookup(server, "mail.example");
    EXPECT_TRUE(host.ok());
    EXPECT_EQ(host.value, ParseDottedAddress("10.0.0.5"));
    EXPECT_EQ(WaitHostLookup(server, "nowhere.example").error, sockcode::kHostNotFound);
    const auto port = WaitServiceLookup(server, "pop3");
    EXPECT_TRUE(port.ok());
    EXPECT_EQ(port.value, 110);
    EXPECT_FALSE(WaitServiceLookup(server, "no-such-service").ok());
}

TEST_F(AddressLookupTest, AddressToHostGivesTheNameOrTheLookupError) {
    resolver.addReverse("10.0.0.5", "mail.example");
    TServerSocket server(layer);
    EXPECT_EQ(AddressToHost(server, "10.0.0.5"), "mail.example");
    EXPECT_EQ(messageOf([&] { AddressToHost(server, "10.0.0.6"); }),
              "Error 11001 (Host not found) finding host for address");
    // Not an address at all: fails without asking.
    const int asked = resolver.requests();
    EXPECT_EQ(messageOf([&] { AddressToHost(server, "3com"); }),
              "Error 11001 (Host not found) finding host for address");
    EXPECT_EQ(resolver.requests(), asked);
}

TEST_F(AddressLookupTest, ReverseLookupOfZeroAddressIsRefusedWithoutAsking) {
    TServerSocket server(layer);
    EXPECT_EQ(messageOf([&] { AddressToHost(server, "0.0.0.0"); }),
              "Can't do reverse lookup on address 0.0.0.0");
    EXPECT_EQ(messageOf([&] { AddressToHost(server, "0"); }),
              "Can't do reverse lookup on address 0.0.0.0");
    EXPECT_EQ(resolver.requests(), 0);
}

TEST_F(AddressLookupTest, TimersRunDuringTheWait) {
    resolver.addHost("slow.example", "10.0.0.7");
    resolver.setDelay("slow.example", 4000);
    TServerSocket server(layer);
    int ticks = 0;
    Timer timer(loop, 1000);
    timer.OnTimer = [&] { ++ticks; };
    EXPECT_EQ(HostToAddress(server, "slow.example"), "10.0.0.7");
    EXPECT_EQ(ticks, 4);
    EXPECT_EQ(loop.now(), 4000);
}

TEST_F(AddressLookupTest, SocketEventsDuringAWaitComeAfterItInOrderOnePerTurn) {
    TServerSocket server(layer);
    std::vector<std::string> events;
    std::vector<TLineSocket*> conns;
    server.OnAccept = [&](TSockCtrl&, TSocketBase* socket) {
        auto* line = dynamic_cast<TLineSocket*>(socket);
        conns.push_back(line);
        line->OnLine = [&](TLineSocketBase&, const std::string& text, bool) {
            EXPECT_EQ(layer.WaitsInProgress(), 0);
            events.push_back(text);
        };
    };
    const int port = listenOnLoopback<TLineSocket>(server);
    UniqueFd a = connectRaw(port), b = connectRaw(port);
    ASSERT_TRUE(runUntil([&] { return conns.size() == 2; }));

    resolver.addHost("slow.example", "10.0.0.7");
    resolver.setDelay("slow.example", 3000);
    Timer sender(loop, 1000);
    sender.OnTimer = [&] {
        sender.setEnabled(false);
        sendRaw(a, "first\r\n");
        sendRaw(b, "second\r\n");
    };
    UniqueFd c = connectRaw(port);  // an accept waits too
    EXPECT_EQ(HostToAddress(server, "slow.example"), "10.0.0.7");
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(conns.size(), 2u);
    loop.processOne();
    EXPECT_EQ(conns.size(), 3u);
    EXPECT_TRUE(events.empty());
    loop.processOne();
    EXPECT_EQ(events, (std::vector<std::string>{"first"}));
    loop.processOne();
    EXPECT_EQ(events, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(layer.DeferredCount(), 0u);
}

TEST_F(AddressLookupTest, WaitEndsWhenTheProgramQuits) {
    resolver.setDelay("hang.example", FakeResolver::kNever);
    TServerSocket server(layer);
    Timer quitter(loop, 500);
    quitter.OnTimer = [&] { loop.quit(); };
    EXPECT_EQ(messageOf([&] { HostToAddress(server, "hang.example"); }),
              "Error 10060 (Connection timed out) finding address for host");
}

TEST_F(AddressLookupTest, PeerAddressIsQuestionMarkWithoutConnection) {
    TClientSocket client(layer);
    EXPECT_EQ(PeerAddress(client.Connection()), "?");
    EXPECT_EQ(PeerAddress(nullptr), "?");
}

TEST(AddressLookupSystem, LocalhostResolvesBothWays) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    TServerSocket server(layer);
    EXPECT_EQ(HostToAddress(server, "localhost"), "127.0.0.1");
    EXPECT_FALSE(AddressToHost(server, "127.0.0.1").empty());
    EXPECT_FALSE(LocalHostName().empty());
}

TEST(AddressLookupSystem, PortTakesServiceNamesFromTheServicesDatabase) {
    PollLoop loop(PollLoop::ClockKind::Virtual);
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    TClientSocket client(layer);
    if (::getservbyname("time", "tcp") == nullptr ||
        ::getservbyport(htons(110), "tcp") == nullptr) {
        GTEST_SKIP() << "the services database lacks time or port 110";
    }
    client.setPort("time");
    EXPECT_EQ(client.PortNumber(), 37);
    EXPECT_EQ(client.ServiceName(), "time");
    client.setPort("110");
    EXPECT_EQ(client.PortNumber(), 110);
    const std::string name = client.ServiceName();
    EXPECT_FALSE(name.empty());
    client.setPort(name);
    EXPECT_EQ(client.PortNumber(), 110);
}

}  // namespace
}  // namespace pontavi
