#pragma once

// The socket layer's behaviour that depends on the event loop, as one typed
// test suite: instantiated over PollLoop here and over QtEventLoop (the loop
// users run) in tests/ui, with the makers of the event-loop conformance suite.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "fakes/fake_resolver.h"
#include "net/address_lookup.h"
#include "net/client_socket.h"
#include "net/line_socket.h"
#include "net/server_socket.h"
#include "net/sock_error.h"
#include "net/socket_layer.h"
#include "net/stream_socket.h"
#include "platform/timer.h"

namespace pontavi {

template <typename Maker>
class SocketLoopSuite : public ::testing::Test {
  protected:
    SocketLoopSuite()
        : loop_(Maker::make([this](const std::string& message) { loopErrors.push_back(message); })),
          loop(*loop_),
          resolver(loop),
          layer(loop, resolver) {
        layer.OnHandlerError = [this](const std::string& message) {
            handlerErrors.push_back(message);
        };
    }

    // Loop turns until done() or `limit` ms on the loop's clock.
    bool runUntil(const std::function<bool()>& done, Millis limit = 5000) {
        const Millis end = loop.now() + limit;
        const auto guard = loop.addTimer(10, [] {});
        while (!done() && loop.now() < end && !loop.quitting()) {
            loop.processOne();
        }
        loop.removeTimer(guard);
        return done();
    }
    void runFor(Millis duration) {
        runUntil([] { return false; }, duration);
    }

    template <typename T>
    int listenOnLoopback(TServerSocket& server) {
        server.setAddress("127.0.0.1");
        server.setPort("0");
        server.Listen<T>();
        return server.LocalPort();
    }
    static void aimAt(TClientSocket& client, int port) {
        client.setAddress("127.0.0.1");
        client.setPort(std::to_string(port));
    }
    static UniqueFd connectRaw(int port) {
        UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            ADD_FAILURE() << "connect to port " << port << " failed";
        }
        return fd;
    }
    static void sendRaw(const UniqueFd& fd, const std::string& bytes) {
        ASSERT_EQ(::send(fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }

    // A server of line sockets recording every line as "<connection>:<text>".
    struct LineServer {
        explicit LineServer(SocketLoopSuite& suite) : server(suite.layer) {
            server.OnAccept = [this](TSockCtrl&, TSocketBase* socket) {
                auto* line = dynamic_cast<TLineSocket*>(socket);
                const std::size_t index = conns.size();
                conns.push_back(line);
                line->OnLine = [this, index](TLineSocketBase&, const std::string& text, bool) {
                    lines.push_back(std::to_string(index) + ":" + text);
                };
            };
            port = suite.template listenOnLoopback<TLineSocket>(server);
        }
        TServerSocket server;
        int port = 0;
        std::vector<TLineSocket*> conns;
        std::vector<std::string> lines;
    };

    std::unique_ptr<EventLoop> loop_;
    EventLoop& loop;
    FakeResolver resolver;
    SocketLayer layer;
    std::vector<std::string> handlerErrors;
    std::vector<std::string> loopErrors;
};

TYPED_TEST_SUITE_P(SocketLoopSuite);

TYPED_TEST_P(SocketLoopSuite, AClientAndAServerExchangeLines) {
    typename TestFixture::LineServer s(*this);
    s.server.OnAccept = [&](TSockCtrl&, TSocketBase* socket) {
        auto* line = dynamic_cast<TLineSocket*>(socket);
        line->OnLine = [](TLineSocketBase& conn, const std::string& text, bool) {
            conn.SendLine(text + " : USERID : UNIX : guest");
            conn.Flush();
        };
    };
    TClientSocket client(this->layer);
    this->aimAt(client, s.port);
    std::vector<std::string> replies;
    client.OnConnect = [&](TSockCtrl&, TSocketBase* socket) {
        auto* line = dynamic_cast<TLineSocket*>(socket);
        line->OnLine = [&](TLineSocketBase&, const std::string& text, bool) {
            replies.push_back(text);
        };
        line->SendLine("6191, 23");
        line->SendLine("113, 2000");
        line->Flush();
    };
    client.Open<TLineSocket>();
    ASSERT_TRUE(this->runUntil([&] { return replies.size() == 2; }));
    EXPECT_EQ(replies, (std::vector<std::string>{"6191, 23 : USERID : UNIX : guest",
                                                 "113, 2000 : USERID : UNIX : guest"}));
    EXPECT_TRUE(this->handlerErrors.empty());
}

// Socket events arriving during a lookup wait are queued, then delivered in
// order after it; timers keep running inside the wait.
TYPED_TEST_P(SocketLoopSuite, NotificationsDuringALookupWaitAreDeliveredInOrderAfterIt) {
    typename TestFixture::LineServer s(*this);
    UniqueFd a = this->connectRaw(s.port);
    UniqueFd b = this->connectRaw(s.port);
    ASSERT_TRUE(this->runUntil([&] { return s.conns.size() == 2; }));

    this->resolver.addHost("slow.example", "10.0.0.1");
    this->resolver.setDelay("slow.example", 300);
    int ticksDuringWait = 0;
    std::size_t linesDuringWait = 0;
    Timer during(this->loop, 100);
    during.OnTimer = [&] {
        // One turn apart, so the order of arrival is plain.
        if (++ticksDuringWait == 1) {
            this->sendRaw(b, "first\r\n");
        } else if (ticksDuringWait == 2) {
            this->sendRaw(a, "second\r\n");
        }
        linesDuringWait = s.lines.size();
    };
    TClientSocket lookups(this->layer);
    EXPECT_EQ(HostToAddress(lookups, "slow.example"), "10.0.0.1");
    during.setEnabled(false);
    EXPECT_GE(ticksDuringWait, 2);  // timers run inside the wait
    EXPECT_EQ(linesDuringWait, 0u);
    ASSERT_TRUE(this->runUntil([&] { return s.lines.size() == 2; }));
    EXPECT_EQ(s.lines, (std::vector<std::string>{"1:first", "0:second"}));
    EXPECT_EQ(this->layer.DeferredCount(), 0u);
}

// An unbuffered connection whose OnRead takes nothing stops hearing about the
// waiting data (no spinning) until the program takes some.
TYPED_TEST_P(SocketLoopSuite, PausedReadingResumesOnceDataIsTaken) {
    TServerSocket server(this->layer);
    const int port = this->template listenOnLoopback<TStreamSocket>(server);
    int reads = 0;
    bool take = false;
    std::string got;
    server.OnRead = [&](TSockCtrl&, TSocketBase* socket) {
        ++reads;
        if (take) {
            char buffer[64];
            const std::size_t n = socket->Recv(buffer, sizeof buffer);
            got.append(buffer, n);
        }
    };
    UniqueFd peer = this->connectRaw(port);
    ASSERT_TRUE(this->runUntil([&] { return server.Connections().Count() == 1; }));
    this->sendRaw(peer, "abc");
    ASSERT_TRUE(this->runUntil([&] { return reads == 1; }));
    this->runFor(100);
    EXPECT_EQ(reads, 1);

    take = true;
    char buffer[2];
    EXPECT_EQ(server.Connections()[0]->Recv(buffer, 2), 2u);
    this->sendRaw(peer, "de");
    ASSERT_TRUE(this->runUntil([&] { return got == "cde"; }));
}

TYPED_TEST_P(SocketLoopSuite, ALookupThatRunsTooLongTimesOut) {
    this->resolver.addHost("never.example", "10.0.0.2");
    this->resolver.setDelay("never.example", FakeResolver::kNever);
    TClientSocket client(this->layer);
    client.setTimeOut(1);
    int timeOuts = 0;
    client.OnTimeOut = [&](TSockCtrl&, TSocketBase*) { ++timeOuts; };
    client.setAddress("never.example");
    client.setPort("113");
    const Millis start = this->loop.now();
    try {
        client.template Open<TStreamSocket>();
        FAIL();
    } catch (const ESockError& e) {
        EXPECT_STREQ(e.what(), "Error 10060 (Connection timed out) finding address for host");
    }
    EXPECT_EQ(timeOuts, 1);
    EXPECT_LE(this->loop.now() - start, 1500);
}

// A peer that keeps sending gets one buffer's worth per turn; another
// connection is answered meanwhile.
TYPED_TEST_P(SocketLoopSuite, AFloodingPeerDoesNotHoldBackAnotherConnection) {
    typename TestFixture::LineServer s(*this);
    UniqueFd flooder = this->connectRaw(s.port);
    ASSERT_TRUE(this->runUntil([&] { return s.conns.size() == 1; }));
    std::string flood;
    for (int i = 0; flood.size() < 64 * 1024; ++i) {
        flood += "6191, " + std::to_string(i) + "\r\n";
    }
    const auto total = static_cast<std::size_t>(std::count(flood.begin(), flood.end(), '\n'));
    this->sendRaw(flooder, flood);
    UniqueFd other = this->connectRaw(s.port);
    ASSERT_TRUE(this->runUntil([&] { return s.conns.size() == 2; }));
    this->sendRaw(other, "113, 2000\r\n");
    ASSERT_TRUE(this->runUntil(
        [&] { return std::find(s.lines.begin(), s.lines.end(), "1:113, 2000") != s.lines.end(); }));
    EXPECT_LT(s.lines.size(), total / 4);
    ASSERT_TRUE(this->runUntil([&] { return s.lines.size() == total + 1; }, 20'000));
}

TYPED_TEST_P(SocketLoopSuite, PeerCloseRaisesOnDisconnectAndTheConnectionIsFreed) {
    typename TestFixture::LineServer s(*this);
    int disconnects = 0;
    s.server.OnDisconnect = [&](TSockCtrl&, TSocketBase* socket) {
        ++disconnects;
        socket->Close();
    };
    UniqueFd peer = this->connectRaw(s.port);
    ASSERT_TRUE(this->runUntil([&] { return s.conns.size() == 1; }));
    this->sendRaw(peer, "last\r\n");
    peer.reset();
    ASSERT_TRUE(this->runUntil([&] { return s.server.Connections().Count() == 0; }));
    EXPECT_EQ(disconnects, 1);
    EXPECT_EQ(s.lines, (std::vector<std::string>{"0:last"}));
}

REGISTER_TYPED_TEST_SUITE_P(SocketLoopSuite, AClientAndAServerExchangeLines,
                            NotificationsDuringALookupWaitAreDeliveredInOrderAfterIt,
                            PausedReadingResumesOnceDataIsTaken, ALookupThatRunsTooLongTimesOut,
                            AFloodingPeerDoesNotHoldBackAnotherConnection,
                            PeerCloseRaisesOnDisconnectAndTheConnectionIsFreed);

}  // namespace pontavi
