#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "net/tls_context.h"

struct ssl_st;
struct bio_method_st;

namespace pontavi {

struct SslFree {
    void operator()(ssl_st* ssl) const;
};
struct BioMethodFree {
    void operator()(bio_method_st* method) const;
};

// One TLS session over a non-blocking socket the caller owns and watches.
// Nothing here blocks or waits: every call does what the socket allows now
// and says what it waits for. The bytes move through the socket layer's own
// calls, so a peer that has gone never raises SIGPIPE. Loop thread only.
class TlsStream {
  public:
    // What a call is waiting for before it can go on.
    enum class Want { Nothing, Read, Write };

    struct Result {
        std::size_t count = 0;  // bytes moved
        Want want = Want::Nothing;
        bool closed = false;  // the peer ended the session (close_notify or end of stream)
        bool failed = false;  // a fatal error; ErrorText() says which
    };

    // Client streams check the certificate against `host` (a dotted or IPv6
    // address as an address, anything else as a DNS name, also sent as SNI).
    // Raises ESockError when the session cannot be set up.
    TlsStream(const TlsContext& context, int fd, const std::string& host);
    ~TlsStream();
    TlsStream(const TlsStream&) = delete;
    TlsStream& operator=(const TlsStream&) = delete;

    // One step of the handshake: count 0; want says what it waits for; failed
    // with ErrorText() when it cannot succeed.
    Result Handshake();
    bool HandshakeDone() const { return done_; }
    // Decrypted bytes; want Read when none are ready yet.
    Result Read(void* data, std::size_t size);
    // Bytes accepted; want Write (or Read) when none could go now.
    Result Write(const void* data, std::size_t size);
    // Sends close_notify once, without waiting for the peer's.
    void Shutdown();
    // Decrypted bytes held inside the session that no readiness announces.
    std::size_t Pending() const;
    // Bytes taken from the socket so far (records, whole or in part).
    std::size_t RawBytesRead() const { return raw_.read; }
    // Why the handshake or the session failed, in words: "certificate verify
    // failed: self-signed certificate", "connection closed by the server
    // during the TLS handshake", OpenSSL's reason otherwise.
    const std::string& ErrorText() const { return error_; }

    // The socket under a session (used by its BIO).
    struct Raw {
        int fd = -1;
        std::size_t read = 0;
        int error = 0;  // socket layer code of the last failed transfer
        bool eof = false;
    };

  private:
    Result outcome(int ret, std::size_t count);
    std::string failureText(int sslError);

    Raw raw_;
    std::unique_ptr<bio_method_st, BioMethodFree> method_;
    std::unique_ptr<ssl_st, SslFree> ssl_;
    bool done_ = false;
    bool failed_ = false;
    bool shutdownSent_ = false;
    std::string error_;
};

}  // namespace pontavi
