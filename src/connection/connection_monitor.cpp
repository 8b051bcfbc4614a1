#include "connection/connection_monitor.h"

#include <algorithm>
#include <exception>

namespace pontavi {

namespace {

constexpr std::size_t kStatusPanel = 0;
constexpr Millis kMsPerSecond = 1000;

}  // namespace

ConnectionMonitor::ConnectionMonitor(EventLoop& loop, ConnectionMonitorParts parts,
                                     ConnectionMonitorHooks hooks)
    : parts_(parts), hooks_(std::move(hooks)), NetDetect_(loop, kTickMs, false) {
    NetDetect_.OnTimer = [this] { NetDetectTimer(); };
}

void ConnectionMonitor::NetDetectTimer() {
    rebuildEntryList();
    const bool wasConnected = parts_.state.NetConnected;
    const std::size_t connections = queryConnection();
    armAutoConnect(connections);
    if (parts_.state.NetConnected && !wasConnected) {
        runConnectActions();
    } else if (!parts_.state.NetConnected && wasConnected) {
        runDisconnectActions();
    }
}

void ConnectionMonitor::rebuildEntryList() {
    auto& list = parts_.state.RasEntryList;
    list.clear();
    auto names = parts_.dialUp.EntryNames();
    if (names && names->size() <= kMaxRecords) {
        list = std::move(*names);
    }
}

// Sets NetConnected from the first connection only; a failed enumeration
// counts as none. Returns the number of connections.
std::size_t ConnectionMonitor::queryConnection() {
    auto connections = parts_.dialUp.ActiveConnections();
    std::size_t count = 0;
    if (connections && connections->size() <= kMaxRecords) {
        count = connections->size();
    }
    parts_.state.NetConnected = count > 0 && parts_.dialUp.IsConnected(connections->front());
    return count;
}

void ConnectionMonitor::armAutoConnect(std::size_t connections) {
    ConnectionState& s = parts_.state;
    // A connection the program did not dial suppresses auto-connect.
    if (connections > 0 && !s.AutoDialed && parts_.ConnectNow.Enabled()) {
        parts_.ConnectNow.setEnabled(false);
        parts_.AutoConnectTimer.setEnabled(false);
    }
    // Re-armed, for a full interval, only while the entry is in the phone book.
    const bool off = s.AutoConnectEntry == kNoAutoConnect;
    if (!s.NetConnected && !s.AutoDialed && !parts_.AutoConnectTimer.Enabled() && !off &&
        connections == 0 &&
        std::find(s.RasEntryList.begin(), s.RasEntryList.end(), s.AutoConnectEntry) !=
            s.RasEntryList.end()) {
        parts_.AutoConnectTimer.setEnabled(true);
        parts_.ConnectNow.setEnabled(true);
    }
    if (off) {
        parts_.ConnectNow.setEnabled(false);
    }
}

void ConnectionMonitor::showConnected() {
    parts_.TrayIcon1.setToolTip("Pontavi! - Connected");
    parts_.TrayIcon1.setIcon(TrayImage::IconConnected);
}

bool ConnectionMonitor::runHook(const std::function<void()>& hook, std::uint64_t generation) {
    // One failing step (a failed address lookup, say) must not keep the
    // later ones from running.
    try {
        if (hook) {
            hook();
        }
    } catch (const std::exception& e) {
        if (hooks_.OnBackgroundError) {
            hooks_.OnBackgroundError(e.what());
        }
    }
    return generation == generation_;
}

void ConnectionMonitor::runConnectActions() {
    const std::uint64_t generation = ++generation_;
    parts_.AutoConnectTimer.setEnabled(false);
    parts_.TrayIcon1.setToolTip("Pontavi! - Connected");
    parts_.MailStatus.setPanelText(kStatusPanel, "Connected");
    parts_.TrayIcon1.setIcon(TrayImage::IconConnected);

    parts_.onlineTimer.BitBtn4Click();
    parts_.onlineTimer.timer().setEnabled(true);

    parts_.AppsTimer.setInterval(parts_.SpinEdit1.Value() * kMsPerSecond);
    // A connection the program dialled to check mail launches nothing.
    if (!parts_.state.AutoDialed) {
        parts_.AppsTimer.setEnabled(true);
        if (!runHook(hooks_.AppsTimerTimer, generation)) {
            return;
        }
    }
    if (parts_.CopyIPCB.Checked() && !runHook(hooks_.CopyIPAddress, generation)) {
        return;
    }
    if (parts_.UpdateClockCB.Checked() && !runHook(hooks_.StartClockUpdate, generation)) {
        return;
    }
    if (parts_.MailCB.Checked()) {
        parts_.BitBtn2.setEnabled(true);
        parts_.CheckMailNow1.setEnabled(true);
        if (!runHook(hooks_.MailTimerTimer, generation)) {
            return;
        }
        parts_.MailTimer.setEnabled(true);
    } else {
        // The clock update may have changed the tray meanwhile.
        showConnected();
        runHook(hooks_.NoMailCheck, generation);
    }
}

void ConnectionMonitor::runDisconnectActions() {
    ++generation_;
    parts_.ConnectNow.setEnabled(true);
    parts_.state.AutoDialed = false;
    parts_.TrayIcon1.setToolTip("Pontavi! - Not Connected");
    parts_.MailStatus.setPanelText(kStatusPanel, "Not Connected");
    parts_.onlineTimer.timer().setEnabled(false);
    parts_.state.AppsIndex = -1;
    parts_.AppsTimer.setEnabled(false);
    parts_.TrayIcon1.setIcon(TrayImage::IconNotConnected);
    parts_.MailTimer.setEnabled(false);
    parts_.BitBtn2.setEnabled(false);
    parts_.CheckMailNow1.setEnabled(false);
}

}  // namespace pontavi
