#include "connection/auto_connect_dialer.h"

#include <utility>

namespace pontavi {

namespace {

constexpr const char* kFailedPrefix = "Auto-Connect Failed: ";
// The system's error texts are at most this long.
constexpr std::size_t kMaxErrorText = 100;

}  // namespace

AutoConnectDialer::AutoConnectDialer(AutoConnectDialerParts parts)
    : parts_(parts), self_(std::make_shared<AutoConnectDialer*>(this)) {
    parts_.AutoConnectTimer.OnTimer = [this] { AutoConnectTimerTimer(); };
    parts_.ConnectNow.OnClick = [this] { ConnectNowClick(); };
}

void AutoConnectDialer::AutoConnectTimerTimer() {
    ConnectionState& s = parts_.state;
    s.AutoDialed = true;
    parts_.AutoConnectTimer.setEnabled(false);
    parts_.ConnectNow.setCaption(kCancelConnectCaption);
    parts_.TrayIcon1.setToolTip("Connecting to check mail");
    parts_.TrayIcon1.setIcon(TrayImage::IconDialing);
    s.DialHandle = 0;
    liveDial_ = 0;

    // The report may come from any thread a backend uses; its effects belong
    // to the loop thread, and it must name the dial it is about, since the
    // user may have cancelled and dialled again before it runs.
    auto dial = std::make_shared<ConnectionHandle>(0);
    std::weak_ptr<AutoConnectDialer*> alive = self_;
    EventLoop& loop = parts_.loop;
    const DialResult result =
        parts_.dialUp.Dial(s.AutoConnectEntry, [&loop, alive, dial](int error) {
            loop.post([alive, dial, error] {
                if (auto self = alive.lock()) {
                    (*self)->OnDialEvent(*dial, error);
                }
            });
        });
    if (result.started()) {
        *dial = result.handle;
        s.DialHandle = result.handle;
        liveDial_ = result.handle;
        return;
    }
    std::string text = parts_.dialUp.ErrorText(result.error);
    if (text.size() > kMaxErrorText) {
        text.resize(kMaxErrorText);
    }
    reportRefusedDial(text);
}

// The state goes back before the box opens, so the monitor re-arms the timer
// while the box waits for a user who may be away; a failure while the box is
// still open goes to the tray tip instead of a second box.
void AutoConnectDialer::reportRefusedDial(const std::string& text) {
    parts_.TrayIcon1.setIcon(TrayImage::IconNotConnected);
    parts_.ConnectNow.setCaption(kConnectNowCaption);
    parts_.state.AutoDialed = false;
    if (failureBoxOpen_) {
        parts_.TrayIcon1.setToolTip(kFailedPrefix + text);
        return;
    }
    failureBoxOpen_ = true;
    try {
        parts_.dialogs.ShowMessage(kFailedPrefix + text);
    } catch (...) {
        failureBoxOpen_ = false;
        throw;
    }
    failureBoxOpen_ = false;
}

void AutoConnectDialer::OnDialEvent(ConnectionHandle dial, int error) {
    ConnectionState& s = parts_.state;
    if (error == 0 || dial == 0 || dial != liveDial_) {
        return;
    }
    hangUp();
    parts_.TrayIcon1.setIcon(TrayImage::IconNotConnected);
    parts_.TrayIcon1.setToolTip("Pontavi - Not Connected");
    s.AutoDialed = false;
}

void AutoConnectDialer::ConnectNowClick() {
    ConnectionState& s = parts_.state;
    if (parts_.ConnectNow.Caption() == kCancelConnectCaption) {
        hangUp();
        parts_.ConnectNow.setCaption(kConnectNowCaption);
        parts_.TrayIcon1.setIcon(TrayImage::IconNotConnected);
        parts_.TrayIcon1.setToolTip("Pontavi - Not Connected");
        s.AutoDialed = false;
    } else if (s.AutoConnectEntry != kNoAutoConnect) {
        AutoConnectTimerTimer();
    }
}

void AutoConnectDialer::MailCycleCompleted() {
    HangUpOwnDial();
}

void AutoConnectDialer::HangUpOwnDial() {
    if (parts_.state.AutoDialed) {
        hangUp();
    }
}

void AutoConnectDialer::hangUp() {
    parts_.dialUp.HangUp(parts_.state.DialHandle);
    liveDial_ = 0;
}

}  // namespace pontavi
