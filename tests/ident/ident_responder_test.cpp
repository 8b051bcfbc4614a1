#include "ident/ident_responder.h"

#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "fakes/fake_dialogs.h"
#include "net/net_fixture.h"

namespace pontavi {
namespace {

// The responder as the window runs it, over real loopback connections.
class IdentResponderTest : public NetTest {
  protected:
    IdentResponderTest() {
        First1.setChecked(true);
        CB1.setChecked(true);
        chooser.bind();
        chooser.showFirstIdent();
    }

    int startOnFreePort() {
        responder.ServerSocket1().setAddress("127.0.0.1");
        responder.start();
        return responder.ServerSocket1().LocalPort();
    }

    // Sends `query` and runs the loop until `lines` reply lines have arrived.
    std::string ask(const UniqueFd& peer, const std::string& query, int lines = 1) {
        sendRaw(peer, query);
        std::string got;
        runUntil(
            [&] {
                got += receiveRaw(peer, 0);
                return countLines(got) >= lines;
            },
            5000);
        return got;
    }
    static int countLines(const std::string& s) {
        int n = 0;
        for (std::size_t at = s.find("\r\n"); at != std::string::npos;
             at = s.find("\r\n", at + 2)) {
            ++n;
        }
        return n;
    }

    CheckBox CB1{"CB1", "&Use The First Ident Only"};
    MenuItem First1{"First1", "&Use The First Ident Only"};
    TextBox Edit1{"Edit1"};
    Memo IdentMemo{"IdentMemo"};
    Memo Memo1{"Memo1"};
    std::vector<std::string> identList{"Default"};
    IdentChooser chooser{{CB1, First1, Edit1, IdentMemo}, identList};
    FakeDialogs dialogs;
    IdentResponder responder{layer, chooser, Memo1, dialogs, "0"};
};

TEST_F(IdentResponderTest, AnswersTheQueryAndLogsBothEntries) {
    const int port = startOnFreePort();
    Edit1.setText("guest");
    auto peer = connectRaw(port);
    EXPECT_EQ(ask(peer, "6191, 23\r\n"), "6191, 23 : USERID : UNIX : guest\r\n");
    EXPECT_EQ(Memo1.Lines(),
              (std::vector<std::string>{"Ident Request From : 127.0.0.1",
                                        "Reply: 6191, 23 : USERID : UNIX : guest", ""}));
    // First-ident-only mode: the typed name was used once, then the first ident is back.
    EXPECT_EQ(Edit1.Text(), "Default");
}

TEST_F(IdentResponderTest, EmptyLineAndTwoQueriesInOnePacket) {
    const int port = startOnFreePort();
    auto peer = connectRaw(port);
    EXPECT_EQ(ask(peer, "\r\n"), " : USERID : UNIX : Default\r\n");
    EXPECT_EQ(ask(peer, "1, 2\r\n3, 4\r\n", 2),
              "1, 2 : USERID : UNIX : Default\r\n3, 4 : USERID : UNIX : Default\r\n");
    EXPECT_EQ(Memo1.Lines().size(), 9u);
    EXPECT_EQ(Memo1.Lines()[7], "Reply: 3, 4 : USERID : UNIX : Default");
}

TEST_F(IdentResponderTest, LineEndingInLfAloneGetsNoReplyAndConnectionStays) {
    const int port = startOnFreePort();
    auto peer = connectRaw(port);
    sendRaw(peer, "1, 2\n");
    loop.runFor(100);
    EXPECT_EQ(receiveRaw(peer, 0), "");
    EXPECT_TRUE(Memo1.Lines().empty());
    EXPECT_EQ(responder.ServerSocket1().Connections().Count(), 1u);
}

TEST_F(IdentResponderTest, RotationGivesFirstThirdSecondThird) {
    identList = {"P", "Q", "R"};
    CB1.setChecked(false);
    ASSERT_FALSE(First1.Checked());
    chooser.showFirstIdent();
    const int port = startOnFreePort();
    auto peer = connectRaw(port);
    std::vector<std::string> idents;
    for (int i = 0; i < 5; ++i) {
        const std::string reply = ask(peer, "1, 2\r\n");
        idents.push_back(reply.substr(reply.rfind(' ') + 1, reply.size() - reply.rfind(' ') - 3));
    }
    EXPECT_EQ(idents, (std::vector<std::string>{"P", "R", "Q", "R", "Q"}));
}

TEST_F(IdentResponderTest, PortInUseIsLoggedWithoutABox) {
    TServerSocket other(layer);
    other.setAddress("127.0.0.1");
    other.setPort("0");
    other.Listen<TLineSocket>();
    IdentResponder second(layer, chooser, Memo1, dialogs, std::to_string(other.LocalPort()));
    second.ServerSocket1().setAddress("127.0.0.1");
    second.start();
    EXPECT_EQ(Memo1.Lines(), (std::vector<std::string>{"Ident Server Already Running...",
                                                       "Re-Start the program to re-try"}));
    EXPECT_TRUE(dialogs.messages.empty());
    const TSocketBase* listener = second.ServerSocket1().Listener();
    EXPECT_TRUE(listener == nullptr || !listener->HasSocket());
}

// A port helper in memory: a listening socket on a free loopback port, or
// nothing with EACCES.
class FakePorts final : public PrivilegedPorts {
  public:
    explicit FakePorts(int failure) : failure_(failure) {}
    UniqueFd Listen(int port, int& error) override {
        asked.push_back(port);
        if (failure_ != 0) {
            error = failure_;
            return {};
        }
        UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd.get(), 5) != 0 ||
            ::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            error = errno;
            return {};
        }
        port_ = ntohs(address.sin_port);
        return fd;
    }
    std::string HowToAllow(int port) const override { return "allow " + std::to_string(port); }

    int port() const { return port_; }
    std::vector<int> asked;

  private:
    int failure_;
    int port_ = 0;
};

// Port 113 refused for want of privilege is the normal state of an
// unprivileged program: the helper's socket is taken, or the refusal and how
// to allow the port are logged; never a box. Run in a child that gives up
// root, where the refusal is real.
TEST_F(IdentResponderTest, ARefusedPrivilegedPortIsTakenFromTheHelperOrLogged) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const uid_t nobody = 65534;
        if (::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(nobody, nobody, nobody) != 0 ||
             ::setresuid(nobody, nobody, nobody) != 0)) {
            ::_exit(77);
        }
        {
            FakePorts refusing(EACCES);
            IdentResponder refused(layer, chooser, Memo1, dialogs, "113", &refusing);
            refused.start();
            if (refusing.asked.empty()) {
                ::_exit(77);  // this system lets anyone bind port 113
            }
            EXPECT_EQ(Memo1.Lines(),
                      (std::vector<std::string>{"Error 10013 (Permission denied) Binding Socket",
                                                "allow 113"}));
            EXPECT_TRUE(dialogs.messages.empty());
        }
        Memo1.clear();
        {
            FakePorts taken(EADDRINUSE);  // the helper may, but another server has it
            IdentResponder inUse(layer, chooser, Memo1, dialogs, "113", &taken);
            inUse.start();
            EXPECT_EQ(Memo1.Lines(), (std::vector<std::string>{"Ident Server Already Running...",
                                                               "Re-Start the program to re-try"}));
            EXPECT_TRUE(dialogs.messages.empty());
        }
        Memo1.clear();
        FakePorts helper(0);
        IdentResponder helped(layer, chooser, Memo1, dialogs, "113", &helper);
        helped.start();
        EXPECT_EQ(helper.asked, std::vector<int>{113});
        EXPECT_TRUE(Memo1.Lines().empty());
        EXPECT_TRUE(dialogs.messages.empty());
        auto peer = connectRaw(helper.port());
        EXPECT_EQ(ask(peer, "6191, 23\r\n"), "6191, 23 : USERID : UNIX : Default\r\n");
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) {
        GTEST_SKIP() << "no refusal to be had here";
    }
    EXPECT_EQ(WEXITSTATUS(status), 0) << "see the child's failures above";
}

TEST_F(IdentResponderTest, OtherListenErrorsGoToABox) {
    IdentResponder bad(layer, chooser, Memo1, dialogs, "0");
    bad.ServerSocket1().setAddress("203.0.113.7");  // not an address of this machine
    bad.start();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Error 10049 (Can't assign requested address) Binding Socket");
    EXPECT_TRUE(Memo1.Lines().empty());
}

TEST_F(IdentResponderTest, ReplyThatDoesNotFitIsNotSentButLogged) {
    const int port = startOnFreePort();
    Edit1.setText(std::string(IdentResponder::kBufferSize, 'x'));
    auto peer = connectRaw(port);
    sendRaw(peer, "1, 2\r\n");
    runUntil([&] { return Memo1.Lines().size() == 3; });
    EXPECT_EQ(receiveRaw(peer, 20), "");
    EXPECT_EQ(Memo1.Lines()[1].substr(0, 26), "Reply: 1, 2 : USERID : UNI");
    // The connection is still answered afterwards.
    EXPECT_EQ(ask(peer, "3, 4\r\n"), "3, 4 : USERID : UNIX : Default\r\n");
}

TEST_F(IdentResponderTest, LogKeepsOnlyItsNewestLines) {
    EXPECT_EQ(Memo1.MaxLines(), IdentResponder::kMaxLogLines);
}

TEST_F(IdentResponderTest, AnIdleConnectionIsClosedAfterTheIdleTimeOut) {
    const int port = startOnFreePort();
    auto idle = connectRaw(port);
    auto asking = connectRaw(port);
    ASSERT_TRUE(runUntil([&] { return responder.ServerSocket1().Connections().Count() == 2; }));
    const Millis start = loop.now();
    loop.runFor(IdentResponder::kIdleTimeOutMs / 2);
    // A query answered restarts that connection's clock.
    EXPECT_EQ(ask(asking, "1, 2\r\n"), "1, 2 : USERID : UNIX : Default\r\n");
    ASSERT_TRUE(runUntil([&] { return responder.ServerSocket1().Connections().Count() == 1; },
                         IdentResponder::kIdleTimeOutMs));
    const Millis closedAfter = loop.now() - start;
    EXPECT_GE(closedAfter, IdentResponder::kIdleTimeOutMs);
    EXPECT_LE(closedAfter, IdentResponder::kIdleTimeOutMs + IdentResponder::kIdleSweepMs);
    EXPECT_EQ(receiveRaw(idle, 50), "");  // end of stream
    EXPECT_TRUE(responder.ServerSocket1().Connections()[0]->Connected());
    ASSERT_TRUE(runUntil([&] { return responder.ServerSocket1().Connections().Count() == 0; },
                         IdentResponder::kIdleTimeOutMs));
    EXPECT_GE(loop.now() - start, IdentResponder::kIdleTimeOutMs * 3 / 2);
}

// Sixteen idle connections no longer switch the service off for good.
TEST_F(IdentResponderTest, TheServiceRecoversFromSixteenIdleConnections) {
    const int port = startOnFreePort();
    std::vector<UniqueFd> idle;
    for (int i = 0; i < 16; ++i) {
        idle.push_back(connectRaw(port));
    }
    ASSERT_TRUE(runUntil([&] { return responder.ServerSocket1().Connections().Count() == 16; }));
    {
        auto refused = connectRaw(port);
        EXPECT_EQ(ask(refused, "1, 2\r\n"), "");
    }
    loop.runFor(IdentResponder::kIdleTimeOutMs + IdentResponder::kIdleSweepMs);
    auto later = connectRaw(port);
    EXPECT_EQ(ask(later, "3, 4\r\n"), "3, 4 : USERID : UNIX : Default\r\n");
    // Nothing left to watch: the sweep stops, so an idle program wakes for nothing.
    later.reset();
    ASSERT_TRUE(runUntil([&] { return responder.ServerSocket1().Connections().Count() == 0; }));
    loop.runFor(IdentResponder::kIdleSweepMs);
    EXPECT_FALSE(responder.IdleSweepRunning());
}

TEST_F(IdentResponderTest, SplitCrLfAndBareCrGetExactReplies) {
    const int port = startOnFreePort();
    auto peer = connectRaw(port);
    EXPECT_EQ(ask(peer, "6191, 23\r"), "6191, 23 : USERID : UNIX : Default\r\n");
    EXPECT_EQ(ask(peer, "\n1, 2\r\n"), "1, 2 : USERID : UNIX : Default\r\n");
    // A bare CR is data of the request, but a reply holding it would be two
    // lines to the peer: it is not sent.
    EXPECT_EQ(ask(peer, "ab\rx\r\n5, 6\r\n"), "5, 6 : USERID : UNIX : Default\r\n");
}

}  // namespace
}  // namespace pontavi
