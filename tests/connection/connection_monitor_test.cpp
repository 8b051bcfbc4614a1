#include "connection/connection_monitor.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fakes/fake_dialup.h"
#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

constexpr Millis kMinute = 55'000;

class ConnectionMonitorTest : public ::testing::Test {
  protected:
    ConnectionMonitorTest() {
        BitBtn2.setEnabled(false);
        CheckMailNow1.setEnabled(false);
        hooks.AppsTimerTimer = [this] { record("apps"); };
        hooks.CopyIPAddress = [this] { record("copy-ip"); };
        hooks.StartClockUpdate = [this] { record("clock"); };
        hooks.MailTimerTimer = [this] { record("mail"); };
        hooks.OnBackgroundError = [this](const std::string& m) { errors.push_back(m); };
    }

    void enableAllConnectActions() {
        CopyIPCB.setChecked(true);
        UpdateClockCB.setChecked(true);
        MailCB.setChecked(true);
    }
    void armFor(const std::string& entry) {
        dialUp.entries = std::vector<std::string>{"Home", entry};
        state.AutoConnectEntry = entry;
        state.AutoConnectInterval = 1;
        AutoConnectTimer.setInterval(kMinute);
    }

    ConnectionMonitor& monitor() {
        if (!monitor_) {
            monitor_.emplace(
                loop,
                ConnectionMonitorParts{dialUp, state, TrayIcon1, MailStatus, ConnectNow,
                                       CheckMailNow1, BitBtn2, CopyIPCB, UpdateClockCB, MailCB,
                                       SpinEdit1, AutoConnectTimer, AppsTimer, MailTimer, online},
                hooks);
        }
        return *monitor_;
    }
    void start() { monitor().start(); }
    void tick() { loop.runFor(1000); }

    // What each hook saw of the window when it ran.
    struct Call {
        std::string hook;
        std::string tip;
        bool appsTimerOn;
        bool onlineTimerOn;
        bool mailButtonOn;
    };
    void record(const std::string& hook) {
        calls.push_back({hook, TrayIcon1.ToolTip(), AppsTimer.Enabled(), online.timer().Enabled(),
                         BitBtn2.Enabled()});
    }
    std::vector<std::string> hookNames() const {
        std::vector<std::string> names;
        for (const Call& c : calls) {
            names.push_back(c.hook);
        }
        return names;
    }

    PollLoop loop{PollLoop::ClockKind::Virtual};
    FakeDialUp dialUp;
    ConnectionState state;
    TrayIcon TrayIcon1{"TrayIcon1"};
    StatusBar MailStatus{"MailStatus", {{"", 120}, {"", 200}}};
    MenuItem ConnectNow{"ConnectNow", "Co&nnect && Check Mail"};
    MenuItem CheckMailNow1{"CheckMailNow1", "Check Mail Now"};
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
    std::vector<Call> calls;
    std::vector<std::string> errors;

  private:
    std::optional<ConnectionMonitor> monitor_;
};

TEST_F(ConnectionMonitorTest, ConnectIsSeenWithinOneTickAndRunsEveryActionInOrder) {
    enableAllConnectActions();
    SpinEdit1.setValue(7);
    start();
    tick();
    EXPECT_FALSE(state.NetConnected);

    loop.addTimer(300, [this] { dialUp.connectOne(); });  // up between two ticks
    tick();

    EXPECT_TRUE(state.NetConnected);
    ASSERT_EQ(hookNames(), (std::vector<std::string>{"apps", "copy-ip", "clock", "mail"}));
    // Tray and on-line timer were set before the first hook; the launch
    // sequence was running when its first step came; mail was enabled for it.
    EXPECT_EQ(calls[0].tip, "Pontavi! - Connected");
    EXPECT_TRUE(calls[0].onlineTimerOn);
    EXPECT_TRUE(calls[0].appsTimerOn);
    EXPECT_FALSE(calls[2].mailButtonOn);
    EXPECT_TRUE(calls[3].mailButtonOn);
    EXPECT_EQ(AppsTimer.Interval(), 7000);
    EXPECT_EQ(MailStatus.PanelText(0), "Connected");
    EXPECT_EQ(TrayIcon1.Icon(), TrayImage::IconConnected);
    EXPECT_TRUE(CheckMailNow1.Enabled());
    EXPECT_TRUE(MailTimer.Enabled());
    EXPECT_FALSE(AutoConnectTimer.Enabled());
    EXPECT_TRUE(errors.empty());
}

TEST_F(ConnectionMonitorTest, ConnectActionsRunOncePerConnection) {
    MailCB.setChecked(true);
    start();
    dialUp.connectOne();
    loop.runFor(10'000);
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"apps", "mail"}));
}

TEST_F(ConnectionMonitorTest, StartedWhileOnLineRunsTheConnectActionsAtTheFirstTick) {
    enableAllConnectActions();
    dialUp.connectOne();
    online.setTotalTime("10:00:00");
    start();
    loop.runFor(999);
    EXPECT_TRUE(calls.empty());
    loop.runFor(1);
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"apps", "copy-ip", "clock", "mail"}));
    EXPECT_EQ(online.SessionTime(), "00:00:00");
    EXPECT_TRUE(online.timer().Enabled());
    loop.runFor(989);
    EXPECT_EQ(SessionTimePanel.Caption(), "00:00:01");
    EXPECT_EQ(TotalTimePanel.Caption(), "10:00:01");
}

TEST_F(ConnectionMonitorTest, OnlyTheFirstConnectionCounts) {
    dialUp.connections = {{{1, false}, {2, true}}};  // first still dialling
    start();
    tick();
    EXPECT_FALSE(state.NetConnected);
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(TrayIcon1.ToolTip(), "");

    (*dialUp.connections)[0].connected = true;
    tick();
    EXPECT_TRUE(state.NetConnected);
}

TEST_F(ConnectionMonitorTest, AFailedOrOverfullEnumerationCountsAsNoConnection) {
    dialUp.connectOne();
    start();
    tick();
    ASSERT_TRUE(state.NetConnected);

    dialUp.connections = std::nullopt;
    tick();
    EXPECT_FALSE(state.NetConnected);

    dialUp.connections = std::vector<FakeDialUp::Connection>(101, {1, true});
    tick();
    EXPECT_FALSE(state.NetConnected);
}

TEST_F(ConnectionMonitorTest, PhoneBookListIsRebuiltEveryTickAndEmptyOnFailure) {
    dialUp.entries = std::vector<std::string>{"Work", "Home"};
    start();
    tick();
    EXPECT_EQ(state.RasEntryList, (std::vector<std::string>{"Work", "Home"}));

    dialUp.entries = std::nullopt;
    tick();
    EXPECT_TRUE(state.RasEntryList.empty());

    dialUp.entries = std::vector<std::string>(101, "x");
    tick();
    EXPECT_TRUE(state.RasEntryList.empty());

    dialUp.entries = std::vector<std::string>{"Home"};
    tick();
    EXPECT_EQ(state.RasEntryList, (std::vector<std::string>{"Home"}));
}

TEST_F(ConnectionMonitorTest, DisconnectStopsEverythingAndKeepsTheSessionShown) {
    MailCB.setChecked(true);
    state.AppsIndex = 2;
    dialUp.connectOne();
    start();
    loop.runFor(1000 + 2 * 989);
    ASSERT_EQ(online.SessionTime(), "00:00:02");

    dialUp.disconnectAll();
    tick();  // sees it at 3000; the on-line timer ticks no more
    EXPECT_FALSE(state.NetConnected);
    EXPECT_EQ(TrayIcon1.ToolTip(), "Pontavi! - Not Connected");
    EXPECT_EQ(TrayIcon1.Icon(), TrayImage::IconNotConnected);
    EXPECT_EQ(MailStatus.PanelText(0), "Not Connected");
    EXPECT_FALSE(online.timer().Enabled());
    EXPECT_EQ(state.AppsIndex, -1);
    EXPECT_FALSE(AppsTimer.Enabled());
    EXPECT_FALSE(MailTimer.Enabled());
    EXPECT_FALSE(BitBtn2.Enabled());
    EXPECT_FALSE(CheckMailNow1.Enabled());
    EXPECT_TRUE(ConnectNow.Enabled());

    const std::string session = online.SessionTime();
    loop.runFor(10'000);
    EXPECT_EQ(SessionTimePanel.Caption(), session);
}

TEST_F(ConnectionMonitorTest, AUsersConnectionSuppressesAutoConnectUntilItEnds) {
    armFor("Work");
    start();
    tick();
    ASSERT_TRUE(AutoConnectTimer.Enabled());
    ASSERT_TRUE(ConnectNow.Enabled());
    std::vector<Millis> dials;
    AutoConnectTimer.OnTimer = [&] { dials.push_back(loop.now()); };

    dialUp.connectOne(false);  // the user is dialling
    tick();
    EXPECT_FALSE(ConnectNow.Enabled());
    EXPECT_FALSE(AutoConnectTimer.Enabled());
    dialUp.connectOne(true);
    loop.runFor(30 * 1000);
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"apps"}));  // the user's launch list runs
    EXPECT_FALSE(AutoConnectTimer.Enabled());

    dialUp.disconnectAll();
    tick();
    const Millis rearmedAt = loop.now();
    EXPECT_TRUE(AutoConnectTimer.Enabled());
    EXPECT_TRUE(ConnectNow.Enabled());
    loop.runFor(kMinute);
    EXPECT_EQ(dials, (std::vector<Millis>{rearmedAt + kMinute}));
}

TEST_F(ConnectionMonitorTest, AutoConnectIsArmedOnlyWhileTheEntryIsInThePhoneBook) {
    armFor("Work");
    dialUp.entries = std::vector<std::string>{"Home", "work"};  // comparison is exact
    start();
    tick();
    EXPECT_FALSE(AutoConnectTimer.Enabled());

    dialUp.entries = std::nullopt;
    tick();
    EXPECT_FALSE(AutoConnectTimer.Enabled());

    dialUp.entries = std::vector<std::string>{"Work"};
    tick();
    EXPECT_TRUE(AutoConnectTimer.Enabled());
}

TEST_F(ConnectionMonitorTest, NoAutoConnectDisablesConnectNowAtEveryTick) {
    dialUp.entries = std::vector<std::string>{"Work"};
    start();
    tick();
    EXPECT_FALSE(ConnectNow.Enabled());
    EXPECT_FALSE(AutoConnectTimer.Enabled());

    ConnectNow.setEnabled(true);
    tick();
    EXPECT_FALSE(ConnectNow.Enabled());

    dialUp.connectOne();
    tick();
    dialUp.disconnectAll();
    tick();
    EXPECT_TRUE(ConnectNow.Enabled());  // the disconnect enables it for one tick
    tick();
    EXPECT_FALSE(ConnectNow.Enabled());
}

TEST_F(ConnectionMonitorTest, AProgramDialledConnectionLaunchesNothing) {
    enableAllConnectActions();
    armFor("Work");
    start();
    tick();
    state.AutoDialed = true;  // the dialler has started a dial
    AutoConnectTimer.setEnabled(false);
    dialUp.connectOne(false);
    tick();
    EXPECT_TRUE(ConnectNow.Enabled());  // its own dial does not suppress it

    dialUp.connectOne(true);
    tick();
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"copy-ip", "clock", "mail"}));
    EXPECT_FALSE(AppsTimer.Enabled());
    EXPECT_EQ(AppsTimer.Interval(), 5000);

    dialUp.disconnectAll();
    tick();
    EXPECT_FALSE(state.AutoDialed);
    EXPECT_FALSE(AutoConnectTimer.Enabled());  // re-armed only at the tick after
    tick();
    EXPECT_TRUE(AutoConnectTimer.Enabled());
}

TEST_F(ConnectionMonitorTest, WithMailOffTheTrayReturnsToConnectedAfterTheClockStarts) {
    UpdateClockCB.setChecked(true);
    hooks.StartClockUpdate = [this] {
        record("clock");
        TrayIcon1.setToolTip("Setting clock");
        TrayIcon1.setIcon(TrayImage::IconSettingClock);
    };
    dialUp.connectOne();
    start();
    tick();
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"apps", "clock"}));
    EXPECT_EQ(TrayIcon1.ToolTip(), "Pontavi! - Connected");
    EXPECT_EQ(TrayIcon1.Icon(), TrayImage::IconConnected);
    EXPECT_FALSE(BitBtn2.Enabled());
    EXPECT_FALSE(MailTimer.Enabled());
}

TEST_F(ConnectionMonitorTest, AFailedAddressCopyIsReportedAndTheRestStillRuns) {
    enableAllConnectActions();
    hooks.CopyIPAddress = [this] {
        record("copy-ip");
        throw std::runtime_error("Error 11001 (Host not found) Resolving Host");
    };
    dialUp.connectOne();
    start();
    tick();
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"apps", "copy-ip", "clock", "mail"}));
    EXPECT_EQ(errors, (std::vector<std::string>{"Error 11001 (Host not found) Resolving Host"}));
    EXPECT_TRUE(MailTimer.Enabled());
}

TEST_F(ConnectionMonitorTest, ALinkLostDuringTheAddressLookupEndsTheConnectActions) {
    enableAllConnectActions();
    hooks.CopyIPAddress = [this] {
        record("copy-ip");
        // The lookup waits in a nested loop; the link drops meanwhile.
        dialUp.disconnectAll();
        loop.runFor(1000);
    };
    dialUp.connectOne();
    start();
    tick();
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"apps", "copy-ip"}));
    EXPECT_FALSE(state.NetConnected);
    EXPECT_FALSE(MailTimer.Enabled());
    EXPECT_FALSE(BitBtn2.Enabled());
    EXPECT_EQ(TrayIcon1.ToolTip(), "Pontavi! - Not Connected");
}

TEST_F(ConnectionMonitorTest, ANestedTickWhileConnectingRunsNoSecondConnect) {
    CopyIPCB.setChecked(true);
    hooks.CopyIPAddress = [this] {
        record("copy-ip");
        loop.runFor(2000);
    };
    dialUp.connectOne();
    start();
    tick();
    EXPECT_EQ(hookNames(), (std::vector<std::string>{"apps", "copy-ip"}));
}

}  // namespace
}  // namespace pontavi
