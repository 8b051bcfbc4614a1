// Runs mail check cycles against real POP3 servers on the real loop and the
// system resolver, and prints what the program would show: one "row" line per
// grid row (From, Subject, MailBox, tab-separated), the counts, the time each
// cycle took (wall and CPU) and every error entry. Its cycles keep one
// header cache, as the program does. Used by the dovecot tests and the mail
// check benchmarks.
//
// usage: pop3_check_probe [--connect-timeout=S] [--no-cache] [--between=CMD]
//                         <port> <cycles> name=server,user,password[,security] ...
// security: None (the default), TLS or STARTTLS. No field may hold a comma.
// --connect-timeout: seconds for the lookup, connect and TLS handshake (the
// program's 30 by default).
// --no-cache: no header cache, so no CAPA, UIDL, LIST or pipelining either.
// --between: a shell command run between cycles; the rows are then printed
// after every cycle, each line starting "row<cycle> ".
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "controls/status_bar.h"
#include "controls/string_grid.h"
#include "controls/tray_icon.h"
#include "mail/pop3_session.h"
#include "mail/uidl_cache.h"
#include "net/socket_layer.h"
#include "net/system_resolver.h"
#include "platform/linux/poll_loop.h"

namespace {

using namespace pontavi;

constexpr const char* kUsage = "usage: ";
constexpr const char* kUsageArgs =
    " [--connect-timeout=S] [--no-cache] [--between=CMD] <port> <cycles> "
    "name=server,user,password[,None|TLS|STARTTLS] ...\n";
constexpr std::string_view kConnectTimeOut = "--connect-timeout=";
constexpr std::string_view kNoCache = "--no-cache";
constexpr std::string_view kBetween = "--between=";

// "name=server,user,password[,security]".
std::optional<MailServerRecord> ParseBox(const std::string& text) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) {
        return std::nullopt;
    }
    std::vector<std::string> fields;
    std::size_t from = eq + 1;
    for (;;) {
        const auto comma = text.find(',', from);
        fields.push_back(text.substr(from, comma - from));
        if (comma == std::string::npos) {
            break;
        }
        from = comma + 1;
    }
    if (fields.size() != 3 && fields.size() != 4) {
        return std::nullopt;
    }
    MailServerRecord box{text.substr(0, eq), fields[0], fields[1], fields[2]};
    if (fields.size() == 4) {
        const auto security = MailSecurityFromText(fields[3]);
        if (!security) {
            return std::nullopt;
        }
        box.Security = *security;
    }
    return box;
}

// User and system time of the whole process (the loop and the resolver's
// workers), in milliseconds.
double CpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void PrintRows(const StringGrid& grid, const std::string& prefix) {
    for (int r = 1; r < grid.RowCount(); ++r) {
        std::cout << prefix << grid.Cell(0, r) << "\t" << grid.Cell(1, r) << "\t" << grid.Cell(2, r)
                  << "\n";
    }
}

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    Pop3Limits limits;
    int first = 1;  // the port argument
    bool useCache = true;
    std::string between;
    for (; first < argc && std::string_view(argv[first]).starts_with("--"); ++first) {
        const std::string_view option(argv[first]);
        if (option.starts_with(kConnectTimeOut)) {
            limits.connectTimeOut = std::atoi(argv[first] + kConnectTimeOut.size());
        } else if (option == kNoCache) {
            useCache = false;
        } else if (option.starts_with(kBetween)) {
            between = std::string(option.substr(kBetween.size()));
        } else {
            std::cerr << kUsage << argv[0] << kUsageArgs;
            return 2;
        }
    }
    if (argc < first + 3 || limits.connectTimeOut < 1) {
        std::cerr << kUsage << argv[0] << kUsageArgs;
        return 2;
    }
    std::vector<MailServerRecord> boxes;
    for (int i = first + 2; i < argc; ++i) {
        auto box = ParseBox(argv[i]);
        if (!box) {
            std::cerr << "bad mailbox: " << argv[i] << "\n" << kUsage << argv[0] << kUsageArgs;
            return 2;
        }
        boxes.push_back(std::move(*box));
    }
    limits.port = argv[first];
    const int cycles = std::atoi(argv[first + 1]);

    PollLoop loop(PollLoop::ClockKind::Real);
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    layer.OnHandlerError = [](const std::string& m) { std::cout << "handler-error " << m << "\n"; };
    StringGrid grid("StringGrid1", 3, 2);
    TrayIcon tray("TrayIcon1");
    StatusBar status("MailStatus", {{"", 220}, {"", 120}});
    SeenMessageIdList seen;
    std::vector<std::string> errors;
    UidlHeaderCache cache;
    Pop3Session session(layer, {grid, tray, status, seen, errors, useCache ? &cache : nullptr},
                        limits);
    bool complete = false;
    session.OnCycleComplete = [&] { complete = true; };

    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = CpuMilliseconds();
        complete = false;
        errors.clear();
        session.CurrentServer = 0;
        grid.setRowCount(0);
        grid.setRowCount(2);
        session.ResetCycle(boxes);
        session.CheckMail();
        if (!loop.runUntil([&] { return complete; }, 600'000)) {
            std::cout << "cycle " << cycle << " did not complete\n";
            return 1;
        }
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::cout << "cycle " << cycle << " total " << session.TotalMessages << " new "
                  << session.NewMessages << " rows " << grid.RowCount() - 1 << " ms " << ms
                  << " cpu-ms " << CpuMilliseconds() - cpuStart << "\n";
        for (const auto& e : errors) {
            std::cout << "error " << e << "\n";
        }
        if (!between.empty()) {
            PrintRows(grid, "row" + std::to_string(cycle) + " ");
            std::cout.flush();
            if (cycle < cycles && std::system(between.c_str()) != 0) {
                std::cout << "the command between cycles failed\n";
                return 1;
            }
        }
    }
    if (between.empty()) {
        PrintRows(grid, "row ");
    }
    std::cout << "peak-kb " << PeakKilobytes() << "\n";
    return 0;
}
