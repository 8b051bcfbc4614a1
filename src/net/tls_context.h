#pragma once

#include <memory>
#include <optional>
#include <string>

struct ssl_ctx_st;

namespace pontavi {

struct SslCtxFree {
    void operator()(ssl_ctx_st* ctx) const;
};

// A TLS configuration (OpenSSL's SSL_CTX) shared by the connections made
// with it. Movable, not copyable. Raises ESockError when it cannot be made.
class TlsContext {
  public:
    // For clients: TLS 1.2 at least, the peer's certificate required and
    // checked against the system's CA store (OpenSSL honours SSL_CERT_FILE
    // and SSL_CERT_DIR), plus the PEM file `extraCaFile` when given.
    static TlsContext ForClients(const std::string& extraCaFile = {});
    // For servers (test peers): a PEM certificate chain and its key.
    static TlsContext ForServers(const std::string& chainFile, const std::string& keyFile);

    ssl_ctx_st* Get() const { return ctx_.get(); }
    bool IsServer() const { return server_; }

  private:
    TlsContext(std::unique_ptr<ssl_ctx_st, SslCtxFree> ctx, bool server)
        : ctx_(std::move(ctx)), server_(server) {}

    std::unique_ptr<ssl_ctx_st, SslCtxFree> ctx_;
    bool server_;
};

// The client context of one program run, made on first use: a program whose
// mailboxes all talk in clear text never loads the CA store.
class LazyTlsContext {
  public:
    explicit LazyTlsContext(std::string extraCaFile = {}) : extraCaFile_(std::move(extraCaFile)) {}

    // Raises ESockError when the context cannot be made (tried again next time).
    const TlsContext& Get();

  private:
    std::string extraCaFile_;
    std::optional<TlsContext> context_;
};

// The text of the oldest error in OpenSSL's queue of this thread (its reason,
// e.g. "unexpected eof while reading"), or `fallback` when it is empty. Empties
// the queue.
std::string TlsErrorText(const std::string& fallback);

}  // namespace pontavi
