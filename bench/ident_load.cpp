// Ident load generator: keeps N connections busy against an Ident server, one
// outstanding query per connection, and reports throughput and latency.
//
// Modes: "persistent" asks every query on long-lived connections (latency:
// query to reply); "reconnect" opens a connection per query and closes it after
// the reply, as real Ident clients do (latency: connect to reply); "junk"
// opens connections that send 1500 bytes without a line end and close, and
// counts each as done once its bytes are out (latency: connect to done).
//
// It does not use the benchmark library's registry: the figure of interest is
// the whole request/response pipeline of a real server process, measured from
// the outside with plain sockets. The last output line is machine-readable.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"

namespace pontavi {
namespace {

using Clock = std::chrono::steady_clock;

enum class Mode { Persistent, Reconnect, Junk };
constexpr std::size_t kJunkBytes = 1500;

struct Options {
    std::string host = "127.0.0.1";
    uint16_t port = 113;
    int connections = 16;
    long queries = 200000;
    // %l and %r stand for this connection's local and remote port, so a
    // server that looks up real owners can find the tool's own socket.
    std::string query = "6191, 23";
    double timeLimitSeconds = 60.0;
    Mode mode = Mode::Persistent;
};

const char* modeName(Mode m) {
    switch (m) {
        case Mode::Persistent:
            return "persistent";
        case Mode::Reconnect:
            return "reconnect";
        case Mode::Junk:
            return "junk";
    }
    return "?";
}

void printUsage(const char* argv0) {
    std::fprintf(stderr,
                 "usage: %s [--host ADDR] [--port N] [--connections N] [--queries N]\n"
                 "          [--query TEXT] [--time-limit SECONDS]\n"
                 "          [--mode persistent|reconnect|junk]\n"
                 "  TEXT may hold %%l and %%r: the connection's local and remote port.\n"
                 "  Defaults: 127.0.0.1, 113, 16, 200000, \"6191, 23\", 60.\n",
                 argv0);
}

std::optional<long> parseLong(const char* text, long lo, long hi) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < lo || v > hi) {
        return std::nullopt;
    }
    return v;
}

bool applyOption(Options& o, std::string_view name, const char* value) {
    if (name == "--host") {
        o.host = value;
        return true;
    }
    if (name == "--query") {
        o.query = value;
        return true;
    }
    if (name == "--mode") {
        for (Mode m : {Mode::Persistent, Mode::Reconnect, Mode::Junk}) {
            if (std::string_view(value) == modeName(m)) {
                o.mode = m;
                return true;
            }
        }
        return false;
    }
    if (name == "--time-limit") {
        char* end = nullptr;
        o.timeLimitSeconds = std::strtod(value, &end);
        return end != value && *end == '\0' && o.timeLimitSeconds > 0;
    }
    const bool isPort = name == "--port";
    const bool isConns = name == "--connections";
    const bool isQueries = name == "--queries";
    if (!isPort && !isConns && !isQueries) {
        return false;
    }
    const auto v = parseLong(value, 1, isPort ? 65535 : isConns ? 4096 : 1000000000L);
    if (!v) {
        return false;
    }
    if (isPort) {
        o.port = static_cast<uint16_t>(*v);
    } else if (isConns) {
        o.connections = static_cast<int>(*v);
    } else {
        o.queries = *v;
    }
    return true;
}

std::optional<Options> parseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h" || i + 1 >= argc) {
            return std::nullopt;
        }
        if (!applyOption(o, name, argv[++i])) {
            std::fprintf(stderr, "bad option or value: %s %s\n", argv[i - 1], argv[i]);
            return std::nullopt;
        }
    }
    return o;
}

struct Stats {
    long replies = 0;
    long userid = 0;
    long errorReplies = 0;  // well-formed "ERROR" answers
    long malformed = 0;     // lines that are neither USERID nor ERROR, or unasked
    long connectFailures = 0;
    long lostQueries = 0;  // connection closed or failed while a query was out
    long requeued = 0;     // sent on a connection the server was closing after its reply
    long connects = 0;
    std::vector<uint32_t> latencyUs;

    long errors() const { return malformed + connectFailures + lostQueries; }
};

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) {
        return {};
    }
    const auto e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

// Sorts one reply line by its second colon-separated field.
void classifyReply(std::string_view line, Stats& st) {
    const auto c1 = line.find(':');
    const auto c2 = c1 == std::string_view::npos ? c1 : line.find(':', c1 + 1);
    const std::string kind =
        c1 == std::string_view::npos
            ? std::string()
            : trim(line.substr(
                  c1 + 1, c2 == std::string_view::npos ? std::string_view::npos : c2 - c1 - 1));
    if (kind == "USERID") {
        ++st.userid;
    } else if (kind == "ERROR") {
        ++st.errorReplies;
    } else {
        ++st.malformed;
    }
}

enum class ConnState { Idle, Connecting, Ready };

struct Conn {
    UniqueFd fd;
    ConnState state = ConnState::Idle;
    uint16_t localPort = 0;
    bool outstanding = false;
    long answered = 0;  // replies received on this connection
    Clock::time_point sentAt{};
    Clock::time_point retryAt{};
    std::string in;
    std::string out;
};

uint16_t localPortOf(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        return 0;
    }
    return ntohs(a.sin_port);
}

std::string expandQuery(const std::string& tmpl, uint16_t local, uint16_t remote) {
    std::string q;
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] == '%' && i + 1 < tmpl.size() && (tmpl[i + 1] == 'l' || tmpl[i + 1] == 'r')) {
            q += std::to_string(tmpl[i + 1] == 'l' ? local : remote);
            ++i;
        } else {
            q += tmpl[i];
        }
    }
    return q + "\r\n";
}

class LoadRun {
  public:
    LoadRun(const Options& o, sockaddr_in target)
        : opt_(o), target_(target), conns_(static_cast<size_t>(o.connections)) {
        stats_.latencyUs.reserve(static_cast<size_t>(o.queries));
    }

    // Returns true when every query was answered before the time limit.
    bool run() {
        start_ = Clock::now();
        const auto deadline = start_ + std::chrono::duration_cast<Clock::duration>(
                                           std::chrono::duration<double>(opt_.timeLimitSeconds));
        while (stats_.replies < opt_.queries) {
            const auto now = Clock::now();
            if (now >= deadline) {
                break;
            }
            startIdleConnections(now);
            pollOnce(std::min(deadline, nextRetry(now)));
        }
        end_ = Clock::now();
        return stats_.replies >= opt_.queries;
    }

    const Stats& stats() const { return stats_; }
    bool closesAfterReply() const { return closesAfterReply_; }
    double seconds() const { return std::chrono::duration<double>(end_ - start_).count(); }

  private:
    long inFlight() const {
        return std::count_if(conns_.begin(), conns_.end(), [](const Conn& c) {
            return c.outstanding || c.state == ConnState::Connecting;
        });
    }

    bool wantsMoreQueries() const { return stats_.replies + inFlight() < opt_.queries; }

    Clock::time_point nextRetry(Clock::time_point now) const {
        auto t = now + std::chrono::milliseconds(100);
        for (const auto& c : conns_) {
            if (c.state == ConnState::Idle && c.retryAt > now) {
                t = std::min(t, c.retryAt);
            }
        }
        return t;
    }

    void startIdleConnections(Clock::time_point now) {
        for (auto& c : conns_) {
            if (c.state == ConnState::Idle && c.retryAt <= now && wantsMoreQueries()) {
                openConnection(c);
            }
        }
    }

    void openConnection(Conn& c) {
        c.fd.reset(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        c.in.clear();
        c.out.clear();
        if (!c.fd) {
            failConnection(c, true);
            return;
        }
        ++stats_.connects;
        c.sentAt = Clock::now();  // reconnect and junk modes time from here
        const int rc =
            ::connect(c.fd.get(), reinterpret_cast<const sockaddr*>(&target_), sizeof target_);
        if (rc == 0) {
            onConnected(c);
        } else if (errno == EINPROGRESS) {
            c.state = ConnState::Connecting;
        } else {
            failConnection(c, true);
        }
    }

    void onConnected(Conn& c) {
        c.state = ConnState::Ready;
        c.localPort = localPortOf(c.fd.get());
        if (opt_.mode == Mode::Junk) {
            c.out.assign(kJunkBytes, 'x');
            c.outstanding = true;
            flushOut(c);
            finishJunkIfSent(c);
            return;
        }
        sendQuery(c);
    }

    void finishJunkIfSent(Conn& c) {
        if (c.state != ConnState::Ready || !c.out.empty() || !c.outstanding) {
            return;
        }
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - c.sentAt);
        c.outstanding = false;
        ++stats_.replies;
        stats_.latencyUs.push_back(
            static_cast<uint32_t>(std::min<int64_t>(us.count(), UINT32_MAX)));
        closeConnection(c);
    }

    void sendQuery(Conn& c) {
        if (c.outstanding || !wantsMoreQueries()) {
            return;
        }
        c.out += expandQuery(opt_.query, c.localPort, opt_.port);
        c.outstanding = true;
        if (opt_.mode == Mode::Persistent) {
            c.sentAt = Clock::now();
        }
        flushOut(c);
    }

    void flushOut(Conn& c) {
        while (!c.out.empty()) {
            const ssize_t n = ::send(c.fd.get(), c.out.data(), c.out.size(), MSG_NOSIGNAL);
            if (n > 0) {
                c.out.erase(0, static_cast<size_t>(n));
            } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                return;
            } else {
                failConnection(c, false);
                return;
            }
        }
    }

    // A refused connect waits a little so a missing server cannot spin the loop.
    void failConnection(Conn& c, bool connectFailed) {
        if (connectFailed) {
            ++stats_.connectFailures;
        }
        closeConnection(c);
        c.retryAt = Clock::now() + std::chrono::milliseconds(connectFailed ? 10 : 0);
    }

    // A server may close after each answer; a query that raced that close is
    // sent again, and from then on the tool reconnects after every reply.
    void closeConnection(Conn& c) {
        if (c.outstanding && c.answered > 0) {
            ++stats_.requeued;
            closesAfterReply_ = true;
        } else if (c.outstanding) {
            ++stats_.lostQueries;
        }
        c.outstanding = false;
        c.answered = 0;
        c.fd.reset();
        c.state = ConnState::Idle;
        c.retryAt = Clock::now();
    }

    void pollOnce(Clock::time_point until) {
        std::vector<pollfd> pfds;
        std::vector<Conn*> owners;
        for (auto& c : conns_) {
            if (c.state == ConnState::Idle) {
                continue;
            }
            const bool wantOut = c.state == ConnState::Connecting || !c.out.empty();
            pfds.push_back({c.fd.get(), static_cast<short>(POLLIN | (wantOut ? POLLOUT : 0)), 0});
            owners.push_back(&c);
        }
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(until - Clock::now());
        const int ms = static_cast<int>(std::clamp<long>(wait.count(), 0, 100));
        if (::poll(pfds.data(), pfds.size(), ms) <= 0) {
            return;
        }
        for (size_t i = 0; i < pfds.size(); ++i) {
            if (pfds[i].revents != 0) {
                handleEvents(*owners[i], pfds[i].revents);
            }
        }
    }

    void handleEvents(Conn& c, short revents) {
        if (c.state == ConnState::Connecting) {
            int err = 0;
            socklen_t len = sizeof err;
            ::getsockopt(c.fd.get(), SOL_SOCKET, SO_ERROR, &err, &len);
            if (err != 0) {
                failConnection(c, true);
                return;
            }
            onConnected(c);
        }
        if (c.state == ConnState::Ready && (revents & POLLOUT)) {
            flushOut(c);
            if (opt_.mode == Mode::Junk) {
                finishJunkIfSent(c);
                return;
            }
        }
        if (c.state == ConnState::Ready && (revents & (POLLIN | POLLHUP | POLLERR))) {
            readAvailable(c);
        }
    }

    // Reads until the socket is drained so a close that follows a reply is
    // seen before the next query would be sent into it.
    void readAvailable(Conn& c) {
        char buf[4096];
        bool closed = false;
        for (;;) {
            const ssize_t n = ::recv(c.fd.get(), buf, sizeof buf, 0);
            if (n > 0) {
                c.in.append(buf, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) {
                continue;
            }
            closed = !(n < 0 && errno == EAGAIN);
            break;
        }
        takeLines(c);
        const bool closeAfterReply = closesAfterReply_ || opt_.mode == Mode::Reconnect;
        if (closed || (closeAfterReply && !c.outstanding)) {
            closeConnection(c);
        } else {
            sendQuery(c);
        }
    }

    void takeLines(Conn& c) {
        size_t pos;
        while ((pos = c.in.find('\n')) != std::string::npos) {
            std::string_view line(c.in.data(), pos);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            onReply(c, line);
            c.in.erase(0, pos + 1);
        }
    }

    void onReply(Conn& c, std::string_view line) {
        if (!c.outstanding) {
            ++stats_.malformed;
            return;
        }
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - c.sentAt);
        c.outstanding = false;
        ++c.answered;
        ++stats_.replies;
        stats_.latencyUs.push_back(
            static_cast<uint32_t>(std::min<int64_t>(us.count(), UINT32_MAX)));
        classifyReply(line, stats_);
    }

    const Options& opt_;
    sockaddr_in target_;
    std::vector<Conn> conns_;
    Stats stats_;
    bool closesAfterReply_ = false;
    Clock::time_point start_{};
    Clock::time_point end_{};
};

uint32_t percentile(std::vector<uint32_t>& v, double p) {
    if (v.empty()) {
        return 0;
    }
    const auto k = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return v[k];
}

void report(const Options& o, LoadRun& run, bool complete) {
    Stats st = run.stats();
    const double secs = run.seconds();
    const double rps = secs > 0 ? static_cast<double>(st.replies) / secs : 0.0;
    const uint32_t p50 = percentile(st.latencyUs, 0.50);
    const uint32_t p99 = percentile(st.latencyUs, 0.99);
    std::printf("target          %s:%u, %d connections, query \"%s\", %s mode\n", o.host.c_str(),
                o.port, o.connections, o.query.c_str(), modeName(o.mode));
    std::printf("replies         %ld of %ld in %.3f s%s\n", st.replies, o.queries, secs,
                complete ? "" : " (TIME LIMIT REACHED)");
    std::printf("throughput      %.0f replies/s\n", rps);
    std::printf("latency         p50 %u us, p99 %u us\n", p50, p99);
    std::printf("reply kinds     USERID %ld, ERROR %ld, malformed %ld\n", st.userid,
                st.errorReplies, st.malformed);
    std::printf("errors          %ld (connect failures %ld, lost queries %ld, malformed %ld)\n",
                st.errors(), st.connectFailures, st.lostQueries, st.malformed);
    std::printf("connections     %ld connect attempts%s, %ld queries sent again after a close\n",
                st.connects, run.closesAfterReply() ? " (server closes after each reply)" : "",
                st.requeued);
    std::printf(
        "RESULT replies=%ld queries=%ld seconds=%.3f rps=%.1f p50_us=%u p99_us=%u errors=%ld "
        "userid=%ld error_replies=%ld connects=%ld complete=%d\n",
        st.replies, o.queries, secs, rps, p50, p99, st.errors(), st.userid, st.errorReplies,
        st.connects, complete ? 1 : 0);
}

int runMain(int argc, char** argv) {
    const auto opt = parseOptions(argc, argv);
    if (!opt) {
        printUsage(argv[0]);
        return 2;
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(opt->port);
    if (::inet_pton(AF_INET, opt->host.c_str(), &target.sin_addr) != 1) {
        std::fprintf(stderr, "not an IPv4 address: %s\n", opt->host.c_str());
        return 2;
    }
    LoadRun run(*opt, target);
    const bool complete = run.run();
    report(*opt, run, complete);
    return complete && run.stats().errors() == 0 ? 0 : 1;
}

}  // namespace
}  // namespace pontavi

int main(int argc, char** argv) {
    return pontavi::runMain(argc, argv);
}
