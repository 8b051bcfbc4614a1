#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/tray_icon.h"
#include "net/client_socket.h"
#include "platform/system_clock.h"
#include "platform/timer.h"

namespace pontavi {

// Sets the system clock (date and time) from the first server of the time
// server list that answers (RFC 868, service "time"), when the answer lies
// within 12 hours of the clock. Servers are tried in order: a name that
// cannot be resolved, a connect that cannot start, a lookup or connect longer
// than the 10 s time-out, or no complete answer within 10 s of the connect
// moves on to the next one; a refused connection or an early close ends the
// update. The clock is moved by the difference taken when the answer arrived.
// Every outcome goes to `report` (the Requests log), never to a box. Loop
// thread only.
class TimeClient {
  public:
    static constexpr int kTimeOut = 10;
    // From the connect to the answer's fourth byte.
    static constexpr Millis kAnswerTimeOut = 10'000;

    struct Parts {
        const std::vector<std::string>& TimeServerList;
        TrayIcon& TrayIcon1;
    };
    struct Services {
        SocketLayer& layer;
        SystemClock& clock;
        std::function<void(const std::string& message)> report;
    };

    TimeClient(Parts parts, Services services);
    ~TimeClient();
    TimeClient(const TimeClient&) = delete;
    TimeClient& operator=(const TimeClient&) = delete;

    // Starts an update from the first server; returns once a connection has
    // been started or every server failed to start.
    void StartClockUpdate();

    TClientSocket& cli() { return cli_; }
    int TimeServerIndex() const { return TimeServerIndex_; }

  private:
    void tryServers();
    // Moves to the next server; false when the one tried was the last.
    bool advance();
    void cliConnect(TSocketBase* socket);
    void cliRead(TSocketBase* socket);
    void cliTimeOut(TSocketBase* socket);
    void cliDisconnect(TSocketBase* socket);
    void answerTimeOut();
    void reset(TSocketBase* socket, const std::string& message);
    void setClock();
    std::string currentServer() const;

    Parts parts_;
    Services services_;
    TClientSocket cli_;
    Timer answerTimer_;
    int TimeServerIndex_ = 0;
    std::uint8_t TimeBytes_[4] = {};
    int TimeByteCount_ = 0;
    // Set while Open waits for a lookup: a time-out then only marks the
    // attempt, and the waiting Open moves on when it returns, so exactly one
    // server is passed and no socket object in use is replaced.
    bool opening_ = false;
    bool timedOutWhileOpening_ = false;
    // Answers of the clock arrive later; they are dropped once the client is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace pontavi
