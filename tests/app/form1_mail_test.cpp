#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "form1_fixture.h"
#include "mail/mail_form.h"
#include "mail/scripted_pop3.h"
#include "mail/velk_encryption.h"

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
        FormServices services{loop, dialogs, *paths,    clipboard, shell, resolver, dialUp,
                              help, host,    processes, clock,     sound, notifier, 0};
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

// The alerts at the end of a cycle, set up through the settings file: one
// mailbox "Home" on the scripted server, a sound, notification and a mail
// program (a shortcut the fake shell reads).
class Form1MailAlertTest : public Form1MailTest {
  protected:
    // A mailbox section of the settings file, password scrambled as stored.
    // Without login, the section holds neither user name nor password.
    static std::string Mailbox(const std::string& name, const std::string& server,
                               bool login = true) {
        VelkEncryption crypt;
        crypt.Key = "quolavin38";  // the window's key
        crypt.Action = atEncryption;
        crypt.Input = "secret";
        crypt.Apply();
        return "[\"" + name + "\"]\n\"Name\"=\"" + name + "\"\n\"Server\"=\"" + server + "\"\n" +
               (login ? "\"UserName\"=\"joe\"\n\"Password\"=\"" + crypt.Output + "\"\n" : "");
    }

    // homeExtra goes into the last mailbox's section (the auto-connect entry).
    TForm1& createWith(const std::string& homeExtra = {}, bool withWork = false) {
        const std::string wav = (Form1Test::home / "new.wav").string();
        const std::string link = (Form1Test::home / "Mail.lnk").string();
        std::ofstream(wav) << "RIFF";
        std::ofstream(link) << "shortcut";
        shell.links[link] = {"/opt/mail/reader", ""};
        writeSettings("[\"Mail\"]\n\"PlayWav\"=\"1\"\n\"WavFile\"=\"" + wav +
                      "\"\n\"Notify\"=\"1\"\n\"AutoRun\"=\"1\"\n\"MailProgram\"=\"" + link +
                      "\"\n[\"MailServers\"]\n\"0\"=\"Home\"\n" +
                      (withWork ? "\"1\"=\"Work\"\n" + Mailbox("Work", "127.0.0.2") : "") +
                      Mailbox("Home", "127.0.0.1") + homeExtra);
        TForm1& f = createOnPort();
        f.MailCB.setChecked(true);
        return f;
    }
    bool cycleDone(TForm1& f) {
        return loop.runUntil(
            [&] { return f.BitBtn2.Enabled() && f.MailStatus.PanelText(1) != "Last Check: Never"; },
            120'000);
    }
    // What the user noticed, in order, recorded from the fakes.
    std::vector<std::string> alerts() const {
        std::vector<std::string> seen;
        for (std::size_t i = 0; i < sound.played.size(); ++i) {
            seen.push_back("sound");
        }
        for (const auto& n : notifier.shown) {
            seen.push_back(n.summary + " | " + n.body);
        }
        for (const auto& p : processes.starts) {
            seen.push_back("run " + p.program);
        }
        return seen;
    }
};

TEST_F(Form1MailAlertTest, TheFirstCycleWithNewMailAlertsAndTheNextDoesNot) {
    // The last message has no Message-ID: it is listed but not new, and the
    // one without a subject is the newest new one.
    home.mailbox = {Message("ann@x", "One", "<1@x>"),
                    {"From: bob@x", "Message-ID: <2@x>"},
                    Message("cy@x", "Three")};
    TForm1& f = createWith();
    f.PageControl1.setActivePage(OptionsPage);
    dialUp.connectOne();
    ASSERT_TRUE(cycleDone(f));
    EXPECT_EQ(alerts(), (std::vector<std::string>{"sound", "2 new messages | From: bob@x",
                                                  "run /opt/mail/reader"}));
    EXPECT_EQ(sound.played, (std::vector<std::string>{(Form1Test::home / "new.wav").string()}));
    EXPECT_EQ(f.PageControl1.ActivePage(), MailPage);
    EXPECT_TRUE(host.visible);
    EXPECT_EQ(f.MailStatus.PanelText(0), "3 Messages Waiting");
    EXPECT_EQ(f.TrayIcon1.ToolTip().rfind("3 Messages Waiting (", 0), 0u);
    EXPECT_EQ(f.TrayIcon1.Icon(), TrayImage::IconConnected);

    // The same three messages again: the same texts, no alert.
    f.PageControl1.setActivePage(OptionsPage);
    f.BitBtn2.click();
    ASSERT_FALSE(f.BitBtn2.Enabled());
    ASSERT_TRUE(cycleDone(f));
    EXPECT_EQ(alerts().size(), 3u);
    EXPECT_EQ(f.PageControl1.ActivePage(), OptionsPage);
    EXPECT_EQ(f.MailStatus.PanelText(0), "3 Messages Waiting");
    EXPECT_EQ(home.connections, 2);
}

TEST_F(Form1MailAlertTest, TheErrorsReportComesBeforeTheAlertsAndIsEmptiedAfter) {
    home.mailbox = {Message("ann@x", "One", "<1@x>")};
    ScriptedPop3 broken(serverLayer, "127.0.0.2", port);
    broken.password = "other";
    TForm1& f = createWith({}, true);
    std::size_t alertsWhileReportOpen = 99;
    dialogs.whileOpen = [&] { alertsWhileReportOpen = alerts().size(); };
    dialUp.connectOne();
    ASSERT_TRUE(cycleDone(f));
    ASSERT_EQ(dialogs.errorReports.size(), 1u);
    EXPECT_EQ(dialogs.errorReports[0].servers, (std::vector<std::string>{"Work"}));
    EXPECT_EQ(alertsWhileReportOpen, 0u);
    EXPECT_EQ(alerts().size(), 3u);

    // The list was emptied: a cycle without errors shows no report.
    broken.password = "secret";
    f.BitBtn2.click();
    ASSERT_TRUE(cycleDone(f));
    EXPECT_EQ(dialogs.errorReports.size(), 1u);
}

TEST_F(Form1MailAlertTest, ADialledCycleSignalsStartsNoProgramAndHangsUpAfterTheTexts) {
    home.mailbox = {Message("ann@x", "One", "<1@x>")};
    dialUp.entries = std::vector<std::string>{"ISP"};
    dialUp.dialsMakeConnections = true;
    TForm1& f = createWith("\"AutoConnect\"=\"ISP\"\n\"AutoConnectTimer\"=\"1\"\n");
    f.PageControl1.setActivePage(OptionsPage);
    f.ConnectNow.click();
    ASSERT_EQ(dialUp.dialled, (std::vector<std::string>{"ISP"}));
    ASSERT_TRUE(dialUp.connections && dialUp.connections->size() == 1);
    const ConnectionHandle dial = (*dialUp.connections)[0].handle;
    dialUp.bringUp(dial);
    ASSERT_TRUE(loop.runUntil([&] { return !dialUp.hangUps.empty(); }, 300'000));
    EXPECT_EQ(dialUp.hangUps, (std::vector<ConnectionHandle>{dial}));
    EXPECT_EQ(sound.played.size(), 1u);
    EXPECT_EQ(f.PageControl1.ActivePage(), MailPage);
    EXPECT_TRUE(processes.starts.empty());
    // The hang-up came after the texts: they were already written.
    EXPECT_EQ(f.MailStatus.PanelText(0), "1 Messages Waiting");
}

// A failing mailbox on a line dialled only for mail: the report is shown
// first, and the same completion goes on to the alerts, the texts and the
// hang-up. The fake returns at once, like the view's modeless window: the
// core never waits for the report to be closed.
TEST_F(Form1MailAlertTest, ADialledCycleWithErrorsHangsUpInTheSameCompletion) {
    home.mailbox = {Message("ann@x", "One", "<1@x>")};
    ScriptedPop3 broken(serverLayer, "127.0.0.2", port);
    broken.password = "other";
    dialUp.entries = std::vector<std::string>{"ISP"};
    dialUp.dialsMakeConnections = true;
    // The dialling entry is kept with the last mailbox.
    writeSettings(
        "[\"Mail\"]\n\"Notify\"=\"1\"\n[\"MailServers\"]\n\"0\"=\"Home\"\n\"1\"=\"Work\"\n" +
        Mailbox("Home", "127.0.0.1") + Mailbox("Work", "127.0.0.2") +
        "\"AutoConnect\"=\"ISP\"\n\"AutoConnectTimer\"=\"1\"\n");
    TForm1& f = createOnPort();
    f.MailCB.setChecked(true);
    f.PageControl1.setActivePage(OptionsPage);
    f.ConnectNow.click();
    ASSERT_TRUE(dialUp.connections && dialUp.connections->size() == 1);
    const ConnectionHandle dial = (*dialUp.connections)[0].handle;
    struct Seen {
        std::size_t hangUps = 99, alerts = 99;
        std::string status;
    };
    Seen atReport, nextTurn;
    dialogs.whileOpen = [&] {
        atReport = {dialUp.hangUps.size(), alerts().size(), f.MailStatus.PanelText(0)};
        // Whatever the completion does, it does before the loop turns again.
        loop.post([&] {
            nextTurn = {dialUp.hangUps.size(), alerts().size(), f.MailStatus.PanelText(0)};
        });
    };
    dialUp.bringUp(dial);
    ASSERT_TRUE(loop.runUntil([&] { return nextTurn.hangUps != 99; }, 300'000));
    ASSERT_EQ(dialogs.errorReports.size(), 1u);
    EXPECT_EQ(dialogs.errorReports[0].servers, (std::vector<std::string>{"Work"}));
    EXPECT_EQ(atReport.hangUps, 0u);
    EXPECT_EQ(atReport.alerts, 0u);
    EXPECT_EQ(atReport.status.rfind("Checking Mail at ", 0), 0u);
    EXPECT_EQ(nextTurn.hangUps, 1u);
    EXPECT_EQ(nextTurn.alerts, 1u);  // the notification
    EXPECT_EQ(nextTurn.status, "1 Messages Waiting");
    EXPECT_EQ(dialUp.hangUps, (std::vector<ConnectionHandle>{dial}));
}

// The whole loop on its own: armed while off line, one interval (55 s) later
// it dials, the link comes up, the cycle checks mail and alerts, the line is
// hung up, the link goes, and the dialler is armed for a full interval again.
TEST_F(Form1MailAlertTest, TheAutoConnectLoopDialsChecksMailHangsUpAndReArms) {
    home.mailbox = {Message("ann@x", "One", "<1@x>"), Message("bob@x", "Two", "<2@x>")};
    dialUp.entries = std::vector<std::string>{"ISP"};
    dialUp.dialsMakeConnections = true;
    TForm1& f = createWith("\"AutoConnect\"=\"ISP\"\n\"AutoConnectTimer\"=\"1\"\n");
    const Millis start = loop.now();
    ASSERT_TRUE(loop.runUntil([&] { return !dialUp.dialled.empty(); }, 120'000));
    const Millis dialledAt = loop.now();
    EXPECT_GE(dialledAt - start, 55'000);
    EXPECT_EQ(f.TrayIcon1.ToolTip(), "Connecting to check mail");
    const ConnectionHandle dial = (*dialUp.connections)[0].handle;
    dialUp.bringUp(dial);
    ASSERT_TRUE(loop.runUntil([&] { return !dialUp.hangUps.empty(); }, 120'000));
    EXPECT_EQ(dialUp.hangUps, (std::vector<ConnectionHandle>{dial}));
    EXPECT_EQ(f.MailStatus.PanelText(0), "2 Messages Waiting");
    EXPECT_EQ(f.TrayIcon1.ToolTip().rfind("2 Messages Waiting (", 0), 0u);
    EXPECT_EQ(f.StringGrid1.Cell(1, 2), "Two");
    EXPECT_EQ(alerts(),
              (std::vector<std::string>{"sound", "2 new messages | From: bob@x\nSubject: Two"}));
    EXPECT_EQ(home.connections, 1);

    // The link goes; the next dial comes one full interval after re-arming.
    const Millis hungUp = loop.now();
    ASSERT_TRUE(loop.runUntil([&] { return dialUp.dialled.size() == 2; }, 120'000));
    EXPECT_GE(loop.now() - hungUp, 55'000);
    EXPECT_EQ(f.TrayIcon1.ToolTip(), "Connecting to check mail");
    EXPECT_EQ(f.MailStatus.PanelText(0), "Not Connected");
    // The loop's virtual length, for the figures (--gtest_output=xml).
    RecordProperty("virtual_ms", std::to_string(loop.now() - start));
    RecordProperty("dial_to_hang_up_virtual_ms", std::to_string(hungUp - dialledAt));
}

// A line dialled only to check mail with no cycle to run is hung up at once:
// no login for the first mailbox (before its box is closed), or checking off.
TEST_F(Form1MailAlertTest, ADialledLineWithNoCycleToRunIsHungUp) {
    dialUp.entries = std::vector<std::string>{"ISP"};
    dialUp.dialsMakeConnections = true;
    for (const bool login : {false, true}) {
        dialUp.hangUps.clear();
        std::size_t atBox = 99;  // no box
        dialogs.whileOpen = [&] { atBox = dialUp.hangUps.size(); };
        writeSettings("[\"MailServers\"]\n\"0\"=\"Home\"\n" + Mailbox("Home", "127.0.0.1", login) +
                      "\"AutoConnect\"=\"ISP\"\n");
        TForm1& f = createOnPort();
        f.MailCB.setChecked(!login);
        f.ConnectNow.click();
        const ConnectionHandle dial = (*dialUp.connections)[0].handle;
        dialUp.bringUp(dial);
        ASSERT_TRUE(loop.runUntil([&] { return !dialUp.hangUps.empty(); }, 10'000)) << login;
        EXPECT_EQ(dialUp.hangUps, (std::vector<ConnectionHandle>{dial}));
        EXPECT_EQ(atBox, login ? 99u : 1u);
        EXPECT_EQ(home.connections, 0);
        loop.runFor(2'000);
    }
    dialogs.whileOpen = nullptr;
}

// A mail program that cannot start after new mail is told under the count in
// the tip, with no box.
TEST_F(Form1MailAlertTest, AMailProgramStartErrorStaysInTheTip) {
    home.mailbox = {Message("ann@x", "One", "<1@x>")};
    TForm1& f = createWith();
    shell.unreadable.insert((Form1Test::home / "Mail.lnk").string());
    dialUp.connectOne();
    ASSERT_TRUE(cycleDone(f));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_NE(f.TrayIcon1.ToolTip().find(")\nMail program: Erreur en lecture."), std::string::npos);
}

// Only the server a cycle starts at is tested for a login; the others are
// visited whatever their fields hold.
TEST_F(Form1MailAlertTest, OnlyTheServerACycleStartsAtIsTestedForALogin) {
    struct Case {
        bool homeLogin, workLogin;
        std::vector<std::string> messages;
        int homeSessions, workSessions, dialogsOpened;
    };
    const Case cases[] = {
        {true, false, {}, 1, 1, 0},
        {false, true, {"You should provide me a UserName and Password 0"}, 0, 0, 1},
        {false, false, {"You should provide me a UserName and Password 0"}, 0, 0, 1},
    };
    ScriptedPop3 work(serverLayer, "127.0.0.2", port);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.homeLogin) + std::to_string(c.workLogin));
        const int homeBefore = home.connections;
        const int workBefore = work.connections;
        dialogs.messages.clear();
        dialogs.modalShown = 0;
        writeSettings("[\"MailServers\"]\n\"0\"=\"Home\"\n\"1\"=\"Work\"\n" +
                      Mailbox("Home", "127.0.0.1", c.homeLogin) +
                      Mailbox("Work", "127.0.0.2", c.workLogin));
        TForm1& f = createOnPort();
        f.MailCB.setChecked(true);
        dialUp.connectOne();
        loop.runFor(120'000);
        EXPECT_EQ(dialogs.messages, c.messages);
        EXPECT_EQ(home.connections - homeBefore, c.homeSessions);
        EXPECT_EQ(work.connections - workBefore, c.workSessions);
        EXPECT_EQ(dialogs.modalShown, c.dialogsOpened);
        dialUp.disconnectAll();
        loop.runFor(2'000);
    }
}

// A cycle is under way while the user presses OK in the mail settings:
// "Check Mail Now" stays off until the completion, so no second cycle can
// reset the running one under its open session.
TEST_F(Form1MailAlertTest, SettingsOkDuringACycleStartsNoSecondOne) {
    home.mailbox = {Message("ann@x", "One", "<1@x>")};
    ScriptedPop3 silent(serverLayer, "127.0.0.2", port);
    silent.greeting.clear();  // the session waits for its dialogue time-out
    TForm1& f = createWith({}, true);
    dialUp.connectOne();
    ASSERT_TRUE(loop.runUntil([&] { return silent.connections == 1; }, 60'000));
    dialogs.onModal = [](ModalForm& m) {
        auto& mail = dynamic_cast<TMailForm&>(m);
        mail.FormShow();
        mail.BitBtn2.click();
        return mail.Result();
    };
    f.MailSettingBtn.click();
    EXPECT_EQ(dialogs.modalShown, 1);
    EXPECT_FALSE(f.BitBtn2.Enabled());
    EXPECT_FALSE(f.CheckMailNow1.Enabled());
    f.BitBtn2.click();
    f.CheckMailNow1.click();
    ASSERT_TRUE(cycleDone(f));
    EXPECT_EQ(home.connections, 1);
    EXPECT_EQ(silent.connections, 1);
    EXPECT_EQ(f.MailStatus.PanelText(0), "1 Messages Waiting");
    ASSERT_EQ(dialogs.errorReports.size(), 1u);
    EXPECT_EQ(dialogs.errorReports[0].servers, (std::vector<std::string>{"Work"}));
    // Then the timer and "Check Mail Now" run cycles again.
    EXPECT_TRUE(f.CheckMailNow1.Enabled());
    f.BitBtn2.click();
    ASSERT_TRUE(loop.runUntil([&] { return home.connections == 2; }, 60'000));
}

// The loader checking "Enable new mail notification" is not the user's
// click: no settings dialog, even with the window shown.
TEST_F(Form1MailAlertTest, TheLoaderCheckingMailOpensNoDialogTheUserDoes) {
    writeSettings("[\"Mail\"]\n\"CheckMail\"=\"1\"\n[\"MailServers\"]\n\"0\"=\"Home\"\n" +
                  Mailbox("Home", "127.0.0.1"));
    TForm1& f = createOnPort();
    ASSERT_TRUE(f.MailCB.Checked());
    EXPECT_EQ(dialogs.modalShown, 0);
    // Read again while the window is shown, after the user had unchecked it.
    host.visible = true;
    f.MailCB.setChecked(false);
    f.IniFileRead();
    EXPECT_TRUE(f.MailCB.Checked());
    EXPECT_TRUE(f.MailSettingBtn.Enabled());
    EXPECT_EQ(dialogs.modalShown, 0);
    // The user's click opens it.
    f.MailCB.setChecked(false);
    f.MailCB.setChecked(true);
    EXPECT_EQ(dialogs.modalShown, 1);
}

TEST_F(Form1MailAlertTest, WithoutServersNeitherTheTimerNorCheckMailNowDoesAnything) {
    writeSettings("[\"Mail\"]\n\"PlayWav\"=\"1\"\n");
    TForm1& f = createOnPort();
    f.MailCB.setChecked(true);
    dialUp.connectOne();
    loop.runFor(2 * 275'000);
    f.BitBtn2.click();
    loop.runFor(10'000);
    EXPECT_EQ(home.connections, 0);
    EXPECT_EQ(f.MailStatus.PanelText(1), "Last Check: Never");
    EXPECT_TRUE(alerts().empty());
    EXPECT_TRUE(dialogs.errorReports.empty());
}

}  // namespace
}  // namespace pontavi
