#include "net/socket_base.h"

#include <utility>

#include "net/sock_error.h"
#include "net/socket_calls.h"
#include "net/tls_context.h"
#include "net/tls_stream.h"

namespace pontavi {

const char* ToText(TSocketState state) {
    switch (state) {
        case TSocketState::ssClosed:
            return "ssClosed";
        case TSocketState::ssConnected:
            return "ssConnected";
        case TSocketState::ssClosing:
            return "ssClosing";
        case TSocketState::ssListening:
            return "ssListening";
    }
    return "?";
}

TSocketBase::TSocketBase(TSockCtrl& owner) : owner_(&owner), layer_(owner.Layer()) {}

TSocketBase::~TSocketBase() {
    releaseSystemSocket();
}

int TSocketBase::LocalPort() const {
    const auto local = sockcall::LocalName(fd_.get());
    if (!local.ok()) {
        RaiseSockError("Error %d (%s) calling getsockname", local.error);
    }
    return ntohs(local.value.sin_port);
}

// ---- notifications ----

void TSocketBase::ReadNotification() {
    if (owner_ != nullptr) {
        owner_->Raise(owner_->OnRead, this);
    }
}

void TSocketBase::WriteNotification() {
    if (owner_ != nullptr) {
        owner_->Raise(owner_->OnWrite, this);
    }
}

void TSocketBase::AcceptNotification() {
    if (owner_ != nullptr) {
        owner_->RaiseAccept(*this);
    }
}

void TSocketBase::ConnectNotification() {
    if (owner_ != nullptr) {
        owner_->RaiseConnect(*this);
    }
}

void TSocketBase::DisconnectNotification() {
    if (owner_ != nullptr) {
        owner_->Raise(owner_->OnDisconnect, this);
    }
}

void TSocketBase::TimeOutNotification() {
    if (owner_ != nullptr) {
        owner_->Raise(owner_->OnTimeOut, this);
    }
}

void TSocketBase::RejectNotification() {
    if (owner_ != nullptr) {
        owner_->RaiseReject(*this);
    }
}

// ---- opening ----

int TSocketBase::CreateSystemSocket(TAsyncOptions options) {
    releaseSystemSocket();
    auto created = sockcall::CreateStreamSocket();
    if (!created.ok()) {
        lastError_ = created.error;
        return created.error;
    }
    fd_ = std::move(created.value);
    options_ = options;
    watchSocket();
    return 0;
}

void TSocketBase::AttachAccepted(UniqueFd fd, TAsyncOptions options) {
    releaseSystemSocket();
    fd_ = std::move(fd);
    options_ = options;
    state_ = TSocketState::ssConnected;
    watchSocket();
    writableEventDue();
    updateWatch();
}

void TSocketBase::AttachListening(UniqueFd fd, TAsyncOptions options) {
    releaseSystemSocket();
    fd_ = std::move(fd);
    options_ = options;
    state_ = TSocketState::ssListening;
    watchSocket();
    updateWatch();
}

int TSocketBase::StartConnect(const sockaddr_in& address) {
    int err = sockcall::Connect(fd_.get(), address);
    if (err == sockcode::kConnectionRefused) {
        // A refusal seen at once is still reported the usual way, through the
        // connect-finished notification.
        immediateConnectError_ = err;
        err = sockcode::kWouldBlock;
    }
    if (err != 0 && err != sockcode::kWouldBlock) {
        lastError_ = err;
        return err;
    }
    lastError_ = 0;
    connecting_ = true;
    updateWatch();
    return 0;
}

void TSocketBase::StartListen(const sockaddr_in& address, int backlog) {
    if (const int err = sockcall::Bind(fd_.get(), address); err != 0) {
        lastError_ = err;
        RaiseSockError("Error %d (%s) Binding Socket", err);
    }
    if (const int err = sockcall::Listen(fd_.get(), backlog); err != 0) {
        lastError_ = err;
        RaiseSockError("Error %d (%s) listining", err);
    }
    lastError_ = 0;
    state_ = TSocketState::ssListening;
    updateWatch();
}

// ---- closing ----

void TSocketBase::Close() {
    if (!fd_ || !layer_.Started()) {
        return;
    }
    auto keep = shared_from_this();
    if (state_ == TSocketState::ssConnected) {
        state_ = TSocketState::ssClosing;
        if (owner_ != nullptr && owner_->OnRead) {
            try {
                deliverUnread();
            } catch (...) {
                finishClose();
                throw;
            }
        }
    }
    finishClose();
}

// Delivers what the system still holds. A handler that takes nothing would
// make "while bytes are unread" endless, so a pass that takes nothing ends it,
// and so does having taken as much as was waiting when Close began.
void TSocketBase::deliverUnread() {
    const std::size_t waiting = UnreadBytes();
    const std::size_t start = taken_;
    while (fd_ && state_ == TSocketState::ssClosing && taken_ - start < waiting) {
        const std::size_t before = taken_;
        ReadNotification();
        if (taken_ == before || !fd_ || UnreadBytes() == 0) {
            break;
        }
    }
}

void TSocketBase::finishClose() {
    if (!fd_) {
        return;  // a handler closed it meanwhile
    }
    if (tls_) {
        tls_->Shutdown();  // close_notify; the peer's is not waited for
    }
    releaseSystemSocket();
    state_ = TSocketState::ssClosed;
    if (owner_ != nullptr) {
        layer_.Disarm(*owner_);
        owner_->PostCloseNotice(weak_from_this());
    }
}

void TSocketBase::CloseSilently() {
    releaseSystemSocket();
    state_ = TSocketState::ssClosed;
}

void TSocketBase::DetachOwner() {
    CloseSilently();
    owner_ = nullptr;
}

void TSocketBase::releaseSystemSocket() {
    watch_.reset();
    watched_ = 0;
    queued_ = 0;
    connecting_ = false;
    immediateConnectError_ = 0;
    readPaused_ = false;
    writeWanted_ = false;
    closeSeen_ = false;
    tls_.reset();
    tlsOnConnect_ = nullptr;
    handshaking_ = false;
    startedTls_ = false;
    handshakeWants_ = 0;
    readWantsWrite_ = false;
    writeWantsRead_ = false;
    tlsClosed_ = false;
    fd_.reset();
}

// ---- readiness ----

void TSocketBase::watchSocket() {
    watched_ = 0;
    watch_ = layer_.Loop().watch(fd_.get(), 0, [this](unsigned events) { onReady(events); });
}

void TSocketBase::updateWatch() {
    if (!watch_) {
        return;
    }
    unsigned want = 0;
    if (layer_.Loop().quitting()) {
        // Readiness is ignored from now on; still watching it would make every
        // nested loop after quit() (a box at exit) spin on it.
    } else if (connecting_) {
        want = EventLoop::kWritable;
    } else if (handshaking_) {
        want = handshakeWants_;
    } else if (state_ == TSocketState::ssListening) {
        want = EventLoop::kReadable;
    } else if (state_ == TSocketState::ssConnected) {
        if (!readPaused_ && !closeSeen_) {
            want |= EventLoop::kReadable;
        }
        if (writeWanted_ && !writeWantsRead_) {
            want |= EventLoop::kWritable;
        }
        if (writeWantsRead_ && !closeSeen_) {
            want |= EventLoop::kReadable;
        }
        if (readWantsWrite_) {
            want |= EventLoop::kWritable;
        }
    }
    want &= ~queued_;
    if (want != watched_) {
        watched_ = want;
        watch_.setEvents(want);
    }
}

void TSocketBase::onReady(unsigned events) {
    if (layer_.Loop().quitting() || !fd_) {
        updateWatch();
        return;
    }
    if (layer_.MustDefer()) {
        // Stop watching what is queued, or level-triggered readiness would
        // report it again every turn until the queue is drained.
        queued_ |= events;
        layer_.Defer(weak_from_this(), events);
        updateWatch();
        return;
    }
    auto keep = shared_from_this();
    layer_.Guarded([&] { handleReady(events); });
    updateWatch();
    postPendingRead();
}

void TSocketBase::DeliverDeferred(unsigned events) {
    queued_ &= ~events;
    if (fd_ && owner_ != nullptr) {
        auto keep = shared_from_this();
        layer_.Guarded([&] { handleReady(events); });
    }
    updateWatch();
    postPendingRead();
}

void TSocketBase::handleReady(unsigned events) {
    if (events & kPeerClosedEvent) {
        if (fd_ && state_ == TSocketState::ssConnected && !closeSeen_) {
            closedNotification(sockcall::PendingError(fd_.get()));
        }
        return;
    }
    if (connecting_) {
        handleConnectFinished();
        return;
    }
    if (handshaking_) {
        advanceHandshake();
        return;
    }
    if (state_ == TSocketState::ssListening) {
        if ((events & EventLoop::kReadable) && owner_ != nullptr) {
            owner_->AcceptWaiting(*this);
        }
        return;
    }
    if (tls_) {
        if (events & EventLoop::kReadable) {
            handleTlsReadable();
        }
        if (fd_ && (events & EventLoop::kWritable) && readWantsWrite_) {
            readWantsWrite_ = false;
            handleTlsReadable();
        }
        if (fd_ && (events & EventLoop::kWritable)) {
            handleWritable();
        }
        return;
    }
    if (events & EventLoop::kReadable) {
        handleReadable();
    }
    if (fd_ && (events & EventLoop::kWritable)) {
        handleWritable();
    }
}

void TSocketBase::handleConnectFinished() {
    int err = std::exchange(immediateConnectError_, 0);
    if (err == 0) {
        err = sockcall::PendingError(fd_.get());
        if (err == 0 && !sockcall::HasPeer(fd_.get())) {
            return;  // not finished yet
        }
    }
    connecting_ = false;
    lastError_ = err;
    if (err == 0 && tlsOnConnect_ != nullptr) {
        // Connected, but OnConnect waits for the handshake.
        const TlsContext& context = *std::exchange(tlsOnConnect_, nullptr);
        try {
            tls_ = std::make_unique<TlsStream>(context, fd_.get(), tlsHost_);
        } catch (const ESockError& e) {
            tlsFailure_ = e.what();
            handshakeEnded(false);
            return;
        }
        beginHandshake();
        return;
    }
    if (err == 0) {
        state_ = TSocketState::ssConnected;
        writableEventDue();
    }
    updateWatch();
    if (owner_ != nullptr) {
        owner_->ConnectFinished(*this, err);
    }
}

void TSocketBase::handleReadable() {
    if (state_ != TSocketState::ssConnected || closeSeen_) {
        return;
    }
    const sockcall::IoResult peek = sockcall::PeekOne(fd_.get());
    if (peek.eof) {
        closedNotification(0);
        return;
    }
    if (peek.count == 0) {
        if (peek.error != sockcode::kWouldBlock) {
            closedNotification(peek.error);
        }
        return;
    }
    lastError_ = 0;
    const std::size_t before = taken_;
    struct PauseIfIdle {
        TSocketBase& self;
        std::size_t before;
        ~PauseIfIdle() {
            if (self.fd_ && self.taken_ == before) {
                self.pauseReading();
            }
        }
    } pauseIfIdle{*this, before};
    if (options_ & csoRead) {
        ReadNotification();
    }
}

void TSocketBase::handleWritable() {
    if (!writeWanted_ || state_ != TSocketState::ssConnected) {
        return;
    }
    writeWanted_ = false;
    lastError_ = 0;
    WriteNotification();
}

// No peer may hold the loop: the handshake's first step runs on a later
// turn, like every further step, once the socket allows it.
void TSocketBase::beginHandshake() {
    handshaking_ = true;
    handshakeWants_ = EventLoop::kWritable;
    updateWatch();
}

void TSocketBase::advanceHandshake() {
    const TlsStream::Result r = tls_->Handshake();
    if (r.want == TlsStream::Want::Read) {
        handshakeWants_ = EventLoop::kReadable;
    } else if (r.want == TlsStream::Want::Write) {
        handshakeWants_ = EventLoop::kWritable;
    } else {
        if (r.failed) {
            tlsFailure_ = tls_->ErrorText();
        } else if (r.closed) {
            tlsFailure_ = "connection closed by the server during the TLS handshake";
        }
        handshakeEnded(!r.failed && !r.closed);
        return;
    }
    updateWatch();
}

void TSocketBase::handshakeEnded(bool ok) {
    handshaking_ = false;
    handshakeWants_ = 0;
    if (!ok) {
        tlsClosed_ = true;
        if (tlsFailure_.empty()) {
            tlsFailure_ = "TLS handshake failed";
        }
    }
    lastError_ = ok ? 0 : sockcode::kConnectionAborted;
    if (std::exchange(startedTls_, false)) {
        if (owner_ != nullptr) {
            layer_.Disarm(*owner_);
        }
        updateWatch();
        if (OnHandshake) {
            auto handler = OnHandshake;  // a copy: the handler may reassign it
            handler(*this);
        }
        return;
    }
    if (ok) {
        state_ = TSocketState::ssConnected;
        writableEventDue();
    }
    updateWatch();
    if (owner_ != nullptr) {
        owner_->ConnectFinished(*this, lastError_);
    }
}

void TSocketBase::handleTlsReadable() {
    if (state_ != TSocketState::ssConnected || closeSeen_) {
        return;
    }
    writeWantsRead_ = false;  // a write that waited for data may go on
    if (tlsClosed_) {
        closedNotification(tlsFailure_.empty() ? 0 : sockcode::kConnectionAborted);
        return;
    }
    lastError_ = 0;
    const std::size_t before = taken_;
    if (options_ & csoRead) {
        ReadNotification();
    }
    if (fd_ && taken_ == before && !tlsClosed_) {
        pauseReading();
    }
}

// Decrypted bytes can wait inside the TLS session after a read took only
// part of a record, and the session's end can be known before the socket
// says so: no readiness announces either, so a read is posted for them.
void TSocketBase::postPendingRead() {
    if (!tls_ || handshaking_ || pendingReadPosted_ || !fd_ ||
        state_ != TSocketState::ssConnected || closeSeen_ || !(options_ & csoRead)) {
        return;
    }
    if (!tlsClosed_ && (readPaused_ || tls_->Pending() == 0)) {
        return;
    }
    pendingReadPosted_ = true;
    layer_.Loop().post([weak = weak_from_this()] {
        if (auto self = weak.lock()) {
            self->pendingReadPosted_ = false;
            self->onReady(EventLoop::kReadable);
        }
    });
}

void TSocketBase::UseTls(const TlsContext& context, const std::string& host) {
    tlsOnConnect_ = &context;
    tlsHost_ = host;
}

void TSocketBase::StartTls(const TlsContext& context, const std::string& host) {
    if (!fd_ || state_ != TSocketState::ssConnected || closeSeen_) {
        throw ESockError("Socket not open");
    }
    if (tls_) {
        throw ESockError("TLS already started");
    }
    tls_ = std::make_unique<TlsStream>(context, fd_.get(), host);
    startedTls_ = true;
    readPaused_ = false;  // what was held in clear is gone; the session reads afresh
    if (owner_ != nullptr) {
        layer_.Arm(*owner_);
    }
    beginHandshake();
}

bool TSocketBase::Encrypted() const {
    return tls_ && !handshaking_ && tls_->HandshakeDone() && tlsFailure_.empty();
}

sockcall::IoResult TSocketBase::ReceiveBytes(void* data, std::size_t count) {
    if (!tls_) {
        return sockcall::Recv(fd_.get(), data, count);
    }
    sockcall::IoResult r;
    r.error = sockcode::kWouldBlock;
    if (handshaking_ || tlsClosed_) {
        return r;
    }
    const std::size_t rawBefore = tls_->RawBytesRead();
    const TlsStream::Result t = tls_->Read(data, count);
    taken_ += tls_->RawBytesRead() - rawBefore;
    if (t.want == TlsStream::Want::Write) {
        readWantsWrite_ = true;
        updateWatch();
    }
    if (t.closed || t.failed) {
        tlsClosed_ = true;
        if (t.failed) {
            tlsFailure_ = tls_->ErrorText();
        }
    }
    if (t.count > 0) {
        r.count = t.count;
        r.error = 0;
    }
    return r;
}

sockcall::IoResult TSocketBase::SendBytes(const void* data, std::size_t count) {
    if (!tls_) {
        return sockcall::Send(fd_.get(), data, count);
    }
    sockcall::IoResult r;
    r.error = sockcode::kWouldBlock;
    if (handshaking_) {
        return r;  // held until the handshake is done
    }
    if (!tlsFailure_.empty()) {
        r.error = sockcode::kConnectionAborted;
        return r;
    }
    const TlsStream::Result t = tls_->Write(data, count);
    if (t.failed) {
        tlsClosed_ = true;
        tlsFailure_ = tls_->ErrorText();
        r.error = sockcode::kConnectionAborted;
        return r;
    }
    if (t.want == TlsStream::Want::Read) {
        writeWantsRead_ = true;
        updateWatch();
    }
    if (t.count > 0) {
        r.count = t.count;
        r.error = 0;
    }
    return r;
}

void TSocketBase::closedNotification(int error) {
    closeSeen_ = true;
    lastError_ = error;
    updateWatch();
    if (owner_ != nullptr) {
        owner_->PeerClosed(*this);
    }
}

void TSocketBase::pauseReading() {
    if (readPaused_) {
        return;
    }
    readPaused_ = true;
    updateWatch();
    layer_.WatchStalled(weak_from_this());
}

bool TSocketBase::CheckStalled() {
    if (!fd_ || !readPaused_ || closeSeen_ || state_ != TSocketState::ssConnected) {
        return false;
    }
    if (sockcall::PeerHasClosed(fd_.get())) {
        onReady(kPeerClosedEvent);
        return false;
    }
    return true;
}

void TSocketBase::DataTaken(std::size_t bytes) {
    taken_ += bytes;
    ResumeReading();
}

void TSocketBase::ResumeReading() {
    if (readPaused_) {
        readPaused_ = false;
        updateWatch();
        postPendingRead();
    }
}

// A new connection is writable at once: as with any write readiness, the
// write notification (flush, then OnWrite) follows on a later turn, after
// OnConnect or OnAccept. Only asked for when someone listens, so the Ident
// service pays nothing for it.
void TSocketBase::writableEventDue() {
    if (owner_ != nullptr && owner_->OnWrite) {
        WantWrite();
    }
}

void TSocketBase::WantWrite() {
    if (!writeWanted_ && (options_ & csoWrite)) {
        writeWanted_ = true;
        updateWatch();
    }
}

std::size_t TSocketBase::UnreadBytes() const {
    if (!fd_) {
        return 0;
    }
    const auto unread = sockcall::UnreadBytes(fd_.get());
    if (!unread.ok()) {
        RaiseSockError("Error %d (%s) getting # of bytes in Receive Buffer", unread.error);
    }
    return unread.value + (tls_ ? tls_->Pending() : 0);
}

}  // namespace pontavi
