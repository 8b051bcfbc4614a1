#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "controls/dialogs.h"
#include "controls/memo.h"
#include "ident/ident_chooser.h"
#include "net/server_socket.h"
#include "platform/privileged_ports.h"

namespace pontavi {

class TLineSocketBase;

// The Ident (RFC 1413) service: ServerSocket1 listening for line connections,
// one reply line per query line, each query and reply logged on the Requests
// page. Every query gets a USERID reply with the ident that Edit1 shows.
class IdentResponder {
  public:
    static constexpr std::size_t kBufferSize = 1024;
    // The log is written by strangers; it keeps its newest lines only.
    static constexpr std::size_t kMaxLogLines = 30'000;
    // A connection that has sent no complete line for this long is closed, so
    // idle or stalled clients cannot keep the connection places taken for good
    // (RFC 1413 suggests 60 to 180 s). A query restarts its connection's clock.
    static constexpr Millis kIdleTimeOutMs = 60'000;
    // How often idle connections are looked for, while any connection is open.
    static constexpr Millis kIdleSweepMs = 5'000;
    // Clients connect once per query; a backlog of 5 overflows under such
    // churn and leaves connects waiting a second for a SYN retry.
    static constexpr int kQueueLength = 128;

    // ports: where a port the program may not bind itself is asked for
    // (null: nowhere).
    IdentResponder(SocketLayer& layer, IdentChooser& chooser, Memo& memo1, Dialogs& dialogs,
                   std::string port = "113", PrivilegedPorts* ports = nullptr);

    // Starts the listener once, at start-up. A taken port is logged (another
    // Ident server runs). A port refused for want of privilege is taken from
    // the privileged-port helper; when that fails too, the refusal and how to
    // allow the port are logged: the normal state of an unprivileged install,
    // no box. Any other error is shown in a box. Never throws.
    void start();

    TServerSocket& ServerSocket1() { return server_; }

    void ServerSocket1Accept(TSockCtrl& sender, TSocketBase* socket);
    void ServerSocket1Disconnect(TSockCtrl& sender, TSocketBase* socket);
    void IdentLineRead(TLineSocketBase& connection, const std::string& line, bool complete);
    static void IdentSend(TLineSocketBase& connection, const std::string& reply);

    bool IdleSweepRunning() const { return idleSweep_.Enabled(); }

  private:
    void listenThroughHelper(const std::string& refusal);
    void logPortInUse();
    void closeIdleConnections();

    TServerSocket server_;
    IdentChooser& chooser_;
    Memo& memo1_;
    Dialogs& dialogs_;
    std::string port_;
    PrivilegedPorts* ports_;
    Timer idleSweep_;
    // When each open connection last completed a line (or was accepted).
    std::unordered_map<const TSocketBase*, Millis> lastHeard_;
};

}  // namespace pontavi
