#pragma once

#include <cstddef>
#include <cstdint>

#include "net/socket_buffer.h"
#include "net/stream_socket.h"

namespace pontavi {

// A stream connection with a read buffer that collects what arrives and a
// write buffer that collects what is to be sent (1024 bytes each at
// creation). The read notification fills the read buffer before OnRead; the
// write notification flushes before OnWrite. Recv and Send are not for
// buffered sockets. The buffers survive Close.
class TBufferedSocketBase : public TStreamSocket {
  public:
    explicit TBufferedSocketBase(TSockCtrl& owner);

    int ReadBufferSize() const { return static_cast<int>(read_.Size()); }
    void setReadBufferSize(std::int64_t size);
    int WriteBufferSize() const { return static_cast<int>(write_.Size()); }
    void setWriteBufferSize(std::int64_t size);
    int RecordSize() const { return recordSize_; }
    void setRecordSize(int size) { recordSize_ = size; }
    // Bytes held in each buffer.
    std::size_t ReadCount() const { return read_.Count(); }
    std::size_t WriteCount() const { return write_.Count(); }

    // Up to `count` bytes from the front of the read buffer.
    std::size_t Read(void* data, std::size_t count);
    // Exactly `count` bytes, or false (nothing taken) when fewer are held.
    // Raises "Cannot read block/record - size is zero." for 0.
    bool ReadBlock(void* data, std::size_t count);
    bool ReadRecord(void* data) { return ReadBlock(data, static_cast<std::size_t>(recordSize_)); }
    // Up to the free space; returns how much. More than WriteBufferSize
    // raises "Write buffer full, user did not flush".
    std::size_t Write(const void* data, std::size_t count);
    // All `count` bytes; more than the free space raises "Block size is
    // larger than buffer size.".
    bool WriteBlock(const void* data, std::size_t count);
    bool WriteRecord(const void* data) {
        return WriteBlock(data, static_cast<std::size_t>(recordSize_));
    }
    // Hands the write buffer to the system once; what it does not accept now
    // goes out at the next Flush or write notification. Returns bytes sent.
    std::size_t Flush();

    // Raise "Recv or Send cannot be called on a buffered socket.".
    std::size_t Recv(void* data, std::size_t count) override;
    std::size_t Send(const void* data, std::size_t count) override;

    void ReadNotification() override;
    void WriteNotification() override;
    // Also drops what the read buffer holds.
    void StartTls(const TlsContext& context, const std::string& host) override;

  protected:
    SocketBuffer& ReadBuffer() { return read_; }
    SocketBuffer& WriteBuffer() { return write_; }
    // Takes what arrived into the read buffer.
    virtual void FillReadBuffer();
    // The read buffer became full.
    virtual void ReadBufferFull();
    // One receive into the free part of the read buffer; the bytes received.
    std::size_t ReceiveInto(char* room, std::size_t size);
    // Room was made in the read buffer: reading may go on.
    void ReadBufferFreed();

  private:
    SocketBuffer read_;
    SocketBuffer write_;
    int recordSize_ = 16;
};

}  // namespace pontavi
