#include "connection/auto_connect_dialer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "connection/connection_monitor.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_dialup.h"
#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

constexpr Millis kMinute = 55'000;
constexpr int kNoCarrier = 16;

// The dialler together with the connection monitor that arms it, on a
// virtual clock over the fake dial-up service. The monitor's mail step stands
// in for a mail check cycle that completes at once.
class AutoConnectDialerTest : public ::testing::Test {
  protected:
    AutoConnectDialerTest() {
        BitBtn2.setEnabled(false);
        CheckMailNow1.setEnabled(false);
        dialUp.entries = std::vector<std::string>{"Home", "Provider"};
        dialUp.errorTexts[633] = "The port is already in use or is not configured.";
        dialUp.errorTexts[kNoCarrier] = "No carrier";
        hooks.MailTimerTimer = [this] {
            ++mailCycles;
            if (completeCycles) {
                dialer->MailCycleCompleted();
            }
        };
        MailCB.setChecked(true);
    }

    void chooseEntry(const std::string& entry, int minutes) {
        state.AutoConnectEntry = entry;
        state.AutoConnectInterval = minutes;
        AutoConnectTimer.setInterval(minutes * kMinute);
    }
    void start() {
        dialer = std::make_unique<AutoConnectDialer>(AutoConnectDialerParts{
            loop, dialUp, dialogs, state, TrayIcon1, ConnectNow, AutoConnectTimer});
        monitor.emplace(
            loop,
            ConnectionMonitorParts{dialUp, state, TrayIcon1, MailStatus, ConnectNow, CheckMailNow1,
                                   BitBtn2, CopyIPCB, UpdateClockCB, MailCB, SpinEdit1,
                                   AutoConnectTimer, AppsTimer, MailTimer, online},
            hooks);
        monitor->start();
    }
    // Time from now until the next dial, in whole milliseconds (bounded).
    Millis untilNextDial(Millis limit) {
        const std::size_t before = dialUp.dialled.size();
        const Millis from = loop.now();
        while (dialUp.dialled.size() == before && loop.now() - from < limit) {
            loop.runFor(1000);
        }
        return loop.now() - from;
    }
    ConnectionHandle lastDial() const { return state.DialHandle; }

    PollLoop loop{PollLoop::ClockKind::Virtual};
    FakeDialUp dialUp;
    FakeDialogs dialogs;
    ConnectionState state;
    TrayIcon TrayIcon1{"TrayIcon1"};
    StatusBar MailStatus{"MailStatus", {{"", 220}, {"", 120}}};
    MenuItem ConnectNow{"ConnectNow", kConnectNowCaption};
    MenuItem CheckMailNow1{"CheckMailNow1", "&Check Mail Now"};
    Button BitBtn2{"BitBtn2", "Check Mail Now"};
    CheckBox CopyIPCB{"CopyIPCB", "Copy IP address"};
    CheckBox UpdateClockCB{"UpdateClockCB", "Update clock"};
    CheckBox MailCB{"MailCB", "Check mail"};
    SpinEdit SpinEdit1{"SpinEdit1", 3, 1800, 5};
    Timer AutoConnectTimer{loop, 60 * kMinute, false};
    Timer AppsTimer{loop, 5000, false};
    Timer MailTimer{loop, 5 * kMinute, false};
    Label SessionTimePanel{"SessionTimePanel"};
    Label TotalTimePanel{"TotalTimePanel"};
    Label ResetDateLabel{"ResetDateLabel"};
    OnlineTimer online{loop, {SessionTimePanel, TotalTimePanel, ResetDateLabel}, [] {
                           return std::string("01/02/25");
                       }};
    ConnectionMonitorHooks hooks;
    int mailCycles = 0;
    bool completeCycles = true;
    std::unique_ptr<AutoConnectDialer> dialer;
    std::optional<ConnectionMonitor> monitor;
};

// ---- the whole loop

TEST_F(AutoConnectDialerTest, ArmDialConnectCheckHangUpDisconnectAndReArm) {
    dialUp.dialsMakeConnections = true;
    chooseEntry("Provider", 2);
    start();

    loop.runFor(1000);  // first tick arms
    EXPECT_TRUE(AutoConnectTimer.Enabled());
    EXPECT_TRUE(ConnectNow.Enabled());

    // The dial comes one full interval after arming.
    EXPECT_EQ(untilNextDial(10 * kMinute), 2 * kMinute);
    EXPECT_EQ(dialUp.dialled, (std::vector<std::string>{"Provider"}));
    EXPECT_TRUE(state.AutoDialed);
    EXPECT_FALSE(AutoConnectTimer.Enabled());
    EXPECT_EQ(ConnectNow.Caption(), kCancelConnectCaption);
    EXPECT_EQ(TrayIcon1.ToolTip(), "Connecting to check mail");
    EXPECT_EQ(TrayIcon1.Icon(), TrayImage::IconDialing);
    const ConnectionHandle dial = lastDial();
    ASSERT_NE(dial, 0u);

    // Negotiating: a connection exists but is not up; the item stays usable.
    loop.runFor(5000);
    EXPECT_TRUE(ConnectNow.Enabled());
    EXPECT_EQ(mailCycles, 0);

    // Up: the monitor's connect actions check mail, the completed cycle hangs up.
    dialUp.bringUp(dial);
    loop.runFor(1000);
    EXPECT_EQ(mailCycles, 1);
    EXPECT_EQ(dialUp.hangUps, (std::vector<ConnectionHandle>{dial}));
    EXPECT_TRUE(state.AutoDialed);  // cleared by the disconnect, not the hang-up

    // Down at the next tick, re-armed at the one after, for a full interval.
    loop.runFor(1000);
    EXPECT_FALSE(state.NetConnected);
    EXPECT_FALSE(state.AutoDialed);
    EXPECT_EQ(TrayIcon1.ToolTip(), "Pontavi! - Not Connected");
    EXPECT_FALSE(AutoConnectTimer.Enabled());
    loop.runFor(1000);
    EXPECT_TRUE(AutoConnectTimer.Enabled());
    EXPECT_EQ(untilNextDial(10 * kMinute), 2 * kMinute);
    EXPECT_EQ(dialUp.dialled.size(), 2u);
}

TEST_F(AutoConnectDialerTest, DefaultIntervalDialsFiftyFiveMinutesAfterArming) {
    chooseEntry("Provider", 60);
    start();
    loop.runFor(1000);
    EXPECT_EQ(untilNextDial(4'000'000), 3'300'000);
}

TEST_F(AutoConnectDialerTest, WithoutMailCheckingNothingHangsUp) {
    dialUp.dialsMakeConnections = true;
    MailCB.setChecked(false);
    chooseEntry("Provider", 1);
    start();
    loop.runFor(1000);
    untilNextDial(2 * kMinute);
    dialUp.bringUp(lastDial());
    loop.runFor(10 * kMinute);
    EXPECT_TRUE(state.NetConnected);
    EXPECT_TRUE(dialUp.hangUps.empty());
    EXPECT_EQ(dialUp.dialled.size(), 1u);  // the own connection stops the timer

    ConnectNow.click();  // "C&ancel Connect" hangs it up
    EXPECT_EQ(dialUp.hangUps.size(), 1u);
}

// ---- failures

TEST_F(AutoConnectDialerTest, RefusedDialShowsTheBoxAndTriesAgainOneIntervalLater) {
    chooseEntry("Provider", 1);
    dialUp.dialResults.push_back({0, 633});
    start();
    loop.runFor(1000);
    std::vector<bool> autoDialedWhileOpen;
    dialogs.whileOpen = [&] { autoDialedWhileOpen.push_back(state.AutoDialed); };
    untilNextDial(2 * kMinute);

    EXPECT_EQ(dialogs.messages,
              (std::vector<std::string>{"Auto-Connect Failed: The port is already in use or is not "
                                        "configured."}));
    EXPECT_EQ(autoDialedWhileOpen, (std::vector<bool>{false}));
    EXPECT_EQ(TrayIcon1.Icon(), TrayImage::IconNotConnected);
    EXPECT_EQ(TrayIcon1.ToolTip(), "Connecting to check mail");
    EXPECT_EQ(ConnectNow.Caption(), kConnectNowCaption);
    EXPECT_FALSE(state.AutoDialed);
    EXPECT_FALSE(dialer->FailureBoxOpen());

    const Millis next = untilNextDial(3 * kMinute);
    EXPECT_GE(next, kMinute);
    EXPECT_LE(next, kMinute + 1000);  // re-armed at the next tick
}

TEST_F(AutoConnectDialerTest, OneBoxAtATimeLaterRefusalsGoToTheTrayTip) {
    chooseEntry("Provider", 1);
    for (int i = 0; i < 5; ++i) {
        dialUp.dialResults.push_back({0, 633 + i});
    }
    dialUp.errorTexts[634] = std::string(150, 'x');
    start();
    loop.runFor(1000);
    std::vector<std::string> tipsWhileOpen;
    dialogs.whileOpen = [&] {
        // The user is away for a while: the dialler goes on trying.
        dialogs.whileOpen = nullptr;
        loop.runFor(3 * kMinute + 3000);
        tipsWhileOpen.push_back(TrayIcon1.ToolTip());
    };
    untilNextDial(2 * kMinute);

    EXPECT_EQ(dialogs.messages.size(), 1u);
    EXPECT_GE(dialUp.dialled.size(), 3u);
    ASSERT_EQ(tipsWhileOpen.size(), 1u);
    EXPECT_EQ(tipsWhileOpen[0].rfind("Auto-Connect Failed: ", 0), 0u);

    // Once closed, the next refusal gets a box again; the error text is cut.
    dialogs.messages.clear();
    dialUp.dialResults = {{0, 634}};
    untilNextDial(2 * kMinute);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Auto-Connect Failed: " + std::string(100, 'x'));
}

TEST_F(AutoConnectDialerTest, LaterErrorHangsUpOnTheLoopThreadWithoutABox) {
    chooseEntry("Provider", 1);
    start();
    loop.runFor(1000);
    untilNextDial(2 * kMinute);
    const ConnectionHandle dial = lastDial();

    dialUp.failLater(dial, kNoCarrier);
    EXPECT_TRUE(state.AutoDialed);  // handed to a later loop turn
    EXPECT_TRUE(dialUp.hangUps.empty());
    loop.runFor(1);

    EXPECT_EQ(dialUp.hangUps, (std::vector<ConnectionHandle>{dial}));
    EXPECT_EQ(TrayIcon1.Icon(), TrayImage::IconNotConnected);
    EXPECT_EQ(TrayIcon1.ToolTip(), "Pontavi - Not Connected");
    EXPECT_FALSE(state.AutoDialed);
    EXPECT_EQ(ConnectNow.Caption(), kCancelConnectCaption);
    EXPECT_TRUE(dialogs.messages.empty());

    // Re-armed at the next tick.
    loop.runFor(1000);
    EXPECT_TRUE(AutoConnectTimer.Enabled());
}

TEST_F(AutoConnectDialerTest, ZeroErrorAndStaleReportsChangeNothing) {
    chooseEntry("Provider", 1);
    start();
    ConnectNow.click();
    const ConnectionHandle first = lastDial();
    dialer->OnDialEvent(first, 0);
    EXPECT_TRUE(state.AutoDialed);

    ConnectNow.click();  // cancel
    ConnectNow.click();  // dial again
    const ConnectionHandle second = lastDial();
    ASSERT_NE(first, second);
    dialUp.hangUps.clear();
    dialer->OnDialEvent(first, kNoCarrier);  // a report queued before the cancel
    EXPECT_TRUE(dialUp.hangUps.empty());
    EXPECT_TRUE(state.AutoDialed);
    EXPECT_EQ(TrayIcon1.ToolTip(), "Connecting to check mail");
}

TEST_F(AutoConnectDialerTest, ReportPostedAfterTheDiallerIsGoneIsDropped) {
    chooseEntry("Provider", 1);
    start();
    ConnectNow.click();
    dialUp.failLater(lastDial(), kNoCarrier);
    dialer.reset();
    loop.runFor(1);
    EXPECT_TRUE(dialUp.hangUps.empty());
}

// ---- the tray item

TEST_F(AutoConnectDialerTest, CancelDuringDiallingHangsUpAndReArms) {
    chooseEntry("Provider", 1);
    start();
    loop.runFor(1000);
    ConnectNow.click();  // dial now, whether or not the timer runs
    ASSERT_EQ(dialUp.dialled.size(), 1u);
    const ConnectionHandle dial = lastDial();
    EXPECT_EQ(ConnectNow.Caption(), kCancelConnectCaption);

    ConnectNow.click();
    EXPECT_EQ(dialUp.hangUps, (std::vector<ConnectionHandle>{dial}));
    EXPECT_EQ(ConnectNow.Caption(), kConnectNowCaption);
    EXPECT_EQ(TrayIcon1.Icon(), TrayImage::IconNotConnected);
    EXPECT_EQ(TrayIcon1.ToolTip(), "Pontavi - Not Connected");
    EXPECT_FALSE(state.AutoDialed);
    loop.runFor(1000);
    EXPECT_TRUE(AutoConnectTimer.Enabled());
}

TEST_F(AutoConnectDialerTest, NoAutoConnectDisablesTheItemAndAClickDoesNothing) {
    start();
    loop.runFor(1000);
    EXPECT_FALSE(ConnectNow.Enabled());
    dialer->ConnectNowClick();
    EXPECT_TRUE(dialUp.dialled.empty());
    EXPECT_FALSE(state.AutoDialed);
}

TEST_F(AutoConnectDialerTest, AfterTheDialledLinkEndedTheItemCancelsOnceThenDials) {
    dialUp.dialsMakeConnections = true;
    chooseEntry("Provider", 1);
    start();
    loop.runFor(1000);
    ConnectNow.click();
    dialUp.bringUp(lastDial());
    loop.runFor(2000);  // up, checked, hung up, down
    ASSERT_FALSE(state.NetConnected);
    ASSERT_EQ(dialUp.hangUps.size(), 1u);
    EXPECT_EQ(ConnectNow.Caption(), kCancelConnectCaption);

    ConnectNow.click();
    EXPECT_EQ(dialUp.dialled.size(), 1u);
    EXPECT_EQ(ConnectNow.Caption(), kConnectNowCaption);
    ConnectNow.click();
    EXPECT_EQ(dialUp.dialled.size(), 2u);
}

// ---- hang-up points

TEST_F(AutoConnectDialerTest, ExitAndCycleEndHangUpOnlyTheProgramsOwnDial) {
    struct Case {
        bool autoDialed;
        std::size_t hangUps;
    };
    for (const Case c : {Case{true, 1}, Case{false, 0}}) {
        dialUp.hangUps.clear();
        start();
        state.AutoDialed = c.autoDialed;
        state.DialHandle = 77;
        dialer->HangUpOwnDial();
        EXPECT_EQ(dialUp.hangUps.size(), c.hangUps) << c.autoDialed;
        dialer->MailCycleCompleted();
        EXPECT_EQ(dialUp.hangUps.size(), 2 * c.hangUps) << c.autoDialed;
        EXPECT_EQ(state.AutoDialed, c.autoDialed);
    }
}

TEST_F(AutoConnectDialerTest, AUserConnectionSuppressesTheDialler) {
    chooseEntry("Provider", 1);
    start();
    loop.runFor(1000);
    ASSERT_TRUE(AutoConnectTimer.Enabled());
    dialUp.connectOne();
    loop.runFor(3 * kMinute);
    EXPECT_TRUE(dialUp.dialled.empty());
    EXPECT_FALSE(ConnectNow.Enabled());
    dialUp.disconnectAll();
    EXPECT_EQ(untilNextDial(3 * kMinute), kMinute + 1000);  // armed at the first tick without it
}

}  // namespace
}  // namespace pontavi
