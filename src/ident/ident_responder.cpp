#include "ident/ident_responder.h"

#include <cerrno>
#include <charconv>

#include "net/address_lookup.h"
#include "net/line_socket.h"
#include "net/sock_error.h"

namespace pontavi {

IdentResponder::IdentResponder(SocketLayer& layer, IdentChooser& chooser, Memo& memo1,
                               Dialogs& dialogs, std::string port, PrivilegedPorts* ports)
    : server_(layer),
      chooser_(chooser),
      memo1_(memo1),
      dialogs_(dialogs),
      port_(std::move(port)),
      ports_(ports),
      idleSweep_(layer.Loop(), kIdleSweepMs, false) {
    memo1_.setMaxLines(kMaxLogLines);
    server_.setProtocol("tcp");
    server_.setQueueLength(kQueueLength);
    idleSweep_.OnTimer = [this] { closeIdleConnections(); };
    server_.OnAccept = [this](TSockCtrl& sender, TSocketBase* socket) {
        ServerSocket1Accept(sender, socket);
    };
    server_.OnDisconnect = [this](TSockCtrl& sender, TSocketBase* socket) {
        ServerSocket1Disconnect(sender, socket);
    };
}

void IdentResponder::start() {
    server_.setPort(port_);
    try {
        server_.Listen<TLineSocket>();
    } catch (const ESockError& e) {
        const std::string message = e.what();
        if (message.find("10048") != std::string::npos) {
            logPortInUse();
            server_.Shutdown();
        } else if (message.find("10013") != std::string::npos) {
            server_.Shutdown();
            listenThroughHelper(message);
        } else {
            dialogs_.ShowMessage(message);
        }
    }
}

void IdentResponder::logPortInUse() {
    memo1_.addLine("Ident Server Already Running...");
    memo1_.addLine("Re-Start the program to re-try");
}

void IdentResponder::listenThroughHelper(const std::string& refusal) {
    int port = 0;
    std::from_chars(port_.data(), port_.data() + port_.size(), port);
    if (ports_ != nullptr) {
        int error = 0;
        if (UniqueFd fd = ports_->Listen(port, error)) {
            server_.AdoptListener<TLineSocket>(std::move(fd));
            return;
        }
        // The privilege was there, the port was not: the refusal hid a port
        // in use, which is reported as such.
        if (error == EADDRINUSE) {
            logPortInUse();
            return;
        }
    }
    memo1_.addLine(refusal);
    memo1_.addLine(ports_ != nullptr ? ports_->HowToAllow(port)
                                     : "Port " + port_ + " needs privilege; see the README");
}

void IdentResponder::ServerSocket1Accept(TSockCtrl&, TSocketBase* socket) {
    auto* line = dynamic_cast<TLineSocketBase*>(socket);
    if (line == nullptr) {
        return;
    }
    line->setLineEnd(TLineEnd::leCRLF);
    line->setReadBufferSize(kBufferSize);
    line->setWriteBufferSize(kBufferSize);
    line->OnLine = [this](TLineSocketBase& connection, const std::string& text, bool complete) {
        IdentLineRead(connection, text, complete);
    };
    lastHeard_[socket] = server_.Layer().Loop().now();
    idleSweep_.setEnabled(true);
}

void IdentResponder::ServerSocket1Disconnect(TSockCtrl&, TSocketBase* socket) {
    if (socket != nullptr) {
        lastHeard_.erase(socket);
        socket->Close();
    }
}

void IdentResponder::closeIdleConnections() {
    const Millis now = server_.Layer().Loop().now();
    const TSocketList& connections = server_.Connections();
    std::unordered_map<const TSocketBase*, Millis> open;
    std::vector<TSocketBase*> idle;
    for (std::size_t i = 0; i < connections.Count(); ++i) {
        TSocketBase* connection = connections[i];
        const auto it = lastHeard_.find(connection);
        if (it == lastHeard_.end() || !connection->Connected()) {
            continue;
        }
        open.insert(*it);
        if (now - it->second >= kIdleTimeOutMs) {
            idle.push_back(connection);
        }
    }
    lastHeard_.swap(open);
    for (TSocketBase* connection : idle) {
        lastHeard_.erase(connection);
        server_.Layer().Guarded([connection] { connection->Close(); });
    }
    idleSweep_.setEnabled(!lastHeard_.empty());
}

void IdentResponder::IdentLineRead(TLineSocketBase& connection, const std::string& line, bool) {
    lastHeard_[&connection] = server_.Layer().Loop().now();
    memo1_.addLine("Ident Request From : " + PeerAddress(&connection));
    const std::string reply = line + " : USERID : UNIX : " + chooser_.currentIdent();
    IdentSend(connection, reply);
    // The log entry ends in a line break, which shows as an empty line.
    memo1_.addLine("Reply: " + reply);
    memo1_.addLine("");
    chooser_.refill();
}

void IdentResponder::IdentSend(TLineSocketBase& connection, const std::string& reply) {
    if (connection.Connected()) {
        connection.SendLine(reply);
        connection.Flush();
    }
}

}  // namespace pontavi
