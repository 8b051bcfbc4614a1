#include "net/socket_layer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "net/address_lookup.h"
#include "net/sock_error.h"
#include "net_fixture.h"

namespace pontavi {
namespace {

using SocketLayerTest = NetTest;

TEST_F(SocketLayerTest, StartedWhileAnyComponentLives) {
    EXPECT_FALSE(layer.Started());
    try {
        layer.CheckStarted();
        FAIL();
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Successful WSASTARTUP not yet performed");
    }
    {
        TClientSocket client(layer);
        TServerSocket server(layer);
        EXPECT_TRUE(layer.Started());
    }
    EXPECT_FALSE(layer.Started());
}

TEST_F(SocketLayerTest, DeferredNotificationOfAClosedSocketIsSkipped) {
    TServerSocket server(layer);
    std::vector<TLineSocket*> conns;
    int lines = 0;
    server.OnAccept = [&](TSockCtrl&, TSocketBase* socket) {
        auto* line = dynamic_cast<TLineSocket*>(socket);
        line->OnLine = [&](TLineSocketBase&, const std::string&, bool) { ++lines; };
        conns.push_back(line);
    };
    const int port = listenOnLoopback<TLineSocket>(server);
    UniqueFd a = connectRaw(port), b = connectRaw(port);
    ASSERT_TRUE(runUntil([&] { return conns.size() == 2; }));

    resolver.addHost("slow.example", "10.0.0.1");
    resolver.setDelay("slow.example", 2000);
    Timer during(loop, 1000);
    during.OnTimer = [&] {
        during.setEnabled(false);
        sendRaw(a, "dropped\r\n");
        sendRaw(b, "kept\r\n");
        loop.runFor(0);
    };
    TClientSocket lookups(layer);
    // Close the first connection as soon as the wait is over, before the drain.
    HostToAddress(lookups, "slow.example");
    EXPECT_EQ(layer.DeferredCount(), 2u);
    conns[0]->Close();
    ASSERT_TRUE(runUntil([&] { return layer.DeferredCount() == 0 && lines == 1; }));
    loop.runFor(100);
    EXPECT_EQ(lines, 1);
}

TEST_F(SocketLayerTest, DefaultErrorReportDoesNotThrow) {
    PollLoop otherLoop(PollLoop::ClockKind::Virtual);
    FakeResolver otherResolver(otherLoop);
    SocketLayer plain(otherLoop, otherResolver);
    plain.Guarded([] { throw ESockError("shown on stderr"); });
    plain.Guarded([] { throw 42; });
    plain.OnHandlerError = nullptr;
    plain.Guarded([] { throw ESockError("nowhere to go"); });
    SUCCEED();
}

TEST_F(SocketLayerTest, PeerCloseIsSeenWhileReadingIsPaused) {
    TServerSocket server(layer);
    const int port = listenOnLoopback<TStreamSocket>(server);
    TClientSocket client(layer);
    aimAt(client, port);
    int reads = 0, disconnects = 0;
    client.OnRead = [&](TSockCtrl&, TSocketBase*) { ++reads; };  // takes nothing
    client.OnDisconnect = [&](TSockCtrl&, TSocketBase* socket) {
        ++disconnects;
        socket->Close();
    };
    client.Open<TStreamSocket>();
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 1; }));
    server.Connections()[0]->Send("ignored", 7);
    ASSERT_TRUE(runUntil([&] { return reads == 1; }));
    server.Shutdown();
    ASSERT_TRUE(runUntil([&] { return disconnects == 1; }, 3000));
    EXPECT_EQ(reads, 2);  // the second from Close, offering the unread bytes once more
    EXPECT_FALSE(client.Connection()->HasSocket());
}

}  // namespace
}  // namespace pontavi
