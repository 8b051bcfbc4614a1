#include "net/server_socket.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "net/address_lookup.h"
#include "net/sock_error.h"
#include "net_fixture.h"

namespace pontavi {
namespace {

using ServerSocketTest = NetTest;

TEST_F(ServerSocketTest, BindingATakenPortGivesTheDocumentedMessage) {
    TServerSocket first(layer);
    const int port = listenOnLoopback<TLineSocket>(first);
    TServerSocket second(layer);
    second.setAddress("127.0.0.1");
    second.setPort(std::to_string(port));
    try {
        second.Listen<TLineSocket>();
        FAIL();
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Error 10048 (Address already in use) Binding Socket");
    }
    EXPECT_FALSE(second.Listener()->HasSocket());
    EXPECT_EQ(first.Listener()->State(), TSocketState::ssListening);
}

TEST_F(ServerSocketTest, AcceptRunsBeforeAnyDataOfTheConnection) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TLineSocket>(server);
    std::vector<std::string> events;
    server.OnAccept = [&](TSockCtrl& sender, TSocketBase* socket) {
        EXPECT_EQ(&sender, &server);
        EXPECT_TRUE(socket->Connected());
        events.push_back("accept " + PeerAddress(socket));
        auto* line = dynamic_cast<TLineSocket*>(socket);
        ASSERT_NE(line, nullptr);
        line->OnLine = [&](TLineSocketBase&, const std::string& text, bool complete) {
            EXPECT_TRUE(complete);
            events.push_back("line " + text);
        };
    };
    UniqueFd peer = connectRaw(port);
    sendRaw(peer, "hello\r\n");  // already waiting when the accept is handled
    ASSERT_TRUE(runUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events, (std::vector<std::string>{"accept 127.0.0.1", "line hello"}));
}

TEST_F(ServerSocketTest, SeventeenthConnectionIsRejectedAndClosed) {
    TServerSocket server(layer);
    server.setQueueLength(32);  // the peers below connect before the loop accepts
    const int port = listenOnLoopback<TStreamSocket>(server);
    int accepts = 0, rejects = 0;
    server.OnAccept = [&](TSockCtrl&, TSocketBase*) { ++accepts; };
    server.OnReject = [&](TSockCtrl&, TSocketBase* socket) {
        ++rejects;
        EXPECT_EQ(server.Connections().Count(), 17u);
        EXPECT_TRUE(socket->Connected());
    };
    std::vector<UniqueFd> peers;
    for (int i = 0; i < 17; ++i) {
        peers.push_back(connectRaw(port));
    }
    ASSERT_TRUE(runUntil([&] { return accepts + rejects == 17; }));
    EXPECT_EQ(accepts, 16);
    EXPECT_EQ(rejects, 1);
    // The 17th peer sees its connection closed.
    EXPECT_EQ(receiveRaw(peers.back()), "");
    char c;
    EXPECT_EQ(::recv(peers.back().get(), &c, 1, MSG_DONTWAIT), 0);
    loop.processOne();
    EXPECT_EQ(server.Connections().Count(), 16u);
}

// Clients that reconnect for every query: a connection whose peer has
// closed, or that the program closed and has not freed yet, holds no place.
TEST_F(ServerSocketTest, ConnectionsOnTheirWayOutDoNotCountAgainstMaxConnections) {
    TServerSocket server(layer);
    server.setQueueLength(32);
    const int port = listenOnLoopback<TStreamSocket>(server);
    int accepts = 0, rejects = 0;
    server.OnAccept = [&](TSockCtrl&, TSocketBase*) { ++accepts; };
    server.OnReject = [&](TSockCtrl&, TSocketBase*) { ++rejects; };
    server.OnDisconnect = [&](TSockCtrl&, TSocketBase* socket) { socket->Close(); };
    std::vector<UniqueFd> peers;
    for (int i = 0; i < 16; ++i) {
        peers.push_back(connectRaw(port));
    }
    ASSERT_TRUE(runUntil([&] { return accepts == 16; }));
    server.Connections()[1]->Close();  // freed one turn later
    peers[0].reset();                  // its close not read yet
    peers.push_back(connectRaw(port));
    peers.push_back(connectRaw(port));
    ASSERT_TRUE(runUntil([&] { return accepts == 18; }));
    EXPECT_EQ(rejects, 0);
    peers.push_back(connectRaw(port));
    ASSERT_TRUE(runUntil([&] { return rejects == 1; }));
    EXPECT_EQ(accepts, 18);
}

TEST_F(ServerSocketTest, PeerCloseRaisesOnDisconnectAndClosedConnectionsAreFreedLater) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TLineSocket>(server);
    int disconnects = 0;
    server.OnDisconnect = [&](TSockCtrl&, TSocketBase* socket) {
        ++disconnects;
        socket->Close();
        // Freed one turn later, never inside its own handler.
        EXPECT_EQ(server.Connections().Count(), 1u);
    };
    UniqueFd peer = connectRaw(port);
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 1; }));
    peer.reset();
    ASSERT_TRUE(runUntil([&] { return disconnects == 1; }));
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 0; }));
    loop.runFor(2000);
    EXPECT_EQ(disconnects, 1);
}

TEST_F(ServerSocketTest, ClosedConnectionRaisesNoOnDisconnectWhenThePeerLeaves) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TLineSocket>(server);
    int disconnects = 0;
    server.OnDisconnect = [&](TSockCtrl&, TSocketBase*) { ++disconnects; };
    server.OnAccept = [](TSockCtrl&, TSocketBase* socket) { socket->Close(); };
    UniqueFd peer = connectRaw(port);
    loop.runFor(1000);
    EXPECT_EQ(receiveRaw(peer), "");  // closed by the server
    peer.reset();
    loop.runFor(2000);
    EXPECT_EQ(disconnects, 0);
    EXPECT_EQ(server.Connections().Count(), 0u);
}

TEST_F(ServerSocketTest, ShutdownClosesEverything) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TLineSocket>(server);
    UniqueFd a = connectRaw(port), b = connectRaw(port);
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 2; }));
    server.Shutdown();
    EXPECT_EQ(server.Connections().Count(), 0u);
    EXPECT_FALSE(server.Listener()->HasSocket());
    char c;
    EXPECT_EQ(::recv(a.get(), &c, 1, 0), 0);
    EXPECT_EQ(::recv(b.get(), &c, 1, 0), 0);
    // The port is free again.
    TServerSocket again(layer);
    again.setAddress("127.0.0.1");
    again.setPort(std::to_string(port));
    EXPECT_NO_THROW(again.Listen<TLineSocket>());
}

TEST_F(ServerSocketTest, EachNotificationReachesItsOwnConnection) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TLineSocket>(server);
    std::vector<std::string> lines;
    server.OnAccept = [&](TSockCtrl&, TSocketBase* socket) {
        dynamic_cast<TLineSocket*>(socket)->OnLine = [&](TLineSocketBase& s, const std::string& l,
                                                         bool) {
            lines.push_back(l);
            s.SendLine("re " + l);
            s.Flush();
        };
    };
    UniqueFd a = connectRaw(port), b = connectRaw(port);
    sendRaw(a, "from a\r\n");
    sendRaw(b, "from b\r\n");
    ASSERT_TRUE(runUntil([&] { return lines.size() == 2; }));
    EXPECT_EQ(receiveRaw(a), "re from a\r\n");
    EXPECT_EQ(receiveRaw(b), "re from b\r\n");
}

TEST_F(ServerSocketTest, WritableAgainAfterASendThatWouldBlock) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    TSocketBase* conn = nullptr;
    server.OnAccept = [&](TSockCtrl&, TSocketBase* socket) { conn = socket; };
    int writes = 0;
    server.OnWrite = [&](TSockCtrl&, TSocketBase*) { ++writes; };
    UniqueFd peer = connectRaw(port);
    ASSERT_TRUE(runUntil([&] { return conn != nullptr; }));
    const std::string block(65536, 'z');
    std::size_t sent = 0;
    for (int i = 0; i < 1000; ++i) {
        const std::size_t n = conn->Send(block.data(), block.size());
        if (n < block.size()) {
            sent += n;
            break;
        }
        sent += n;
    }
    loop.runFor(100);
    EXPECT_EQ(writes, 0);  // nothing read yet: still full
    std::size_t drained = 0;
    char buffer[65536];
    while (drained < sent) {
        const ssize_t n = ::recv(peer.get(), buffer, sizeof buffer, 0);
        ASSERT_GT(n, 0);
        drained += static_cast<std::size_t>(n);
    }
    ASSERT_TRUE(runUntil([&] { return writes == 1; }));
    loop.runFor(100);
    EXPECT_EQ(writes, 1);
}

}  // namespace
}  // namespace pontavi
