#include "app/form1.h"

#include <algorithm>
#include <iterator>

#include "app/form1_fixture.h"
#include "net/address_lookup.h"

namespace pontavi {
namespace {

using Lines = std::vector<std::string>;

TEST_F(Form1Test, FirstStartOnEmptyStoreGivesEveryDefault) {
    TForm1& f = create();
    EXPECT_FALSE(host.visible);
    EXPECT_TRUE(f.TrayIcon1.Active());
    EXPECT_EQ(f.TrayIcon1.ToolTip(), "Pontavi! - Not Connected");
    EXPECT_EQ(f.TrayIcon1.Icon(), TrayImage::IconNotConnected);
    EXPECT_EQ(f.MailStatus.PanelText(0), "Not Connected");
    EXPECT_FALSE(f.OnTop.Checked());
    EXPECT_TRUE(f.First1.Checked());
    EXPECT_TRUE(f.CB1.Checked());
    EXPECT_EQ(f.SpinEdit1.Value(), 5);
    EXPECT_FALSE(f.UpdateClockCB.Checked());
    EXPECT_FALSE(f.CopyIPCB.Checked());
    EXPECT_TRUE(f.AutoCopyCB.Checked());
    EXPECT_FALSE(f.DisplayAtStartupCB.Checked());
    EXPECT_EQ(f.StartSectionCombo.ItemIndex(), 0);
    EXPECT_FALSE(f.MailCB.Checked());
    EXPECT_FALSE(f.MailSettingBtn.Enabled());
    EXPECT_FALSE(f.BitBtn2.Enabled());
    EXPECT_FALSE(f.CheckMailNow1.Enabled());
    EXPECT_EQ(f.TotalTimePanel.Caption(), "00:00:00");
    EXPECT_EQ(f.SessionTimePanel.Caption(), "00:00:00");
    EXPECT_EQ(f.ResetDateLabel.Caption(), "Last Reset : Never");
    EXPECT_EQ(f.Edit1.Text(), "Default");
    EXPECT_EQ(f.StringGrid1.Cell(0, 0), "From:");
    EXPECT_EQ(f.StringGrid1.Cell(2, 0), "MailBox:");
    EXPECT_TRUE(dialogs.messages.empty());

    f.TrayIcon1.click();
    EXPECT_TRUE(host.visible);
    EXPECT_EQ(host.left, 200);
    EXPECT_EQ(host.top, 100);
    EXPECT_EQ(f.PageControl1.ActivePage(), RequestsPage);
    EXPECT_EQ(f.IdentMemo.Lines(), Lines{"Default"});
}

TEST_F(Form1Test, DefaultTimerIntervalsAreWrittenAndReadBack) {
    create();
    exitProgram();
    const std::string text = settingsText();
    EXPECT_NE(text.find("\"MailTimer\"=\"5\""), std::string::npos);
    EXPECT_NE(text.find("\"AutoConnect\"=\"No Auto-Connect\""), std::string::npos);
    EXPECT_NE(text.find("\"AutoConnectTimer\"=\"60\""), std::string::npos);
    EXPECT_NE(text.find("\"0\"=\"Default\""), std::string::npos);
}

TEST_F(Form1Test, TrayClickTwiceShowsAndHidesAtTheRememberedPlace) {
    TForm1& f = create();
    f.TrayIcon1.click();
    host.left = 321;  // the user moves the window
    host.top = 45;
    f.TrayIcon1.click();
    EXPECT_FALSE(host.visible);
    host.left = host.top = 0;
    f.TrayIcon1.click();
    EXPECT_TRUE(host.visible);
    EXPECT_EQ(host.left, 321);
    EXPECT_EQ(host.top, 45);
}

// A later start shows a hidden window and never hides a shown one.
TEST_F(Form1Test, ShowRequestShowsOrRaisesTheWindow) {
    TForm1& f = create();
    f.ShowRequested();
    EXPECT_TRUE(host.visible);
    EXPECT_EQ(host.left, 200);
    const int raised = host.broughtToFront;
    f.ShowRequested();
    EXPECT_TRUE(host.visible);
    EXPECT_EQ(host.broughtToFront, raised + 1);
}

TEST_F(Form1Test, CloseBoxHidesAndSavesAndTheProgramGoesOn) {
    TForm1& f = create();
    f.TrayIcon1.click();
    f.CopyIPCB.setChecked(true);
    f.FormClose();
    EXPECT_FALSE(host.visible);
    EXPECT_FALSE(loop.quitting());
    EXPECT_NE(settingsText().find("\"CopyIP\"=\"1\""), std::string::npos);
}

TEST_F(Form1Test, SavingTwiceLeavesTheFileUnchanged) {
    TForm1& f = create();
    f.IniFileWrite();
    const std::string first = settingsText();
    f.IniFileWrite();
    EXPECT_EQ(settingsText(), first);
}

TEST_F(Form1Test, EveryOptionSurvivesARestart) {
    TForm1& f = create();
    f.TrayIcon1.click();
    f.OnTop.setChecked(true);
    f.CopyIPCB.setChecked(true);
    f.AutoCopyCB.setChecked(false);
    f.DisplayAtStartupCB.setChecked(true);
    f.StartSectionCombo.setItemIndex(URLPage);
    f.SpinEdit1.setValue(42);
    f.IdentMemo.userEdit("alpha\r\nbeta");
    host.left = 10;
    host.top = 20;
    exitProgram();
    EXPECT_TRUE(dialogs.messages.empty());

    TForm1& g = create();
    EXPECT_TRUE(g.OnTop.Checked());
    EXPECT_TRUE(g.TopMost1.IsTopMost());
    EXPECT_TRUE(g.CopyIPCB.Checked());
    EXPECT_FALSE(g.AutoCopyCB.Checked());
    EXPECT_EQ(g.SpinEdit1.Value(), 42);
    EXPECT_EQ(g.Edit1.Text(), "alpha");
    // Display at start-up: shown at once, where it was, on the chosen page.
    EXPECT_TRUE(host.visible);
    EXPECT_EQ(host.left, 10);
    EXPECT_EQ(host.top, 20);
    EXPECT_EQ(g.PageControl1.ActivePage(), URLPage);
}

TEST_F(Form1Test, StartupSectionOutOfRangeKeepsThePage) {
    writeSettings("[\"Options\"]\n\"Startup Section\"=\"9\"\n");
    TForm1& f = create();
    EXPECT_EQ(f.StartSectionCombo.ItemIndex(), -1);
    f.TrayIcon1.click();
    EXPECT_EQ(f.PageControl1.ActivePage(), TimePage);  // the page last active at first
    f.PageControl1.setActivePage(DNSPage);
    f.TrayIcon1.click();
    f.TrayIcon1.click();
    EXPECT_EQ(f.PageControl1.ActivePage(), DNSPage);
}

TEST_F(Form1Test, EscHidesAndF1OpensTheActivePagesTopic) {
    TForm1& f = create();
    f.TrayIcon1.click();
    EXPECT_TRUE(f.FormKeyUp(27));
    EXPECT_FALSE(host.visible);
    f.TrayIcon1.click();
    f.PageControl1.setActivePage(DNSPage);
    EXPECT_TRUE(f.FormKeyUp(112));
    EXPECT_FALSE(host.visible);
    EXPECT_EQ(help.opened, Lines{"DNSPage"});
    EXPECT_FALSE(f.FormKeyUp('A'));
}

TEST_F(Form1Test, DnsPageTakesTheFocusAndRequestsPageResetsEdit1) {
    TForm1& f = create();
    const int before = f.DNSEdit.FocusRequests();
    f.PageControl1.userSelect(DNSPage);
    EXPECT_GT(f.DNSEdit.FocusRequests(), before);
    f.Edit1.userEdit("typed");
    f.PageControl1.userSelect(RequestsPage);
    EXPECT_EQ(f.Edit1.Text(), "Default");
}

// Showing the window on the Requests page is no page change by the user: the
// next ident stays where rotation left it.
TEST_F(Form1Test, RotationSurvivesShowingTheWindowOnTheRequestsPage) {
    writeSettings(
        "[\"Options\"]\n\"UseFirst\"=\"0\"\n[\"Idents\"]\n\"0\"=\"P\"\n\"1\"=\"Q\"\n"
        "\"2\"=\"R\"\n");
    TForm1& f = create();
    f.PageControl1.userSelect(DNSPage);
    f.Edit1.setText("R");  // where a reply left rotation
    f.TrayIcon1.click();
    EXPECT_EQ(f.PageControl1.ActivePage(), RequestsPage);
    EXPECT_EQ(f.Edit1.Text(), "R");
    f.TrayIcon1.click();
    f.TrayIcon1.click();
    EXPECT_EQ(f.Edit1.Text(), "R");
}

TEST_F(Form1Test, LegacySettingsFileIsAnnouncedOnceAndDeleted) {
    const auto legacy = std::filesystem::path(paths->ProgramFolder()) / "Pontavi.iNi";
    std::ofstream(legacy) << "[old]\n";
    create();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].substr(0, 38), "You are upgrading from a previous beta");
    EXPECT_FALSE(std::filesystem::exists(legacy));
    create();
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

// A value of another type (a hand edit) takes its default; the rest of the
// file is read, and a save keeps every list.
TEST_F(Form1Test, AnUnreadableValueIsReportedOnceAndTheListsSurviveASave) {
    writeSettings(
        "[\"Options\"]\n\"AlwaysOnTop\"=dword:00000001\n\"UseFirst\"=1\n"
        "[\"Idents\"]\n\"0\"=\"me\"\n[\"NetTime\"]\n\"0\"=\"time.example\"\n"
        "[\"Auto-Launch\"]\n\"0\"=\"T?/bin/true??1\"\n");
    TForm1& f = create();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0],
              "Invalid data type for 'AlwaysOnTop'\nInvalid data type for 'UseFirst'");
    EXPECT_FALSE(f.OnTop.Checked());
    EXPECT_TRUE(f.First1.Checked());
    EXPECT_EQ(f.Edit1.Text(), "me");
    EXPECT_TRUE(f.TrayIcon1.Active());
    dialUp.connectOne();
    loop.runFor(1000);
    EXPECT_EQ(f.TrayIcon1.ToolTip(), "Pontavi! - Connected");
    exitProgram();
    const std::string text = settingsText();
    for (const char* kept : {"\"0\"=\"me\"", "\"0\"=\"time.example\"", "\"0\"=\"T?/bin/true??1\"",
                             "\"UseFirst\"=\"1\""}) {
        EXPECT_NE(text.find(kept), std::string::npos) << kept;
    }
}

// A settings file that cannot be read is never replaced by the defaults.
TEST_F(Form1Test, AnUnreadableSettingsFileIsNeverOverwritten) {
    std::filesystem::create_directories(paths->SettingsFile());  // a folder: unreadable
    TForm1& f = create();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(f.Edit1.Text(), "Default");
    f.FormClose();
    exitProgram();
    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_TRUE(std::filesystem::is_directory(paths->SettingsFile()));
    EXPECT_TRUE(std::filesystem::exists(home / "URL.lst"));  // the list file is its own
}

// A signal or session end while a start-up box is open, before the settings
// were read: nothing is written, the files stay as they were.
TEST_F(Form1Test, SessionEndBeforeTheSettingsWereReadWritesNothing) {
    const std::string settings = "[\"Idents\"]\n\"0\"=\"mine\"\n";
    writeSettings(settings);
    std::ofstream(home / "URL.lst", std::ios::binary) << "http://kept.example/\r\n";
    std::ofstream(home / "Pontavi.iNi") << "[old]\n";
    bool ended = false;
    dialogs.whileOpen = [&] {
        if (!ended) {
            ended = true;
            form->SessionEnd();
        }
    };
    create();
    EXPECT_TRUE(ended);
    EXPECT_EQ(settingsText(), settings);
    std::ifstream urls(home / "URL.lst", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(urls), {}), "http://kept.example/\r\n");
}

TEST_F(Form1Test, SessionSaveSavesAndTheProgramStaysReachable) {
    TForm1& f = create();
    f.TrayIcon1.click();
    f.IdentMemo.userEdit("a\r\nb");
    f.SessionSave();
    EXPECT_NE(settingsText().find("\"1\"=\"b\""), std::string::npos);
    EXPECT_TRUE(f.TrayIcon1.Active());
    EXPECT_TRUE(host.visible);
    EXPECT_FALSE(loop.quitting());
    // A failing save is logged, never a box that would hold up the logout.
    std::filesystem::remove_all(home / "URL.lst");
    std::filesystem::create_directory(home / "URL.lst");
    f.SessionSave();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(f.Memo1.Lines().back(), "Cannot create file " + (home / "URL.lst").string());
}

// Without a tray the window is the way in: it shows at start, Esc and the
// close box minimise it, and every tray command is on the window's menu.
TEST_F(Form1Test, WithoutATrayTheWindowShowsAndReachesExit) {
    hasTray = false;
    TForm1& f = create();
    EXPECT_FALSE(f.HasTray());
    EXPECT_TRUE(f.TrayMenuInWindow());
    EXPECT_TRUE(host.visible);
    EXPECT_TRUE(f.FormKeyUp(27));
    EXPECT_EQ(host.minimized, 1);
    f.TrayIcon1Click();  // restored from the taskbar
    EXPECT_TRUE(host.visible);
    f.FormClose();
    EXPECT_EQ(host.minimized, 2);
    f.TrayIcon1Click();
    const auto items = f.PopupMenu1();
    const auto exit = std::find(items.begin(), items.end(), &f.Exit1);
    ASSERT_NE(exit, items.end());
    (*exit)->click();
    EXPECT_TRUE(loop.quitting());
    EXPECT_FALSE(settingsText().empty());
}

TEST_F(Form1Test, WithATrayTheWindowWaitsForTheTray) {
    TForm1& f = create();
    EXPECT_TRUE(f.HasTray());
    EXPECT_FALSE(f.TrayMenuInWindow());
    EXPECT_FALSE(host.visible);
    f.TrayIcon1Click();
    f.FormKeyUp(27);
    EXPECT_EQ(host.minimized, 0);
}

TEST_F(Form1Test, UnwritableUrlListFailsTheSaveAndExitDoesNotQuit) {
    TForm1& f = create();
    std::filesystem::create_directory(home / "URL.lst");  // a folder where the file must go
    f.Exit1Click();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Cannot create file " + (home / "URL.lst").string());
    EXPECT_FALSE(loop.quitting());
    EXPECT_TRUE(settingsText().empty());
}

TEST_F(Form1Test, ConnectShowsInTrayAndCopiesTheLinksAddressWithoutCapturingIt) {
    resolver.addHost(LocalHostName(), "127.0.1.1");  // what the host name gives: not wanted
    writeSettings("[\"Options\"]\n\"CopyIP\"=\"1\"\n");
    TForm1& f = create();
    dialUp.connectOne("10.1.2.3");
    loop.runFor(1000);
    EXPECT_EQ(f.TrayIcon1.ToolTip(), "Pontavi! - Connected");
    EXPECT_EQ(f.TrayIcon1.Icon(), TrayImage::IconConnected);
    EXPECT_EQ(f.MailStatus.PanelText(0), "Connected");
    EXPECT_EQ(clipboard.text(), "10.1.2.3");
    EXPECT_EQ(f.CopyIPEdit.Text(), "10.1.2.3");
    EXPECT_EQ(f.UrlLB().Count(), 0u);
    loop.runFor(989 * 3);
    EXPECT_EQ(f.SessionTimePanel.Caption(), "00:00:03");
    dialUp.disconnectAll();
    loop.runFor(1000);
    EXPECT_EQ(f.TrayIcon1.ToolTip(), "Pontavi! - Not Connected");
}

TEST_F(Form1Test, AddressCopyFailureIsLoggedAndTheRestRuns) {
    writeSettings("[\"Options\"]\n\"CopyIP\"=\"1\"\n");
    TForm1& f = create();
    clipboard.setText("kept");
    dialUp.connectOne(std::string{});  // connected, but without an IPv4 address
    loop.runFor(1000);
    EXPECT_EQ(f.TrayIcon1.ToolTip(), "Pontavi! - Connected");
    EXPECT_EQ(f.MailStatus.PanelText(0), "Connected");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(clipboard.text(), "kept");
    ASSERT_FALSE(f.Memo1.Lines().empty());
    EXPECT_EQ(f.Memo1.Lines().back(), "Copy IP: the dial-up connection has no IPv4 address");
}

TEST_F(Form1Test, TotalOnLineTimeSurvivesARestart) {
    TForm1& f = create();
    dialUp.connectOne();
    loop.runFor(1000 + 989 * 5);
    EXPECT_EQ(f.TotalTimePanel.Caption(), "00:00:05");
    exitProgram();
    TForm1& g = create();
    EXPECT_EQ(g.TotalTimePanel.Caption(), "00:00:05");
    EXPECT_EQ(g.SessionTimePanel.Caption(), "00:00:00");
}

TEST_F(Form1Test, CapturedUrlsAreSavedFirstAndLoadedAtStart) {
    TForm1& f = create();
    clipboard.copyFromElsewhere("see http://host/page now");
    EXPECT_EQ(f.UrlLB().Items(), Lines{"http://host/page"});
    exitProgram();
    TForm1& g = create();
    EXPECT_EQ(g.UrlLB().Items(), Lines{"http://host/page"});
}

TEST_F(Form1Test, ExitHangsUpOnlyTheProgramsOwnDial) {
    TForm1& f = create();
    dialUp.connectOne();
    loop.runFor(1000);
    f.Exit1Click();
    EXPECT_TRUE(loop.quitting());
    EXPECT_TRUE(dialUp.hangUps.empty());
}

TEST_F(Form1Test, TrayItemDialsTheChosenEntryAndExitHangsItUp) {
    writeSettings("[\"Mail\"]\n\"AutoConnect\"=\"Provider\"\n\"AutoConnectTimer\"=\"2\"\n");
    dialUp.entries = Lines{"Provider"};
    TForm1& f = create();
    loop.runFor(1000);
    ASSERT_TRUE(f.ConnectNow.Enabled());
    f.ConnectNow.click();
    EXPECT_EQ(dialUp.dialled, Lines{"Provider"});
    EXPECT_EQ(f.ConnectNow.Caption(), "C&ancel Connect");
    f.Exit1Click();
    EXPECT_EQ(dialUp.hangUps.size(), 1u);
}

TEST_F(Form1Test, TrayMenuHoldsEveryItemInOrder) {
    TForm1& f = create();
    Lines captions;
    for (const MenuItem* item : f.PopupMenu1()) {
        captions.push_back(item->Caption());
    }
    EXPECT_EQ(captions,
              (Lines{"&Help", "&About", "-", "&Options", "&Check Mail Now",
                     "Co&nnect && Check Mail", "&Use The First Ident Only", "-", "&Exit"}));
    f.About1.click();
    EXPECT_EQ(dialogs.aboutShown, 1);
    f.Help1.click();
    EXPECT_EQ(help.opened, Lines{""});
}

TEST_F(Form1Test, SessionEndRemovesTheTrayIconAndSaves) {
    TForm1& f = create();
    f.SessionEnd();
    EXPECT_FALSE(f.TrayIcon1.Active());
    EXPECT_FALSE(settingsText().empty());
}

}  // namespace
}  // namespace pontavi
