#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "base/unique_fd.h"
#include "net/sock_ctrl.h"

namespace pontavi {

// A server component's accepted connections, in order of acceptance. The
// server owns them; a closed connection is freed one loop turn after its
// Close, never inside its own handlers.
class TSocketList {
  public:
    std::size_t Count() const { return items_.size(); }
    TSocketBase* operator[](std::size_t index) const { return items_.at(index).get(); }
    TSocketBase* Items(std::size_t index) const { return (*this)[index]; }

  private:
    friend class TCustomServerSocket;
    std::vector<std::shared_ptr<TSocketBase>> items_;
};

// A listening component: Listen opens the listening socket; each accepted
// connection becomes a socket object of the class given to Listen and is
// announced through OnAccept before any of its data is handled. Beyond
// MaxConnections a connection raises OnReject and is closed at once.
class TCustomServerSocket : public TSockCtrl {
  public:
    explicit TCustomServerSocket(SocketLayer& layer);
    ~TCustomServerSocket() override;

    TAsyncOptions ClientOptions() const { return clientOptions_; }
    void setClientOptions(TAsyncOptions options) { clientOptions_ = options; }
    int MaxConnections() const { return maxConnections_; }
    void setMaxConnections(int count) { maxConnections_ = count; }
    int QueueLength() const { return queueLength_; }
    void setQueueLength(int length) { queueLength_ = length; }

    TSocketEvent OnAccept;  // `socket` is the new connection
    TSocketEvent OnReject;  // `socket` is closed right after the handler

    // Raises ESockError; a port in use gives
    // "Error 10048 (Address already in use) Binding Socket".
    void Listen(const TSocketClass& socketClass);
    template <typename T>
    void Listen() {
        Listen(SocketClassOf<T>());
    }
    // Listens on a socket another process opened (already bound and
    // listening, non-blocking): a privileged port's helper hands one over.
    void AdoptListener(UniqueFd fd, const TSocketClass& socketClass);
    template <typename T>
    void AdoptListener(UniqueFd fd) {
        AdoptListener(std::move(fd), SocketClassOf<T>());
    }
    // Closes every connection, empties Connections, closes the listening
    // socket and stops the time-out.
    void Shutdown();

    const TSocketList& Connections() const { return connections_; }
    // The listening socket object; null before Listen.
    TSocketBase* Listener() const { return listener_.get(); }
    // The port actually listened on (useful after Port "0").
    int LocalPort() const;

    std::shared_ptr<TSocketBase> TimeOutSocket() override { return listener_; }
    void AcceptWaiting(TSocketBase& listener) override;
    void RaiseAccept(TSocketBase& socket) override;
    void RaiseReject(TSocketBase& socket) override;

  protected:
    void CloseNoticed(TSocketBase& socket) override;

  private:
    static constexpr int kAcceptsPerNotification = 16;
    // Accepts one waiting connection; false when none could be taken.
    bool acceptOne(TSocketBase& listener);
    // Whether more than `limit` connections hold a place.
    bool placesBeyond(int limit) const;

    TAsyncOptions clientOptions_ = csoRead | csoWrite;
    int maxConnections_ = 16;
    int queueLength_ = 5;
    TSocketClass socketClass_;
    std::shared_ptr<TSocketBase> listener_;
    TSocketList connections_;
};

// The server component as placed on the main window.
class TServerSocket final : public TCustomServerSocket {
  public:
    using TCustomServerSocket::TCustomServerSocket;
};

}  // namespace pontavi
