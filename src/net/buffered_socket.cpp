#include "net/buffered_socket.h"

#include "net/sock_error.h"
#include "net/socket_calls.h"

namespace pontavi {

namespace {

constexpr std::int64_t kDefaultBufferSize = 1024;

}  // namespace

TBufferedSocketBase::TBufferedSocketBase(TSockCtrl& owner)
    : TStreamSocket(owner), read_(kDefaultBufferSize), write_(kDefaultBufferSize) {}

void TBufferedSocketBase::setReadBufferSize(std::int64_t size) {
    if (read_.Resize(size)) {
        ReadBufferFreed();
    }
}

void TBufferedSocketBase::setWriteBufferSize(std::int64_t size) {
    write_.Resize(size);
}

std::size_t TBufferedSocketBase::Read(void* data, std::size_t count) {
    const std::size_t n = read_.Take(data, count);
    if (n > 0) {
        ReadBufferFreed();
    }
    return n;
}

bool TBufferedSocketBase::ReadBlock(void* data, std::size_t count) {
    if (count == 0) {
        throw EBufferedSocketException("Cannot read block/record - size is zero.");
    }
    if (read_.Count() < count) {
        return false;
    }
    Read(data, count);
    return true;
}

std::size_t TBufferedSocketBase::Write(const void* data, std::size_t count) {
    if (count > write_.Size()) {
        throw EBufferedSocketException("Write buffer full, user did not flush");
    }
    return write_.Append(data, count);
}

bool TBufferedSocketBase::WriteBlock(const void* data, std::size_t count) {
    if (count > write_.Free()) {
        throw EBufferedSocketException("Block size is larger than buffer size.");
    }
    write_.Append(data, count);
    return true;
}

std::size_t TBufferedSocketBase::Flush() {
    if (write_.Count() == 0 || !Connected()) {
        return 0;
    }
    const std::string_view held = write_.Held();
    const sockcall::IoResult r = SendBytes(held.data(), held.size());
    if (r.error != 0 && r.error != sockcode::kWouldBlock) {
        setLastError(r.error);
        RaiseSockError("Error %d (%s) sending", r.error);
    }
    setLastError(0);
    write_.PullUp(r.count);
    if (write_.Count() > 0) {
        WantWrite();
    }
    return r.count;
}

std::size_t TBufferedSocketBase::Recv(void*, std::size_t) {
    throw EBufferedSocketException("Recv or Send cannot be called on a buffered socket.");
}

std::size_t TBufferedSocketBase::Send(const void*, std::size_t) {
    throw EBufferedSocketException("Recv or Send cannot be called on a buffered socket.");
}

void TBufferedSocketBase::ReadNotification() {
    FillReadBuffer();
    TSocketBase::ReadNotification();
}

void TBufferedSocketBase::WriteNotification() {
    Flush();
    TSocketBase::WriteNotification();
}

void TBufferedSocketBase::FillReadBuffer() {
    const std::size_t room = read_.Free();
    if (room == 0) {
        return;
    }
    const std::size_t n = ReceiveInto(read_.Room(), room);
    read_.Commit(n);
    if (n > 0 && read_.Full()) {
        ReadBufferFull();
    }
}

void TBufferedSocketBase::ReadBufferFull() {
    throw EBufferedSocketException("Read buffer full, user did not flush");
}

std::size_t TBufferedSocketBase::ReceiveInto(char* room, std::size_t size) {
    if (!HasSocket()) {
        return 0;
    }
    const sockcall::IoResult r = ReceiveBytes(room, size);
    if (r.error != 0 && r.error != sockcode::kWouldBlock) {
        setLastError(r.error);
        RaiseSockError("Error %d (%s) recieving", r.error);
    }
    if (r.count > 0) {
        DataTaken(r.count);
    }
    return r.count;
}

void TBufferedSocketBase::StartTls(const TlsContext& context, const std::string& host) {
    // What came in clear before the handshake is not the server's word on
    // the protected dialogue (RFC 2595): it is dropped, never read as such.
    read_.PullUp(read_.Count());
    TStreamSocket::StartTls(context, host);
}

void TBufferedSocketBase::ReadBufferFreed() {
    ResumeReading();
}

}  // namespace pontavi
