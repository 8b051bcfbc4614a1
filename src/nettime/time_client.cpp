#include "nettime/time_client.h"

#include <ctime>

#include "net/sock_error.h"
#include "net/stream_socket.h"
#include "nettime/time_answer.h"

namespace pontavi {

namespace {

constexpr std::size_t kMaxAddress = 255;
constexpr const char* kAllTimedOut = "Connection timed out while setting Clock";
constexpr const char* kNoneStarted = "Unable to connect to any Time Servers";

// "2022-01-31 02:06:40 UTC"
std::string utcText(std::int64_t unix) {
    const auto t = static_cast<std::time_t>(unix);
    std::tm parts{};
    char text[64] = "?";
    if (::gmtime_r(&t, &parts) != nullptr) {
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &parts);
    }
    return text;
}

// "to 2022-01-31 02:06:40 UTC (moved 4000 s forward)"
std::string moveText(const ClockFromAnswer& change) {
    const std::int64_t seconds = change.moveMs / 1000;
    std::string text = "to " + utcText(change.answerUnix);
    if (seconds == 0) {
        return text + " (it was right)";
    }
    return text + " (moved " + std::to_string(seconds < 0 ? -seconds : seconds) + " s " +
           (seconds < 0 ? "back" : "forward") + ")";
}

std::string describe(const SystemClock::Result& result, const std::string& host,
                     const std::string& move) {
    switch (result.outcome) {
        case SystemClock::Outcome::Set:
            return "Clock set from " + host + " " + move;
        case SystemClock::Outcome::KeptByNtp:
            return "Clock not set from " + host +
                   ": a time synchronisation service (NTP) keeps the system clock";
        case SystemClock::Outcome::Refused:
            break;
    }
    return "Clock not set from " + host + ": " + result.detail;
}

}  // namespace

TimeClient::TimeClient(Parts parts, Services services)
    : parts_(parts),
      services_(std::move(services)),
      cli_(services_.layer),
      answerTimer_(services_.layer.Loop(), kAnswerTimeOut, false) {
    answerTimer_.OnTimer = [this] { answerTimeOut(); };
    cli_.setPort("time");
    cli_.setProtocol("tcp");
    cli_.setTimeOut(kTimeOut);
    cli_.OnConnect = [this](TSockCtrl&, TSocketBase* s) { cliConnect(s); };
    cli_.OnRead = [this](TSockCtrl&, TSocketBase* s) { cliRead(s); };
    cli_.OnTimeOut = [this](TSockCtrl&, TSocketBase* s) { cliTimeOut(s); };
    cli_.OnDisconnect = [this](TSockCtrl&, TSocketBase* s) { cliDisconnect(s); };
}

TimeClient::~TimeClient() = default;

void TimeClient::StartClockUpdate() {
    TimeServerIndex_ = 0;
    tryServers();
}

std::string TimeClient::currentServer() const {
    const auto& list = parts_.TimeServerList;
    const auto i = static_cast<std::size_t>(TimeServerIndex_);
    return i < list.size() ? list[i].substr(0, kMaxAddress) : std::string();
}

bool TimeClient::advance() {
    if (TimeServerIndex_ < static_cast<int>(parts_.TimeServerList.size()) - 1) {
        ++TimeServerIndex_;
        return true;
    }
    return false;
}

void TimeClient::tryServers() {
    for (;;) {
        if (parts_.TimeServerList.empty()) {
            return;
        }
        // The list may have shrunk since the update started.
        if (static_cast<std::size_t>(TimeServerIndex_) >= parts_.TimeServerList.size()) {
            services_.report(kNoneStarted);
            return;
        }
        parts_.TrayIcon1.setIcon(TrayImage::IconSettingClock);
        parts_.TrayIcon1.setToolTip("Pontavi! - Updating Clock");
        TimeByteCount_ = 0;
        answerTimer_.setEnabled(false);
        cli_.setAddress(currentServer());
        opening_ = true;
        timedOutWhileOpening_ = false;
        try {
            cli_.Open<TStreamSocket>();
            opening_ = false;
            if (!timedOutWhileOpening_) {
                return;  // connecting; the handlers take it from here
            }
        } catch (const ESockError&) {
            opening_ = false;
        }
        const bool timedOut = timedOutWhileOpening_;
        if (!advance()) {
            services_.report(timedOut ? kAllTimedOut : kNoneStarted);
            return;
        }
    }
}

void TimeClient::cliConnect(TSocketBase* socket) {
    TimeByteCount_ = 0;
    if (socket != nullptr && !socket->Connected()) {
        services_.report("Clock not set: " + currentServer() + " refused the connection");
        return;
    }
    // A server that accepts and stays silent, or trickles, must not hold the
    // update: the answer is due within the bound, or the next server is tried.
    answerTimer_.setEnabled(true);
}

void TimeClient::answerTimeOut() {
    answerTimer_.setEnabled(false);
    reset(cli_.Connection(), {});  // bytes still waiting are read by the close
    if (TimeByteCount_ == 4) {
        return;  // they completed the answer after all
    }
    services_.report("Clock not set from " + currentServer() + ": no answer within 10 s");
    if (advance()) {
        tryServers();
    } else {
        services_.report(kAllTimedOut);
    }
}

void TimeClient::cliRead(TSocketBase* socket) {
    auto* stream = dynamic_cast<TStreamSocket*>(socket);
    if (stream == nullptr || TimeByteCount_ >= 4) {
        return;  // later bytes of the same connection are ignored
    }
    TimeByteCount_ += static_cast<int>(
        stream->Recv(TimeBytes_ + TimeByteCount_, static_cast<std::size_t>(4 - TimeByteCount_)));
    if (TimeByteCount_ == 4) {
        answerTimer_.setEnabled(false);
        setClock();
        reset(socket, {});
    }
}

void TimeClient::cliTimeOut(TSocketBase* socket) {
    if (opening_) {
        timedOutWhileOpening_ = true;
        return;
    }
    if (advance()) {
        tryServers();  // the pending connection is discarded by the next Open
    } else {
        reset(socket, kAllTimedOut);
    }
}

void TimeClient::cliDisconnect(TSocketBase* socket) {
    answerTimer_.setEnabled(false);
    if (TimeByteCount_ < 4) {
        services_.report("Clock not set: " + currentServer() +
                         " closed the connection before its answer");
    }
    reset(socket, {});
}

void TimeClient::reset(TSocketBase* socket, const std::string& message) {
    if (socket != nullptr) {
        socket->Close();
    }
    if (!message.empty()) {
        services_.report(message);
    }
}

void TimeClient::setClock() {
    const std::string host = currentServer();
    // Taken now, as the answer arrives: the clock is moved by the difference,
    // so the time until the system applies it does not shift the result.
    const ClockFromAnswer change(TimeAnswerValue(TimeBytes_), services_.clock.NowUtcMillis());
    if (!change.plausible()) {
        services_.report("Clock not set: the answer of " + host + " (" +
                         utcText(change.answerUnix) +
                         ") is more than 12 hours away from the clock");
        return;
    }
    std::weak_ptr<int> alive = alive_;
    auto report = services_.report;
    const std::string move = moveText(change);
    services_.clock.MoveBy(change.moveMs,
                           [alive, report, host, move](const SystemClock::Result& r) {
                               if (!alive.expired()) {
                                   report(describe(r, host, move));
                               }
                           });
}

}  // namespace pontavi
