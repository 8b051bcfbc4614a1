// TLS under the line sockets on a real-clock loop over loopback, both ends in
// one loop: a connect with its handshake and certificate check (what a POP3S
// session adds once per mailbox), and a line echo (what it adds per command).
// The certificate chain is made once with the openssl command line.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "net/client_socket.h"
#include "net/line_socket.h"
#include "net/server_socket.h"
#include "net/socket_layer.h"
#include "net/system_resolver.h"
#include "net/tls_context.h"
#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

struct Chain {
    std::string dir, ca, cert, key;
    bool ok = false;
    Chain() {
        char name[] = "/tmp/pontavi-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            return;
        }
        dir = name;
        ca = dir + "/ca.pem";
        cert = dir + "/server.pem";
        key = dir + "/server.key";
        std::ofstream(dir + "/san.ext") << "subjectAltName=IP:127.0.0.1\n";
        const std::string k = " -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes";
        ok = run("openssl req -x509" + k + " -keyout " + dir + "/ca.key -out " + ca +
                 " -days 1 -subj /CN=bench-ca") &&
             run("openssl req" + k + " -keyout " + key + " -out " + dir +
                 "/s.csr -subj /CN=127.0.0.1") &&
             run("openssl x509 -req -in " + dir + "/s.csr -CA " + ca + " -CAkey " + dir +
                 "/ca.key -CAcreateserial -days 1 -extfile " + dir + "/san.ext -out " + cert);
    }
    ~Chain() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    static bool run(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
};

const Chain& TheChain() {
    static const Chain chain;
    return chain;
}

// A loopback line server that starts TLS on each connection (or not) and
// echoes every line.
struct Rig {
    PollLoop loop{PollLoop::ClockKind::Real};
    SystemResolver resolver{loop};
    SocketLayer layer{loop, resolver};
    TServerSocket server{layer};
    TlsContext serverTls = TlsContext::ForServers(TheChain().cert, TheChain().key);
    TlsContext clientTls = TlsContext::ForClients(TheChain().ca);

    explicit Rig(bool tls) {
        server.OnAccept = [this, tls](TSockCtrl&, TSocketBase* socket) {
            auto* line = dynamic_cast<TLineSocket*>(socket);
            line->setReadBufferSize(8192);
            line->setWriteBufferSize(8192);
            line->OnLine = [](TLineSocketBase& s, const std::string& text, bool) {
                s.SendLine(text);
                s.Flush();
            };
            if (tls) {
                line->StartTls(serverTls, "");
            }
        };
        server.OnDisconnect = [](TSockCtrl&, TSocketBase* s) { s->Close(); };
        server.setAddress("127.0.0.1");
        server.setPort("0");
        server.Listen<TLineSocket>();
    }

    // Opens a client connection and waits for OnConnect; false when it failed.
    bool connect(TClientSocket& client, bool tls) {
        bool done = false;
        client.OnConnect = [&](TSockCtrl&, TSocketBase*) { done = true; };
        client.setAddress("127.0.0.1");
        client.setPort(std::to_string(server.LocalPort()));
        client.Open<TLineSocket>();
        if (tls) {
            client.Connection()->UseTls(clientTls, "127.0.0.1");
        }
        while (!done) {
            loop.processOne();
        }
        return client.Connection()->Connected();
    }
};

void BM_Connect(benchmark::State& state) {
    const bool tls = state.range(0) != 0;
    if (!TheChain().ok) {
        state.SkipWithError("openssl could not make the certificates");
        return;
    }
    Rig rig(tls);
    for (auto _ : state) {
        TClientSocket client(rig.layer);
        if (!rig.connect(client, tls)) {
            state.SkipWithError("connect failed");
            return;
        }
        client.Close();
        rig.loop.processOne();
    }
    state.SetLabel(tls ? "TLS handshake" : "clear text");
}
BENCHMARK(BM_Connect)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LineEcho(benchmark::State& state) {
    const bool tls = state.range(0) != 0;
    if (!TheChain().ok) {
        state.SkipWithError("openssl could not make the certificates");
        return;
    }
    Rig rig(tls);
    TClientSocket client(rig.layer);
    if (!rig.connect(client, tls)) {
        state.SkipWithError("connect failed");
        return;
    }
    auto* conn = client.ConnectionAs<TLineSocket>();
    conn->setReadBufferSize(8192);
    conn->setWriteBufferSize(8192);
    long echoed = 0;
    conn->OnLine = [&](TLineSocketBase&, const std::string&, bool) { ++echoed; };
    for (auto _ : state) {
        const long target = echoed + 1;
        conn->SendLine("top 1 0");
        conn->Flush();
        while (echoed < target) {
            rig.loop.processOne();
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(tls ? "TLS" : "clear text");
}
BENCHMARK(BM_LineEcho)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace pontavi

BENCHMARK_MAIN();
