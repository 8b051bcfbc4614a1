#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form1_fixture.h"
#include "mail/mail_form.h"
#include "mail/scripted_pop3.h"

namespace pontavi {
namespace {

// The mail watcher through the main window: mailboxes set up in the Mail
// Settings dialog, then a cycle at connect against scripted servers.
class Form1MailTest : public Form1Test {
  protected:
    Form1MailTest() {
        serverLayer.OnHandlerError = [](const std::string&) {};
    }

    TForm1& createOnPort() {
        form.reset();
        FormServices services{loop,   dialogs, *paths, clipboard, shell, resolver,
                              dialUp, help,    host,   processes, clock, 0};
        services.pop3Port = port;
        form = std::make_unique<TForm1>(services);
        form->FormCreate();
        return *form;
    }

    // The user adds one mailbox per entry in the dialog and presses OK.
    void addMailboxes(TForm1& f, std::vector<MailServerRecord> boxes) {
        dialogs.onModal = [&, boxes](ModalForm& m) {
            auto& mail = dynamic_cast<TMailForm&>(m);
            mail.FormShow();
            for (const auto& box : boxes) {
                dialogs.inputAnswers = {box.Name};
                mail.Button1.click();
                mail.MailServer.userEdit(box.Server);
                mail.UserName.userEdit(box.UserName);
                mail.Password.userEdit(box.Password);
            }
            mail.BitBtn2.click();
            return mail.Result();
        };
        f.MailSettingBtn.click();
    }

    FakeResolver serverResolver{loop};
    SocketLayer serverLayer{loop, serverResolver};
    ScriptedPop3 home{serverLayer, "127.0.0.1", "0"};
    std::string port = std::to_string(home.Port());
};

TEST_F(Form1MailTest, TwoMailboxesFromTheDialogAreCheckedAtConnect) {
    home.mailbox = {Message("ann@x", "Hello", "<1@x>"), Message("bob@x", "Re: Hello", "<2@x>")};
    ScriptedPop3 second(serverLayer, "127.0.0.2", port);
    TForm1& f = createOnPort();
    f.MailCB.setChecked(true);
    ASSERT_TRUE(f.MailSettingBtn.Enabled());
    addMailboxes(f,
                 {{"Home", "127.0.0.1", "joe", "secret"}, {"Second", "127.0.0.2", "joe", "bad"}});
    EXPECT_EQ(dialogs.modalShown, 1);

    dialUp.connectOne();
    ASSERT_TRUE(
        loop.runUntil([&] { return f.MailStatus.PanelText(1) != "Last Check: Never"; }, 120'000));
    EXPECT_EQ(f.StringGrid1.RowCount(), 3);
    EXPECT_EQ(f.StringGrid1.Cell(0, 0), "From:");
    EXPECT_EQ(f.StringGrid1.Cell(0, 1), "ann@x");
    EXPECT_EQ(f.StringGrid1.Cell(1, 2), "Re: Hello");
    EXPECT_EQ(f.StringGrid1.Cell(2, 2), "Home");
    EXPECT_EQ(f.MailStatus.PanelText(0), "2 Messages Waiting");
    EXPECT_TRUE(f.BitBtn2.Enabled());
    EXPECT_TRUE(f.CheckMailNow1.Enabled());
    EXPECT_EQ(second.received, (std::vector<std::string>{"user joe", "pass bad", "quit"}));

    // "Check Mail Now" runs another cycle over the same list.
    f.BitBtn2.click();
    EXPECT_FALSE(f.BitBtn2.Enabled());
    ASSERT_TRUE(loop.runUntil([&] { return f.BitBtn2.Enabled(); }, 120'000));
    EXPECT_EQ(home.connections, 2);
}

TEST_F(Form1MailTest, DialogStepsOffTheTopAndAFirstMailboxWithoutLoginAsksAgain) {
    TForm1& f = createOnPort();
    f.MailCB.setChecked(true);
    std::vector<bool> topMostWhileOpen;
    dialogs.onModal = [&](ModalForm& m) {
        topMostWhileOpen.push_back(f.TopMost1.IsTopMost());
        auto& mail = dynamic_cast<TMailForm&>(m);
        mail.FormShow();
        dialogs.inputAnswers = {std::string("Empty")};
        mail.Button1.click();
        mail.MailServer.userEdit("127.0.0.1");
        mail.MailSpin.setValue(5);
        mail.AutoConnectSpin.setValue(60);
        mail.BitBtn2.click();
        return mail.Result();
    };
    f.OnTop.setChecked(true);
    f.MailSettingBtn.click();
    dialUp.connectOne();
    // The first server has neither user name nor password: a message, and
    // the settings dialog again.
    ASSERT_TRUE(loop.runUntil([&] { return dialogs.modalShown == 2; }, 10'000));
    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{"You should provide me a UserName and Password 0"}));
    EXPECT_EQ(home.connections, 0);
    EXPECT_EQ(topMostWhileOpen, (std::vector<bool>{false, false}));
    EXPECT_TRUE(f.TopMost1.IsTopMost());
}

}  // namespace
}  // namespace pontavi
