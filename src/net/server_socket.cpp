#include "net/server_socket.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "net/sock_error.h"
#include "net/socket_base.h"
#include "net/socket_calls.h"

namespace pontavi {

TCustomServerSocket::TCustomServerSocket(SocketLayer& layer) : TSockCtrl(layer) {}

TCustomServerSocket::~TCustomServerSocket() {
    for (auto& connection : connections_.items_) {
        connection->DetachOwner();
    }
    if (listener_) {
        listener_->DetachOwner();
    }
}

void TCustomServerSocket::Listen(const TSocketClass& socketClass) {
    socketClass_ = socketClass;
    if (listener_) {
        listener_->DetachOwner();
    }
    auto socket = socketClass(*this);
    listener_ = socket;
    Layer().CheckStarted();
    if (const int err = socket->CreateSystemSocket(csoRead); err != 0) {
        RaiseSockError("Error %d (%s) creating new socket", err);
    }
    try {
        const auto address =
            ResolveEnds([this, socket] { return listener_ != socket || !socket->HasSocket(); });
        if (!address) {
            return;
        }
        socket->AfterResolve();
        socket->StartListen(*address, queueLength_);
    } catch (...) {
        if (listener_ == socket) {
            socket->Close();
        }
        throw;
    }
}

void TCustomServerSocket::AdoptListener(UniqueFd fd, const TSocketClass& socketClass) {
    socketClass_ = socketClass;
    if (listener_) {
        listener_->DetachOwner();
    }
    auto socket = socketClass(*this);
    listener_ = socket;
    Layer().CheckStarted();
    socket->AttachListening(std::move(fd), csoRead);
}

void TCustomServerSocket::Shutdown() {
    // Close may run OnRead handlers; one that throws must not leave the rest open.
    std::exception_ptr firstError;
    const auto connections = connections_.items_;
    for (const auto& connection : connections) {
        try {
            connection->Close();
        } catch (...) {
            if (!firstError) {
                firstError = std::current_exception();
            }
        }
    }
    connections_.items_.clear();
    if (listener_) {
        listener_->Close();
    }
    Layer().Disarm(*this);
    if (firstError) {
        std::rethrow_exception(firstError);
    }
}

int TCustomServerSocket::LocalPort() const {
    if (!listener_ || !listener_->HasSocket()) {
        RaiseSockError("Error %d (%s) calling getsockname", sockcode::kNotSocket);
    }
    return listener_->LocalPort();
}

// Clients that connect once per query arrive in bursts: several are taken per
// readiness notification, but a bounded number, so other events keep their turn
// and the rest come with the next notification. Only the first may be one too
// many (and be rejected); the others are taken only while there is room, as
// connections closed this turn leave the list only on a later one.
void TCustomServerSocket::AcceptWaiting(TSocketBase& listener) {
    for (int i = 0; i < kAcceptsPerNotification; ++i) {
        if (!socketClass_ || listener_.get() != &listener || !listener.HasSocket() ||
            (i > 0 && placesBeyond(maxConnections_ - 1)) || !acceptOne(listener)) {
            return;
        }
    }
}

bool TCustomServerSocket::acceptOne(TSocketBase& listener) {
    auto accepted = sockcall::Accept(listener.Handle());
    if (!accepted.ok()) {
        return false;  // nothing waits, or the system refused: nothing happens
    }
    auto socket = socketClass_(*this);
    connections_.items_.push_back(socket);
    socket->AttachAccepted(std::move(accepted.value), clientOptions_);
    if (placesBeyond(maxConnections_)) {
        try {
            socket->RejectNotification();
        } catch (...) {
            socket->Close();
            throw;
        }
        socket->Close();
    } else {
        socket->AcceptNotification();
    }
    return true;
}

// Connections closed by the program wait in the list for their close notice,
// and a client that closed after its answer may not have been read yet this
// turn: neither holds a place any more, so clients that reconnect for every
// query are not refused while the old connections are still on their way out.
// The second kind is told by asking the system, once for all connections.
bool TCustomServerSocket::placesBeyond(int limit) const {
    std::vector<int> open;
    for (const auto& item : connections_.items_) {
        if (item->HasSocket()) {
            open.push_back(item->Handle());
        }
    }
    if (static_cast<int>(open.size()) <= limit) {
        return false;
    }
    return static_cast<int>(open.size() - sockcall::PeersClosed(open)) > limit;
}

void TCustomServerSocket::RaiseAccept(TSocketBase& socket) {
    Raise(OnAccept, &socket);
}

void TCustomServerSocket::RaiseReject(TSocketBase& socket) {
    Raise(OnReject, &socket);
}

void TCustomServerSocket::CloseNoticed(TSocketBase& socket) {
    auto& items = connections_.items_;
    const auto it = std::find_if(items.begin(), items.end(),
                                 [&](const auto& item) { return item.get() == &socket; });
    if (it != items.end() && !(*it)->HasSocket()) {
        items.erase(it);
    }
}

}  // namespace pontavi
