#include "net/tls_stream.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <climits>

#include "net/sock_error.h"
#include "net/socket_calls.h"

namespace pontavi {

void SslFree::operator()(ssl_st* ssl) const {
    SSL_free(ssl);
}

void BioMethodFree::operator()(bio_method_st* method) const {
    BIO_meth_free(method);
}

namespace {

TlsStream::Raw& RawOf(BIO* bio) {
    return *static_cast<TlsStream::Raw*>(BIO_get_data(bio));
}

int BioWrite(BIO* bio, const char* data, int size) {
    BIO_clear_retry_flags(bio);
    TlsStream::Raw& raw = RawOf(bio);
    const sockcall::IoResult r =
        sockcall::Send(raw.fd, data, static_cast<std::size_t>(size < 0 ? 0 : size));
    if (r.error == sockcode::kWouldBlock) {
        BIO_set_retry_write(bio);
        return -1;
    }
    if (r.error != 0) {
        raw.error = r.error;
        return -1;
    }
    return static_cast<int>(r.count);
}

int BioRead(BIO* bio, char* data, int size) {
    BIO_clear_retry_flags(bio);
    TlsStream::Raw& raw = RawOf(bio);
    const sockcall::IoResult r =
        sockcall::Recv(raw.fd, data, static_cast<std::size_t>(size < 0 ? 0 : size));
    if (r.eof) {
        raw.eof = true;
        return 0;
    }
    if (r.error == sockcode::kWouldBlock) {
        BIO_set_retry_read(bio);
        return -1;
    }
    if (r.error != 0) {
        raw.error = r.error;
        return -1;
    }
    raw.read += r.count;
    return static_cast<int>(r.count);
}

long BioCtrl(BIO*, int cmd, long, void*) {
    // Writes are not held back, so there is never anything to flush.
    return cmd == BIO_CTRL_FLUSH ? 1 : 0;
}

int BioCreate(BIO* bio) {
    BIO_set_init(bio, 1);
    return 1;
}

bool IsAddress(const std::string& host) {
    unsigned char buffer[16];
    return inet_pton(AF_INET, host.c_str(), buffer) == 1 ||
           inet_pton(AF_INET6, host.c_str(), buffer) == 1;
}

}  // namespace

TlsStream::TlsStream(const TlsContext& context, int fd, const std::string& host) {
    raw_.fd = fd;
    ERR_clear_error();
    // One fixed type for every stream: BIO_get_new_index would use up
    // OpenSSL's few type numbers after a hundred connections.
    method_.reset(BIO_meth_new((BIO_TYPE_START + 1) | BIO_TYPE_SOURCE_SINK, "pontavi socket"));
    if (!method_ || BIO_meth_set_write(method_.get(), BioWrite) != 1 ||
        BIO_meth_set_read(method_.get(), BioRead) != 1 ||
        BIO_meth_set_ctrl(method_.get(), BioCtrl) != 1 ||
        BIO_meth_set_create(method_.get(), BioCreate) != 1) {
        throw ESockError("TLS setup failed: " + TlsErrorText("no BIO"));
    }
    ssl_.reset(SSL_new(context.Get()));
    BIO* bio = BIO_new(method_.get());
    if (!ssl_ || bio == nullptr) {
        BIO_free(bio);
        throw ESockError("TLS setup failed: " + TlsErrorText("no TLS session"));
    }
    BIO_set_data(bio, &raw_);
    SSL_set_bio(ssl_.get(), bio, bio);  // the session owns the BIO from here
    if (context.IsServer()) {
        SSL_set_accept_state(ssl_.get());
        return;
    }
    SSL_set_connect_state(ssl_.get());
    bool named = false;
    if (IsAddress(host)) {
        named = X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), host.c_str()) == 1;
    } else if (!host.empty()) {
        named = SSL_set_tlsext_host_name(ssl_.get(), host.c_str()) == 1 &&
                SSL_set1_host(ssl_.get(), host.c_str()) == 1;
    }
    if (!named) {
        throw ESockError("TLS setup failed: cannot check a certificate against \"" + host + "\"");
    }
}

TlsStream::~TlsStream() = default;

std::string TlsStream::failureText(int sslError) {
    const long verify = SSL_get_verify_result(ssl_.get());
    if (verify != X509_V_OK) {
        ERR_clear_error();
        return std::string("certificate verify failed: ") + X509_verify_cert_error_string(verify);
    }
    if (raw_.eof && !done_) {
        ERR_clear_error();
        return "connection closed by the server during the TLS handshake";
    }
    if (raw_.error != 0) {
        ERR_clear_error();
        return SockErrorText(raw_.error);
    }
    return TlsErrorText(sslError == SSL_ERROR_SYSCALL ? "connection lost" : "TLS failure");
}

TlsStream::Result TlsStream::outcome(int ret, std::size_t count) {
    Result r;
    if (ret == 1) {
        r.count = count;
        return r;
    }
    const int err = SSL_get_error(ssl_.get(), ret);
    switch (err) {
        case SSL_ERROR_WANT_READ:
            r.want = Want::Read;
            return r;
        case SSL_ERROR_WANT_WRITE:
            r.want = Want::Write;
            return r;
        case SSL_ERROR_ZERO_RETURN:
            r.closed = true;
            return r;
        default:
            break;
    }
    if (done_ && raw_.eof && raw_.error == 0) {
        // The peer closed without close_notify after the handshake: for a
        // dialogue that ends itself (QUIT) this is an ordinary end.
        ERR_clear_error();
        r.closed = true;
        return r;
    }
    failed_ = true;
    r.failed = true;
    error_ = failureText(err);
    return r;
}

TlsStream::Result TlsStream::Handshake() {
    if (failed_) {
        return Result{0, Want::Nothing, false, true};
    }
    ERR_clear_error();
    const int ret = SSL_do_handshake(ssl_.get());
    if (ret == 1) {
        done_ = true;
    }
    return outcome(ret, 0);
}

TlsStream::Result TlsStream::Read(void* data, std::size_t size) {
    if (failed_) {
        return Result{0, Want::Nothing, false, true};
    }
    ERR_clear_error();
    std::size_t n = 0;
    const int ret = SSL_read_ex(ssl_.get(), data, size, &n);
    return outcome(ret, n);
}

TlsStream::Result TlsStream::Write(const void* data, std::size_t size) {
    if (failed_) {
        return Result{0, Want::Nothing, false, true};
    }
    if (size == 0) {
        return {};
    }
    ERR_clear_error();
    std::size_t n = 0;
    const int ret = SSL_write_ex(ssl_.get(), data, size, &n);
    return outcome(ret, n);
}

void TlsStream::Shutdown() {
    if (failed_ || !done_ || shutdownSent_) {
        return;
    }
    shutdownSent_ = true;
    ERR_clear_error();
    SSL_shutdown(ssl_.get());
    ERR_clear_error();
}

std::size_t TlsStream::Pending() const {
    const int n = SSL_pending(ssl_.get());
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

}  // namespace pontavi
