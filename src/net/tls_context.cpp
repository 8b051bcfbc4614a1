#include "net/tls_context.h"

#include <openssl/err.h>
#include <openssl/ssl.h>

#include "net/sock_error.h"

namespace pontavi {

void SslCtxFree::operator()(ssl_ctx_st* ctx) const {
    SSL_CTX_free(ctx);
}

std::string TlsErrorText(const std::string& fallback) {
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0) {
        return fallback;
    }
    if (const char* reason = ERR_reason_error_string(code); reason != nullptr) {
        return reason;
    }
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    return text;
}

namespace {

std::unique_ptr<ssl_ctx_st, SslCtxFree> NewContext(bool server) {
    ERR_clear_error();
    std::unique_ptr<ssl_ctx_st, SslCtxFree> ctx(
        SSL_CTX_new(server ? TLS_server_method() : TLS_client_method()));
    if (!ctx) {
        throw ESockError("TLS setup failed: " + TlsErrorText("no TLS context"));
    }
    SSL_CTX_set_min_proto_version(ctx.get(), TLS1_2_VERSION);
    // Writes go through the connection's write buffer, which moves its bytes
    // up after each partial write; renegotiation is never needed.
    SSL_CTX_set_mode(ctx.get(),
                     SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_options(ctx.get(), SSL_OP_NO_RENEGOTIATION);
    return ctx;
}

}  // namespace

TlsContext TlsContext::ForClients(const std::string& extraCaFile) {
    auto ctx = NewContext(false);
    if (SSL_CTX_set_default_verify_paths(ctx.get()) != 1) {
        throw ESockError("TLS setup failed: " + TlsErrorText("cannot load the system CA store"));
    }
    if (!extraCaFile.empty() &&
        SSL_CTX_load_verify_locations(ctx.get(), extraCaFile.c_str(), nullptr) != 1) {
        throw ESockError("TLS setup failed: " + TlsErrorText("cannot load " + extraCaFile));
    }
    SSL_CTX_set_verify(ctx.get(), SSL_VERIFY_PEER, nullptr);
    ERR_clear_error();
    return TlsContext(std::move(ctx), false);
}

TlsContext TlsContext::ForServers(const std::string& chainFile, const std::string& keyFile) {
    auto ctx = NewContext(true);
    if (SSL_CTX_use_certificate_chain_file(ctx.get(), chainFile.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(ctx.get(), keyFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_check_private_key(ctx.get()) != 1) {
        throw ESockError("TLS setup failed: " + TlsErrorText("bad certificate or key"));
    }
    ERR_clear_error();
    return TlsContext(std::move(ctx), true);
}

const TlsContext& LazyTlsContext::Get() {
    if (!context_) {
        context_.emplace(TlsContext::ForClients(extraCaFile_));
    }
    return *context_;
}

}  // namespace pontavi
