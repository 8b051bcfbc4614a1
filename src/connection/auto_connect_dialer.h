#pragma once

#include <memory>
#include <string>

#include "connection/connection_state.h"
#include "controls/dialogs.h"
#include "controls/menu_item.h"
#include "controls/tray_icon.h"
#include "platform/dialup_service.h"
#include "platform/event_loop.h"
#include "platform/timer.h"

namespace pontavi {

// The captions of the tray item ConnectNow; the caption tells its click what to do.
inline constexpr const char* kConnectNowCaption = "Co&nnect && Check Mail";
inline constexpr const char* kCancelConnectCaption = "C&ancel Connect";

// What the dialler reads and changes, all owned by the main window.
struct AutoConnectDialerParts {
    EventLoop& loop;
    DialUpService& dialUp;
    // Raw boxes: the failure box is shown without the always-on-top bracket.
    Dialogs& dialogs;
    ConnectionState& state;
    TrayIcon& TrayIcon1;
    MenuItem& ConnectNow;
    pontavi::Timer& AutoConnectTimer;
};

// Dials the chosen phone book entry to check mail (AutoConnectTimer's tick or
// the tray item), reacts to dial errors and hangs up the program's own dial.
// The connection monitor arms the timer and notices the connection; the mail
// side calls MailCycleCompleted when its check over the dialled link is done.
// Loop thread only.
class AutoConnectDialer {
  public:
    explicit AutoConnectDialer(AutoConnectDialerParts parts);
    AutoConnectDialer(const AutoConnectDialer&) = delete;
    AutoConnectDialer& operator=(const AutoConnectDialer&) = delete;

    // Starts one dial of AutoConnectEntry.
    void AutoConnectTimerTimer();
    // The tray item: cancel or dial, depending on its caption.
    void ConnectNowClick();
    // A dial reported an error after it started; always run on the loop
    // thread. Reports of a dial that is no longer the current one are dropped.
    void OnDialEvent(ConnectionHandle dial, int error);
    // The mail check cycle over all servers has ended: hang up when the
    // program dialled this connection. AutoDialed stays set; the monitor
    // clears it at the disconnect.
    void MailCycleCompleted();
    // Exit: hang up a connection the program dialled.
    void HangUpOwnDial();

    // Whether the "Auto-Connect Failed: " box is open right now.
    bool FailureBoxOpen() const { return failureBoxOpen_; }

  private:
    void reportRefusedDial(const std::string& text);
    // Hangs up DialHandle; later reports of that dial are stale.
    void hangUp();

    AutoConnectDialerParts parts_;
    // Dropped with the dialler, so a report posted for it afterwards does nothing.
    std::shared_ptr<AutoConnectDialer*> self_;
    // The dial whose error reports still count; 0 once it is hung up.
    ConnectionHandle liveDial_ = 0;
    bool failureBoxOpen_ = false;
};

}  // namespace pontavi
