#include "net/client_socket.h"

#include "net/sock_error.h"
#include "net/socket_base.h"
#include "net/stream_socket.h"

namespace pontavi {

TCustomClientSocket::TCustomClientSocket(SocketLayer& layer) : TSockCtrl(layer) {}

TCustomClientSocket::~TCustomClientSocket() {
    if (connection_) {
        connection_->DetachOwner();
    }
}

TSocketBase* TCustomClientSocket::Connection() {
    if (!connection_) {
        connection_ = std::make_shared<TStreamSocket>(*this);
    }
    return connection_.get();
}

std::shared_ptr<TSocketBase> TCustomClientSocket::TimeOutSocket() {
    Connection();
    return connection_;
}

bool TCustomClientSocket::superseded(const std::shared_ptr<TSocketBase>& socket) const {
    return connection_ != socket || !socket->HasSocket();
}

void TCustomClientSocket::Open(const TSocketClass& socketClass) {
    if (connection_ && connection_->Connected()) {
        throw ESockError("Socket Already opened");
    }
    if (connection_) {
        connection_->DetachOwner();  // silently: no event, no close notice
    }
    auto socket = socketClass(*this);
    connection_ = socket;
    Layer().CheckStarted();
    if (const int err = socket->CreateSystemSocket(options_); err != 0) {
        RaiseSockError("Error %d (%s) creating new socket", err);
    }
    try {
        const auto address = ResolveEnds([this, socket] { return superseded(socket); });
        if (!address) {
            return;
        }
        socket->AfterResolve();
        Layer().Arm(*this);
        if (const int err = socket->StartConnect(*address); err != 0) {
            Layer().Disarm(*this);
            RaiseSockError("Error %d (%s) connecting", err);
        }
    } catch (...) {
        if (!superseded(socket)) {
            socket->Close();
        }
        throw;
    }
}

void TCustomClientSocket::Close() {
    if (!connection_ || !connection_->Connected()) {
        throw ESockError("Socket not open");
    }
    connection_->Close();
}

void TCustomClientSocket::ConnectFinished(TSocketBase& socket, int /*error*/) {
    Layer().Disarm(*this);
    socket.ConnectNotification();
}

void TCustomClientSocket::RaiseConnect(TSocketBase& socket) {
    Raise(OnConnect, &socket);
}

}  // namespace pontavi
