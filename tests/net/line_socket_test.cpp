#include "net/line_socket.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/sock_error.h"
#include "net_fixture.h"

namespace pontavi {
namespace {

// A server of line sockets and one raw peer connected to it.
class LineSocketTest : public NetTest {
  protected:
    void SetUp() override {
        server.OnAccept = [this](TSockCtrl&, TSocketBase* socket) {
            conn = dynamic_cast<TLineSocket*>(socket);
            conn->OnLine = [this](TLineSocketBase&, const std::string& line, bool complete) {
                events.push_back((complete ? "line:" : "cut:") + line);
                if (onLine) {
                    onLine(line);
                }
            };
        };
        server.OnRead = [this](TSockCtrl&, TSocketBase*) { events.push_back("read"); };
        const int port = listenOnLoopback<TLineSocket>(server);
        peer = connectRaw(port);
        ASSERT_TRUE(runUntil([this] { return conn != nullptr; }));
    }

    TServerSocket server{layer};
    TLineSocket* conn = nullptr;
    UniqueFd peer;
    std::vector<std::string> events;
    std::function<void(const std::string&)> onLine;
};

TEST_F(LineSocketTest, TwoLinesInOnePacketGiveTwoOnLineThenOneOnRead) {
    sendRaw(peer, "6191, 23\r\n113, 2000\r\n");
    ASSERT_TRUE(runUntil([&] { return events.size() == 3; }));
    EXPECT_EQ(events, (std::vector<std::string>{"line:6191, 23", "line:113, 2000", "read"}));
}

TEST_F(LineSocketTest, LineOfBufferSizeMinusOneThenItsLfIsDropped) {
    const std::string text(1023, 'a');
    sendRaw(peer, text + "\r\nb\r\n");
    // The first read takes one buffer's worth; the next one the rest.
    ASSERT_TRUE(runUntil([&] { return events.size() >= 4; }));
    EXPECT_EQ(events, (std::vector<std::string>{"line:" + text, "read", "line:b", "read"}));
}

TEST_F(LineSocketTest, CrLfSplitAcrossTwoPacketsGivesNoStrayLf) {
    sendRaw(peer, "abc\r");
    ASSERT_TRUE(runUntil([&] { return events.size() == 2; }));
    EXPECT_EQ(events[0], "line:abc");
    sendRaw(peer, "\ndef\r\n");
    ASSERT_TRUE(runUntil([&] { return events.size() == 4; }));
    EXPECT_EQ(events[2], "line:def");
}

TEST_F(LineSocketTest, BareCrIsDataAndLaterLinesStillArrive) {
    sendRaw(peer, "ab\rx\r\n");
    sendRaw(peer, "5, 6\r\n");
    ASSERT_TRUE(runUntil(
        [&] { return std::count(events.begin(), events.end(), std::string("line:5, 6")) == 1; }));
    EXPECT_EQ(events[0], "line:ab\rx");
    EXPECT_TRUE(handlerErrors.empty());
}

TEST_F(LineSocketTest, FullBufferWithoutLineGivesItsFirstPartAndPeerCloseStillSeen) {
    int disconnects = 0;
    server.OnDisconnect = [&](TSockCtrl&, TSocketBase* socket) {
        ++disconnects;
        socket->Close();
    };
    sendRaw(peer, "ab\rx" + std::string(2000, 'y') + "\r\nnext\r\n");
    ASSERT_TRUE(runUntil(
        [&] { return std::find(events.begin(), events.end(), "line:next") != events.end(); }));
    EXPECT_EQ(events[0], "cut:ab\rx" + std::string(1020, 'y'));
    EXPECT_TRUE(handlerErrors.empty());
    EXPECT_TRUE(conn->Connected());
    peer.reset();
    ASSERT_TRUE(runUntil([&] { return disconnects == 1; }, 5000));
    ASSERT_TRUE(runUntil([&] { return server.Connections().Count() == 0; }));
}

// Such a connection holds one of the server's places until its close is seen.
TEST_F(LineSocketTest, APeerThatOverfillsTheBufferAndClosesIsSeenOnTheNextTurns) {
    int disconnects = 0;
    server.OnDisconnect = [&](TSockCtrl&, TSocketBase* socket) {
        ++disconnects;
        socket->Close();
    };
    sendRaw(peer, std::string(1500, 'x'));
    peer.reset();
    const Millis start = loop.now();
    ASSERT_TRUE(runUntil([&] { return disconnects == 1; }));
    EXPECT_LT(loop.now() - start, 1000);
    EXPECT_TRUE(handlerErrors.empty());
}

TEST_F(LineSocketTest, SendLineThatDoesNotFitOrHoldsALineBreakReturnsFalseAndSendsNothing) {
    for (const std::string& text :
         std::vector<std::string>{"a\r\ndele 1", "a\rb", "a\nb", std::string("a\0b", 3)}) {
        EXPECT_FALSE(conn->SendLine(text));
    }
    EXPECT_EQ(conn->WriteCount(), 0u);
    conn->setWriteBufferSize(16);
    EXPECT_FALSE(conn->SendLine(std::string(15, 'x')));  // 15 + CR LF > 16
    EXPECT_EQ(conn->WriteCount(), 0u);
    EXPECT_TRUE(conn->SendLine(std::string(14, 'x')));
    EXPECT_FALSE(conn->SendLine("y"));
    conn->Flush();
    EXPECT_EQ(receiveRaw(peer), std::string(14, 'x') + "\r\n");
}

TEST_F(LineSocketTest, SendLineAppendsTheChosenLineEndAndAutoFlushes) {
    conn->setLineEnd(TLineEnd::leLF);
    conn->setLineOptions(lsoAddTerminator | lsoAutoFlush | lsoLineEvents);
    EXPECT_TRUE(conn->SendLine("one"));
    conn->setLineOptions(lsoAutoFlush);
    EXPECT_TRUE(conn->SendLine("two"));
    EXPECT_EQ(receiveRaw(peer), "one\ntwo");
}

TEST_F(LineSocketTest, RecvAndSendRaiseOnABufferedSocket) {
    char c = 'x';
    try {
        conn->Recv(&c, 1);
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(), "Recv or Send cannot be called on a buffered socket.");
    }
    EXPECT_THROW(conn->Send(&c, 1), EBufferedSocketException);
}

TEST_F(LineSocketTest, BufferOperationsAndTheirErrors) {
    conn->setLineOptions(lsoAddTerminator);
    sendRaw(peer, std::string(600, 'z'));
    ASSERT_TRUE(runUntil([&] { return conn->ReadCount() == 600; }));
    try {
        conn->setReadBufferSize(512);
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(), "Cannot change buffer size - data will be lost.");
    }
    EXPECT_EQ(conn->ReadBufferSize(), 1024);
    char block[700];
    EXPECT_FALSE(conn->ReadBlock(block, 700));
    EXPECT_TRUE(conn->ReadBlock(block, 600));
    EXPECT_THROW(conn->ReadBlock(block, 0), EBufferedSocketException);
    try {
        conn->Write(block, 1025);
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(), "Write buffer full, user did not flush");
    }
    EXPECT_EQ(conn->Write(block, 700), 700u);
    EXPECT_EQ(conn->Write(block, 700), 324u);
    try {
        conn->WriteBlock(block, 1);
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(), "Block size is larger than buffer size.");
    }
    EXPECT_EQ(conn->Flush(), 1024u);
    EXPECT_EQ(receiveRaw(peer).size(), 1024u);
}

TEST_F(LineSocketTest, WithoutLineEventsReadLineTakesLinesOneByOne) {
    conn->setLineOptions(lsoAddTerminator);
    std::vector<std::string> taken;
    server.OnRead = [&](TSockCtrl&, TSocketBase* socket) {
        std::string line;
        while (dynamic_cast<TLineSocket*>(socket)->ReadLine(line)) {
            taken.push_back(line);
        }
    };
    sendRaw(peer, "a\r\nb\r\nc");
    ASSERT_TRUE(runUntil([&] { return taken.size() == 2; }));
    EXPECT_EQ(taken, (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(events.empty());
}

TEST_F(LineSocketTest, LinesHeldWhenOnLineClosesAreStillDelivered) {
    onLine = [&](const std::string&) { conn->Close(); };
    sendRaw(peer, "x\r\ny\r\n");
    ASSERT_TRUE(runUntil([&] { return events.size() >= 2; }));
    loop.runFor(100);
    EXPECT_EQ(events, (std::vector<std::string>{"line:x", "line:y", "read"}));
    EXPECT_FALSE(conn == nullptr);
}

TEST_F(LineSocketTest, ManyLinesBeyondOneBufferAreAllDeliveredInOrder) {
    conn->setReadBufferSize(64);
    std::string burst;
    for (int i = 0; i < 500; ++i) {
        burst += "line " + std::to_string(i) + "\r\n";
    }
    sendRaw(peer, burst);
    ASSERT_TRUE(runUntil([&] {
        return std::count(events.begin(), events.end(), std::string("line:line 499")) == 1;
    }));
    std::vector<std::string> lines;
    for (const auto& e : events) {
        if (e.rfind("line:", 0) == 0) {
            lines.push_back(e.substr(5));
        }
    }
    ASSERT_EQ(lines.size(), 500u);
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(lines[i], "line " + std::to_string(i));
    }
    EXPECT_TRUE(handlerErrors.empty());
}

// A connection that never stops sending gets one buffer's worth per loop turn;
// the other connections, timers and posts run in the same turns.
TEST_F(LineSocketTest, AFloodingPeerDoesNotHoldBackAnotherConnection) {
    TLineSocket* flooder = conn;
    std::size_t floodLines = 0;
    flooder->OnLine = [&](TLineSocketBase&, const std::string&, bool) { ++floodLines; };
    std::string flood;
    for (int i = 0; flood.size() < 64 * 1024; ++i) {
        flood += "6191, " + std::to_string(i) + "\r\n";
    }
    const auto total = static_cast<std::size_t>(std::count(flood.begin(), flood.end(), '\n'));
    sendRaw(peer, flood);

    conn = nullptr;
    UniqueFd other = connectRaw(server.LocalPort());
    ASSERT_TRUE(runUntil([this] { return conn != nullptr; }));
    bool posted = false;
    loop.post([&] { posted = true; });
    sendRaw(other, "113, 2000\r\n");
    ASSERT_TRUE(runUntil([&] {
        return std::count(events.begin(), events.end(), std::string("line:113, 2000")) == 1;
    }));
    EXPECT_TRUE(posted);
    EXPECT_LT(floodLines, total / 4);
    ASSERT_TRUE(runUntil([&] { return floodLines == total; }, 60'000));
}

}  // namespace
}  // namespace pontavi
