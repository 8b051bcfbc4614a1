// A POP3 server that says arbitrary things: the input, cut at NUL bytes, is
// the server's greeting and then one reply per command it receives; the first
// byte chooses whether it closes or falls silent when its replies run out, and
// whether the first mailbox asks for STARTTLS (so the replies meet the CAPA
// and STLS steps, and a handshake with a server that speaks no TLS), and
// whether the session keeps a header cache (so they meet CAPA, UIDL and LIST
// after the login, pipelined TOPs, and a second cycle that uses the cache),
// and whether the first mailbox's password holds a CR LF and a second command.
// The session never crashes or hangs, every cycle completes exactly once,
// every error entry names the mailbox, the grid stays within its cap, every
// command the server receives is one line (no CR or NUL; never "dele"), and
// every row the session began is finished with its mailbox's name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "controls/status_bar.h"
#include "controls/string_grid.h"
#include "controls/tray_icon.h"
#include "mail/pop3_session.h"
#include "mail/uidl_cache.h"
#include "net/line_socket.h"
#include "net/server_socket.h"
#include "net/socket_layer.h"
#include "net/system_resolver.h"
#include "platform/linux/poll_loop.h"

namespace {

using namespace pontavi;

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

void send(TLineSocketBase& c, const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size() && c.Connected()) {
        const std::size_t n = c.Write(bytes.data() + at, bytes.size() - at);
        c.Flush();
        if (n == 0) {
            break;
        }
        at += n;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool closeAtEnd = (data[0] & 1) != 0;
    const bool startTls = (data[0] & 2) != 0;
    const bool cached = (data[0] & 4) != 0;
    const bool smuggler = (data[0] & 8) != 0;
    std::vector<std::string> replies(1);
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0) {
            replies.emplace_back();
        } else {
            replies.back().push_back(static_cast<char>(data[i]));
        }
    }

    PollLoop loop(PollLoop::ClockKind::Virtual);
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    layer.OnHandlerError = [](const std::string&) {};
    std::size_t next = 0;
    TServerSocket server(layer);
    auto reply = [&](TLineSocketBase& c) {
        if (next < replies.size()) {
            send(c, replies[next++]);
        } else if (closeAtEnd) {
            c.Close();
        }
    };
    int accepted = 0;
    server.OnAccept = [&](TSockCtrl&, TSocketBase* socket) {
        auto* c = dynamic_cast<TLineSocketBase*>(socket);
        c->setWriteBufferSize(1 << 20);
        // The first connection is the STARTTLS mailbox's, unless its
        // password keeps it from connecting at all.
        const bool upgradeOnly = startTls && !smuggler && ++accepted == 1;
        // After "STLS" the client's bytes are a TLS handshake, not commands.
        auto handshake = std::make_shared<bool>(false);
        c->OnLine = [&, upgradeOnly, handshake](TLineSocketBase& conn, const std::string& line,
                                                bool) {
            check(*handshake || (IsSingleLine(line) && line.rfind("dele", 0) != 0));
            *handshake = *handshake || line == "STLS";
            // This server speaks no TLS, so the STARTTLS mailbox's login
            // must never reach it.
            check(!upgradeOnly || (line.rfind("user ", 0) != 0 && line.rfind("pass ", 0) != 0));
            reply(conn);
        };
        reply(*c);
    };
    server.setAddress("127.0.0.1");
    server.setPort("0");
    server.Listen<TLineSocket>();

    StringGrid grid("StringGrid1", 3, 2);
    TrayIcon tray("TrayIcon1");
    StatusBar status("MailStatus", {{"", 220}, {"", 120}});
    SeenMessageIdList seen;
    std::vector<std::string> errors;
    Pop3Limits limits;
    limits.port = std::to_string(server.LocalPort());
    limits.maxListedMessages = 20;
    limits.bytesWithoutProgress = 64 * 1024;
    // One client context for the whole run, as in the program.
    static LazyTlsContext tls;
    UidlHeaderCache cache(16 * 1024);
    Pop3Session session(layer, {grid, tray, status, seen, errors, cached ? &cache : nullptr},
                        limits, &tls);
    int completions = 0;
    session.OnCycleComplete = [&] { ++completions; };
    MailServerRecord box{"Box", "127.0.0.1", "u", smuggler ? "p\r\ndele 1" : "p"};
    if (startTls) {
        box.Security = MailSecurity::StartTls;
    }
    const int cycles = cached ? 2 : 1;
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        session.CurrentServer = 0;
        grid.setRowCount(0);
        grid.setRowCount(2);
        session.ResetCycle({box, {"Two", "127.0.0.1", "v", "q"}});
        session.CheckMail();
        check(loop.runUntil([&] { return completions == cycle; }, 3'600'000));
        loop.runFor(1000);
        check(completions == cycle);
        check(!session.Running());
        for (const auto& e : errors) {
            check(e.size() > 4 && (e.ends_with("@Box") || e.ends_with("@Two")));
        }
        check(grid.RowCount() <= 20 + 1);
        for (std::int64_t row = 1; row < session.MessageRow; ++row) {
            const std::string& name = grid.Cell(2, static_cast<int>(row));
            check(name == "Box" || name == "Two");
        }
        check(cache.Size(box) <= 20);
    }
    return 0;
}
