#pragma once

#include <memory>

#include "net/sock_ctrl.h"

namespace pontavi {

// A client connection component: Open starts a connection to Address/Port
// with a new socket object of the given class; the outcome arrives later as
// OnConnect (Connected() false and LastError set when it failed; no
// OnDisconnect follows a failed connect).
class TCustomClientSocket : public TSockCtrl {
  public:
    explicit TCustomClientSocket(SocketLayer& layer);
    ~TCustomClientSocket() override;

    // Which notifications each connection asks for.
    TAsyncOptions Options() const { return options_; }
    void setOptions(TAsyncOptions options) { options_ = options; }

    TSocketEvent OnConnect;  // the connect finished, successfully or not

    // Raises "Socket Already opened" while connected, and ESockError for
    // failures found while starting (host not found, no address, a failing
    // system call). Host and service lookups wait in a nested loop; if the
    // time-out handler closes or replaces the connection during that wait,
    // Open returns quietly without connecting. Settings of the socket object
    // (buffer sizes, LineEnd, OnLine) go on Connection() after Open returns.
    void Open(const TSocketClass& socketClass);
    template <typename T>
    void Open() {
        Open(SocketClassOf<T>());
    }
    // Closes Connection(); raises "Socket not open" when it is not connected.
    void Close();

    // The current socket object; an unopened TStreamSocket before the first
    // Open. Replaced by every Open.
    TSocketBase* Connection();
    template <typename T>
    T* ConnectionAs() {
        return dynamic_cast<T*>(Connection());
    }

    std::shared_ptr<TSocketBase> TimeOutSocket() override;
    void ConnectFinished(TSocketBase& socket, int error) override;
    void RaiseConnect(TSocketBase& socket) override;

  private:
    bool superseded(const std::shared_ptr<TSocketBase>& socket) const;

    TAsyncOptions options_ = csoRead | csoWrite;
    std::shared_ptr<TSocketBase> connection_;
};

// The client component as placed on the main window.
class TClientSocket final : public TCustomClientSocket {
  public:
    using TCustomClientSocket::TCustomClientSocket;
};

}  // namespace pontavi
