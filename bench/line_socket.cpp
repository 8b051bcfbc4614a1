// Line framing on plain bytes, and a line echo over loopback through a
// TServerSocket/TClientSocket pair of line sockets on a real-clock loop (the
// server answers each line with SendLine and Flush, as the Ident responder does).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "net/client_socket.h"
#include "net/line_framer.h"
#include "net/line_socket.h"
#include "net/server_socket.h"
#include "net/socket_layer.h"
#include "net/system_resolver.h"
#include "platform/linux/poll_loop.h"

namespace pontavi {
namespace {

void BM_LineFraming(benchmark::State& state) {
    std::string text;
    while (text.size() < 64 * 1024) {
        text += std::string(78, 'x') + "\r\n";  // 80-byte lines
    }
    SocketBuffer buffer(8192);
    LineFramer framer(buffer);
    std::size_t lines = 0;
    for (auto _ : state) {
        std::size_t at = 0;
        // One fill per read notification, as the socket runs it.
        while (at < text.size()) {
            framer.Fill(
                [&](char* room, std::size_t n) {
                    const std::size_t take = std::min(n, text.size() - at);
                    std::memcpy(room, text.data() + at, take);
                    at += take;
                    return take;
                },
                [&](const std::string& line, bool) {
                    benchmark::DoNotOptimize(line.data());
                    ++lines;
                });
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["lines"] =
        benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LineFraming);

// Each iteration sends a batch of short lines and waits for all their echoes.
void BM_LoopbackLineEcho(benchmark::State& state) {
    const int batch = static_cast<int>(state.range(0));
    PollLoop loop(PollLoop::ClockKind::Real);
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    TServerSocket server(layer);
    server.OnAccept = [](TSockCtrl&, TSocketBase* socket) {
        auto* line = dynamic_cast<TLineSocket*>(socket);
        line->setReadBufferSize(8192);
        line->setWriteBufferSize(8192);
        line->OnLine = [](TLineSocketBase& s, const std::string& text, bool) {
            s.SendLine(text);
            s.Flush();
        };
    };
    server.setAddress("127.0.0.1");
    server.setPort("0");
    server.Listen<TLineSocket>();

    TClientSocket client(layer);
    client.setAddress("127.0.0.1");
    client.setPort(std::to_string(server.LocalPort()));
    client.Open<TLineSocket>();
    auto* conn = client.ConnectionAs<TLineSocket>();
    conn->setReadBufferSize(8192);
    conn->setWriteBufferSize(8192);
    long echoed = 0;
    conn->OnLine = [&](TLineSocketBase&, const std::string&, bool) { ++echoed; };
    if (!loop.runUntil([&] { return conn->Connected() && server.Connections().Count() == 1; },
                       5000)) {
        state.SkipWithError("no loopback connection");
        return;
    }
    const std::string query = "6191, 23";
    for (auto _ : state) {
        const long target = echoed + batch;
        for (int i = 0; i < batch; ++i) {
            conn->SendLine(query);
        }
        conn->Flush();
        while (echoed < target) {
            loop.processOne();
        }
    }
    state.SetItemsProcessed(state.iterations() * batch);
}
BENCHMARK(BM_LoopbackLineEcho)->Arg(1)->Arg(16)->Arg(256);

}  // namespace
}  // namespace pontavi

BENCHMARK_MAIN();
