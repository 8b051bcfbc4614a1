#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "connection/connection_state.h"
#include "connection/online_timer.h"
#include "controls/button.h"
#include "controls/check_box.h"
#include "controls/menu_item.h"
#include "controls/spin_edit.h"
#include "controls/status_bar.h"
#include "controls/tray_icon.h"
#include "platform/dialup_service.h"
#include "platform/event_loop.h"
#include "platform/timer.h"

namespace pontavi {

// What the monitor reads and changes, all owned by the main window.
struct ConnectionMonitorParts {
    DialUpService& dialUp;
    ConnectionState& state;
    TrayIcon& TrayIcon1;
    StatusBar& MailStatus;
    MenuItem& ConnectNow;
    MenuItem& CheckMailNow1;
    Button& BitBtn2;
    CheckBox& CopyIPCB;
    CheckBox& UpdateClockCB;
    CheckBox& MailCB;
    SpinEdit& SpinEdit1;  // "AppsDelay", seconds
    pontavi::Timer& AutoConnectTimer;
    pontavi::Timer& AppsTimer;
    pontavi::Timer& MailTimer;
    OnlineTimer& onlineTimer;
};

// The other subsystems' steps the connect actions run. Any may be left empty;
// a std::exception thrown by one is reported and the next steps still run.
struct ConnectionMonitorHooks {
    std::function<void()> AppsTimerTimer;    // one launch step
    std::function<void()> CopyIPAddress;     // local address to the clipboard; may throw
    std::function<void()> StartClockUpdate;  // a clock setting run over the time servers
    std::function<void()> MailTimerTimer;    // a mail check cycle now
    // Mail checking is off at the connect: no cycle will run on this link.
    std::function<void()> NoMailCheck;
    // Failures of background steps; never shown as a box.
    std::function<void(const std::string& message)> OnBackgroundError;
};

// Watches the first dial-up connection once a second (NetDetect), keeps the
// phone book list current, arms or suppresses the auto-connect dialler, and
// runs the connect and disconnect actions when the answer changes.
class ConnectionMonitor {
  public:
    static constexpr Millis kTickMs = 1000;
    // The most entries and connections one query takes; more counts as a failure.
    static constexpr std::size_t kMaxRecords = 100;

    ConnectionMonitor(EventLoop& loop, ConnectionMonitorParts parts, ConnectionMonitorHooks hooks);
    ConnectionMonitor(const ConnectionMonitor&) = delete;
    ConnectionMonitor& operator=(const ConnectionMonitor&) = delete;

    // Switches NetDetect on; it runs until the monitor is destroyed.
    void start() { NetDetect_.setEnabled(true); }
    pontavi::Timer& NetDetect() { return NetDetect_; }

    // One tick: phone book, connection state, auto-connect arming, then the
    // connect or disconnect actions on a change.
    void NetDetectTimer();

  private:
    void rebuildEntryList();
    std::size_t queryConnection();
    void armAutoConnect(std::size_t connections);
    void runConnectActions();
    void runDisconnectActions();
    void showConnected();
    // Runs a hook, reporting what it throws through OnBackgroundError; false
    // when the connection went down while the hook waited in a nested loop,
    // so the rest of the connect actions must not run.
    bool runHook(const std::function<void()>& hook, std::uint64_t generation);

    ConnectionMonitorParts parts_;
    ConnectionMonitorHooks hooks_;
    // Counts connects and disconnects, to notice one during a hook's nested wait.
    std::uint64_t generation_ = 0;
    pontavi::Timer NetDetect_;
};

}  // namespace pontavi
