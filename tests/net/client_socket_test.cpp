#include "net/client_socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/address_lookup.h"
#include "net/sock_error.h"
#include "net_fixture.h"

namespace pontavi {
namespace {

using ClientSocketTest = NetTest;

// A port on loopback that nothing listens on.
int closedPort() {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd.get(), reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);  // closed again when fd goes
}

TEST_F(ClientSocketTest, ConnectsAndReportsOnConnect) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    TClientSocket client(layer);
    aimAt(client, port);
    int connects = 0;
    client.OnConnect = [&](TSockCtrl& sender, TSocketBase* socket) {
        EXPECT_EQ(&sender, &client);
        EXPECT_EQ(socket, client.Connection());
        EXPECT_TRUE(socket->Connected());
        EXPECT_EQ(socket->LastError(), 0);
        ++connects;
    };
    client.Open<TStreamSocket>();
    EXPECT_FALSE(client.Connection()->Connected());  // the outcome comes later
    ASSERT_TRUE(runUntil([&] { return connects == 1; }));
    EXPECT_EQ(client.Connection()->State(), TSocketState::ssConnected);
    EXPECT_EQ(PeerAddress(client.Connection()), "127.0.0.1");
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 1; }));
}

// A new connection is writable at once: OnWrite follows OnConnect (and
// OnAccept), once, as a later notification.
TEST_F(ClientSocketTest, OnWriteFollowsASuccessfulConnectAndAccept) {
    TServerSocket server(layer);
    std::vector<std::string> events;
    server.OnAccept = [&](TSockCtrl&, TSocketBase*) { events.push_back("accept"); };
    server.OnWrite = [&](TSockCtrl&, TSocketBase*) { events.push_back("server write"); };
    const int port = listenOnLoopback<TLineSocket>(server);
    TClientSocket client(layer);
    aimAt(client, port);
    client.OnConnect = [&](TSockCtrl&, TSocketBase*) { events.push_back("connect"); };
    client.OnWrite = [&](TSockCtrl&, TSocketBase*) { events.push_back("client write"); };
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return events.size() == 4; }));
    loop.runFor(100);
    ASSERT_EQ(events.size(), 4u);
    const auto at = [&](const char* e) { return std::find(events.begin(), events.end(), e); };
    EXPECT_LT(at("connect"), at("client write"));
    EXPECT_LT(at("accept"), at("server write"));

    // Without a handler nothing is asked for.
    TClientSocket quiet(layer);
    aimAt(quiet, port);
    bool connected = false;
    quiet.OnConnect = [&](TSockCtrl&, TSocketBase*) { connected = true; };
    quiet.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return connected; }));
    loop.runFor(100);
    EXPECT_EQ(std::count(events.begin(), events.end(), "client write"), 1);
    EXPECT_EQ(std::count(events.begin(), events.end(), "server write"), 2);
}

TEST_F(ClientSocketTest, RefusedConnectRaisesOnConnectWithoutOnDisconnect) {
    TClientSocket client(layer);
    aimAt(client, closedPort());
    int connects = 0, disconnects = 0;
    client.OnConnect = [&](TSockCtrl&, TSocketBase* socket) {
        ++connects;
        EXPECT_FALSE(socket->Connected());
        EXPECT_EQ(socket->LastError(), 10061);
    };
    client.OnDisconnect = [&](TSockCtrl&, TSocketBase*) { ++disconnects; };
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return connects == 1; }));
    loop.runFor(3000);
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(disconnects, 0);
    EXPECT_EQ(client.Connection()->LastError(), 10061);
}

TEST_F(ClientSocketTest, OpenWhileConnectedAndCloseWhileNotConnectedRaise) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    TClientSocket client(layer);
    aimAt(client, port);
    try {
        client.Close();
        FAIL();
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Socket not open");
    }
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return client.Connection()->Connected(); }));
    try {
        client.Open<TStreamSocket>();
        FAIL();
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Socket Already opened");
    }
}

TEST_F(ClientSocketTest, OpenReportsUnknownHostsAndMissingAddresses) {
    TClientSocket client(layer);
    client.setPort("1");
    client.setAddress("no.such.host");
    try {
        client.Open<TStreamSocket>();
        FAIL();
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Error 11001 (Host not found) finding address for host");
    }
    EXPECT_FALSE(client.Connection()->HasSocket());
    client.setAddress("");
    try {
        client.Open<TStreamSocket>();
        FAIL();
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "No address specified");
    }
}

TEST_F(ClientSocketTest, AddressKeepsDottedAddressesApartFromHostNames) {
    TClientSocket client(layer);
    EXPECT_EQ(client.Address(), "0.0.0.0");
    client.setAddress("10.1.2.3");
    EXPECT_EQ(client.DottedAddress(), "10.1.2.3");
    EXPECT_EQ(client.HostName(), "");
    client.setAddress("3com.example");
    EXPECT_EQ(client.HostName(), "3com.example");
    EXPECT_EQ(client.DottedAddress(), "");
    client.setAddress(std::string(300, 'h'));
    EXPECT_EQ(client.Address().size(), 255u);
}

TEST_F(ClientSocketTest, PortStoresNumberAndServiceName) {
    resolver.addService("pop3", 110);
    TClientSocket client(layer);
    client.setPort("110");
    EXPECT_EQ(client.PortNumber(), 110);
    EXPECT_EQ(client.ServiceName(), "pop3");
    client.setPort("pop3");
    EXPECT_EQ(client.PortNumber(), 110);
    client.setPort("nosuchservice");
    EXPECT_EQ(client.PortNumber(), 0);
    client.setProtocol("UDP");
    EXPECT_EQ(client.ProtocolNumber(), 17);
    EXPECT_EQ(client.Protocol(), "udp");
    client.setProtocol("6");
    EXPECT_EQ(client.Protocol(), "tcp");
    // Stored as the table's own name, so the service lookup matches.
    client.setProtocol("TCP");
    EXPECT_EQ(client.Protocol(), "tcp");
    client.setPort("pop3");
    EXPECT_EQ(client.PortNumber(), 110);
    client.setProtocol("Custom");
    EXPECT_EQ(client.Protocol(), "Custom");
    EXPECT_EQ(client.ProtocolNumber(), 0);
    client.setTimeOut(-5);
    EXPECT_EQ(client.TimeOut(), 0);
}

TEST_F(ClientSocketTest, ServiceNameIsLookedUpAgainAtOpen) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    resolver.addService("test-svc", port);
    TClientSocket client(layer);
    client.setAddress("127.0.0.1");
    client.setPort(std::to_string(port));  // a number that has a name
    const int before = resolver.requests();
    client.Open<TStreamSocket>();
    EXPECT_EQ(resolver.requests(), before + 1);
    ASSERT_TRUE(runUntil([&] { return client.Connection()->Connected(); }));
}

TEST_F(ClientSocketTest, LocalCloseRaisesNoOnDisconnectButPeerCloseDoes) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    TClientSocket client(layer);
    aimAt(client, port);
    int disconnects = 0;
    client.OnDisconnect = [&](TSockCtrl&, TSocketBase* socket) {
        ++disconnects;
        socket->Close();
    };
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 1; }));
    client.Close();
    loop.runFor(2000);
    EXPECT_EQ(disconnects, 0);

    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return client.Connection()->Connected(); }));
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() >= 1; }));
    server.Shutdown();
    ASSERT_TRUE(runUntil([&] { return disconnects == 1; }));
    EXPECT_FALSE(client.Connection()->HasSocket());
}

TEST_F(ClientSocketTest, UnbufferedReadWaitsForRecvWithoutSpinning) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    server.OnAccept = [](TSockCtrl&, TSocketBase* socket) { socket->Send("abcdef", 6); };
    TClientSocket client(layer);
    aimAt(client, port);
    int reads = 0;
    client.OnRead = [&](TSockCtrl&, TSocketBase*) { ++reads; };  // takes nothing
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return reads == 1; }));
    for (int i = 0; i < 50; ++i) {
        loop.processOne();
    }
    EXPECT_EQ(reads, 1);

    std::string got;
    client.OnRead = [&](TSockCtrl&, TSocketBase* socket) {
        ++reads;
        char buffer[4];
        got.append(buffer, socket->Recv(buffer, 4));
    };
    char first[2];
    ASSERT_EQ(client.Connection()->Recv(first, 2), 2u);  // re-arms reading
    ASSERT_TRUE(runUntil([&] { return got.size() == 4; }));
    EXPECT_EQ(got, "cdef");
}

TEST_F(ClientSocketTest, CloseDeliversUnreadDataAndEndsWhenNothingIsTaken) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    TClientSocket client(layer);
    aimAt(client, port);
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 1; }));
    ASSERT_TRUE(runUntil([&] { return client.Connection()->Connected(); }));

    std::string got;
    client.OnRead = [&](TSockCtrl&, TSocketBase* socket) {
        EXPECT_EQ(socket->State(), TSocketState::ssClosing);
        char buffer[3];
        got.append(buffer, socket->Recv(buffer, 3));
    };
    server.Connections()[0]->Send("12345678", 8);
    client.Close();
    EXPECT_EQ(got, "12345678");
    EXPECT_EQ(client.Connection()->State(), TSocketState::ssClosed);

    // A handler that takes nothing cannot keep Close going.
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 2; }));
    ASSERT_TRUE(runUntil([&] { return client.Connection()->Connected(); }));
    int passes = 0;
    client.OnRead = [&](TSockCtrl&, TSocketBase*) { ++passes; };
    server.Connections()[1]->Send("xyz", 3);
    client.Close();
    EXPECT_EQ(passes, 1);
    EXPECT_FALSE(client.Connection()->HasSocket());
}

TEST_F(ClientSocketTest, HandlerErrorsGoToTheReportAndTheLoopGoesOn) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    TClientSocket client(layer);
    aimAt(client, port);
    client.OnConnect = [](TSockCtrl&, TSocketBase*) { throw ESockError("boom"); };
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return !handlerErrors.empty(); }));
    EXPECT_EQ(handlerErrors, (std::vector<std::string>{"boom"}));
    EXPECT_TRUE(client.Connection()->Connected());
}

TEST_F(ClientSocketTest, SendWhenNotConnectedSendsNothing) {
    TClientSocket client(layer);
    EXPECT_EQ(client.Connection()->Send("x", 1), 0u);
    char c;
    EXPECT_THROW(client.Connection()->Recv(&c, 1), ESockError);
}

}  // namespace
}  // namespace pontavi
