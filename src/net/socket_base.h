#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "base/unique_fd.h"
#include "net/sock_ctrl.h"
#include "net/socket_calls.h"
#include "platform/event_loop.h"

namespace pontavi {

class TlsContext;
class TlsStream;

enum class TSocketState { ssClosed, ssConnected, ssClosing, ssListening };
const char* ToText(TSocketState state);

// One system socket, owned by a component (always through a shared_ptr, so a
// handler running for it keeps it alive). Readiness from the loop becomes the
// notifications of the classic model: read (data waits), write (writable again
// after a send that would block), accept, connect-finished and closed.
//
// Readiness is level-triggered but the model is "notify once, the handler
// reads": after a read notification in which nothing was taken, the socket
// stops watching for data until the program takes some, so an idle handler
// never makes the loop spin. Loop thread only.
class TSocketBase : public std::enable_shared_from_this<TSocketBase> {
  public:
    explicit TSocketBase(TSockCtrl& owner);
    virtual ~TSocketBase();
    TSocketBase(const TSocketBase&) = delete;
    TSocketBase& operator=(const TSocketBase&) = delete;

    // Null once the owning component is gone.
    TSockCtrl* Owner() const { return owner_; }
    TSocketState State() const { return state_; }
    virtual bool Connected() const { return state_ == TSocketState::ssConnected; }
    // Error code of the last failed call or of the last notification; 0 after
    // a successful call.
    int LastError() const { return lastError_; }
    bool HasSocket() const { return fd_.valid(); }
    int Handle() const { return fd_.get(); }
    TAsyncOptions Options() const { return options_; }

    // Closes the system socket; a connected socket first has its unread data
    // delivered to OnRead (when assigned). Raises no OnDisconnect; the
    // component hears of it one loop turn later. Nothing without a socket.
    virtual void Close();
    // Bytes the system accepted; 0 when it would block or not connected.
    virtual std::size_t Send(const void* data, std::size_t count) = 0;
    // Bytes taken, at most count; 0 when nothing waits.
    virtual std::size_t Recv(void* data, std::size_t count) = 0;

    // The local port (host order) of an open socket, e.g. after listening on
    // port "0". Raises "Error %d (%s) calling getsockname".
    int LocalPort() const;

    // ---- notifications, raising the owner's events ----
    virtual void ReadNotification();
    virtual void WriteNotification();
    virtual void AcceptNotification();
    virtual void ConnectNotification();
    virtual void DisconnectNotification();
    virtual void TimeOutNotification();
    virtual void RejectNotification();
    // Runs after the addresses are resolved, before connecting or listening.
    virtual void AfterResolve() {}

    // ---- used by components and the layer ----
    int CreateSystemSocket(TAsyncOptions options);
    void AttachAccepted(UniqueFd fd, TAsyncOptions options);
    // Takes over a non-blocking socket that is already bound and listening.
    void AttachListening(UniqueFd fd, TAsyncOptions options);
    int StartConnect(const sockaddr_in& address);
    // Binds and listens; raises ESockError on failure.
    void StartListen(const sockaddr_in& address, int backlog);
    // Closes the system socket without any event or notice.
    void CloseSilently();
    void DetachOwner();
    // Deferred readiness, handed back by the layer's drain.
    void DeliverDeferred(unsigned events);
    // True while reading is paused and the socket is still worth watching;
    // reports the peer's close when it has happened meanwhile.
    bool CheckStalled();

    // Readiness kinds beyond EventLoop's: the peer closed while reading was paused.
    static constexpr unsigned kPeerClosedEvent = 4;

    // ---- TLS under the stream (OpenSSL) ----
    //
    // A connection may run TLS between its system socket and everything
    // above (buffers, lines, Recv and Send), which then see only clear bytes.
    // Readiness drives the handshake on the same loop; the write notification,
    // OnRead and Close behave as without TLS, and Close sends close_notify.
    // Clear-text connections take none of these paths.

    // TLS from the first byte: when the connect finishes, the handshake runs
    // under the component's connect time-out, and only then does OnConnect
    // come (Connected() false, LastError() 10053 and TlsFailure() saying why,
    // when it failed). The certificate is checked against `host`. Call
    // before the connect finishes (right after Open returns).
    void UseTls(const TlsContext& context, const std::string& host);
    // Starts TLS on a connection that is up (STARTTLS; a test server's
    // accepted connection). Bytes already received in clear are dropped. The
    // component's time-out covers the handshake; OnHandshake follows it,
    // successful or not. Raises ESockError when TLS cannot be set up.
    virtual void StartTls(const TlsContext& context, const std::string& host);
    // Raised when a handshake started by StartTls has ended.
    std::function<void(TSocketBase& socket)> OnHandshake;
    // True once a handshake has succeeded on this connection.
    bool Encrypted() const;
    bool Handshaking() const { return handshaking_; }
    // Why the handshake or the session failed ("certificate verify failed:
    // self-signed certificate"); empty when nothing failed.
    const std::string& TlsFailure() const { return tlsFailure_; }

  protected:
    SocketLayer& Layer() const { return layer_; }
    void setLastError(int code) { lastError_ = code; }
    // Called whenever received data leaves the system (Recv, a buffer fill):
    // counts it and resumes watching for more.
    void DataTaken(std::size_t bytes);
    // Called when the program made room for more data (buffered reads).
    void ResumeReading();
    // A send would block: ask for the write notification.
    void WantWrite();
    // Bytes the system holds unread (and, with TLS, decrypted bytes held by
    // the session); raises "getting # of bytes" errors.
    std::size_t UnreadBytes() const;
    // The one way bytes leave and enter the system socket: plain calls, or
    // the TLS session when one runs. TLS records taken count as taken.
    sockcall::IoResult ReceiveBytes(void* data, std::size_t count);
    sockcall::IoResult SendBytes(const void* data, std::size_t count);

  private:
    void onReady(unsigned events);
    void handleReady(unsigned events);
    void handleReadable();
    void handleWritable();
    void handleConnectFinished();
    void closedNotification(int error);
    void pauseReading();
    void writableEventDue();
    void deliverUnread();
    void finishClose();
    void releaseSystemSocket();
    void watchSocket();
    void updateWatch();
    void beginHandshake();
    void advanceHandshake();
    void handshakeEnded(bool ok);
    void handleTlsReadable();
    void postPendingRead();

    TSockCtrl* owner_;
    SocketLayer& layer_;
    UniqueFd fd_;
    // Declared after the descriptor: the watch ends before the descriptor closes.
    IoWatch watch_;
    unsigned watched_ = 0;
    unsigned queued_ = 0;  // readiness waiting in the layer's queue
    TSocketState state_ = TSocketState::ssClosed;
    int lastError_ = 0;
    TAsyncOptions options_ = 0;
    bool connecting_ = false;
    int immediateConnectError_ = 0;
    bool readPaused_ = false;
    bool writeWanted_ = false;
    bool closeSeen_ = false;
    std::size_t taken_ = 0;  // bytes taken from the system, ever
    // TLS; the session goes before the descriptor it runs on.
    std::unique_ptr<TlsStream> tls_;
    const TlsContext* tlsOnConnect_ = nullptr;  // UseTls: the handshake follows the connect
    std::string tlsHost_;
    bool handshaking_ = false;
    bool startedTls_ = false;  // StartTls: OnHandshake, not OnConnect, ends it
    unsigned handshakeWants_ = 0;
    bool readWantsWrite_ = false;  // a TLS read waits for the socket to take a write
    bool writeWantsRead_ = false;  // a TLS write waits for data to arrive
    bool tlsClosed_ = false;       // the TLS session has ended (close_notify or failure)
    bool pendingReadPosted_ = false;
    std::string tlsFailure_;
};

}  // namespace pontavi
