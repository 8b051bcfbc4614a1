#include "ident/ident_responder.h"

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

}  // namespace
}  // namespace pontavi
