// Drives the time client and the timedated clock backend for
// nettime_netns.sh, which runs it inside a private network namespace.
//
//   nettime_probe query HOST      one clock update from HOST's "time" service
//                                 with a clock that only records; prints the
//                                 log lines and "asked <unix ms>" per request
//   nettime_probe set UNIX_MS     one request to timedated on the system bus;
//                                 prints "Set", "KeptByNtp" or "Refused: ..."
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fakes/fake_system_clock.h"
#include "net/socket_layer.h"
#include "net/system_resolver.h"
#include "nettime/time_client.h"
#include "platform/linux/poll_loop.h"
#include "platform/linux/timedated_clock.h"

namespace {

using namespace pontavi;

int query(const std::string& host) {
    PollLoop loop;
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    FakeSystemClock clock(loop);
    TimedatedClock real(loop);
    clock.now = real.NowUtcMillis();
    std::vector<std::string> servers{host};
    TrayIcon tray("TrayIcon1");
    std::vector<std::string> log;
    TimeClient client({.TimeServerList = servers, .TrayIcon1 = tray},
                      {.layer = layer, .clock = clock, .report = [&](const std::string& m) {
                           log.push_back(m);
                       }});
    client.StartClockUpdate();
    loop.runUntil([&] { return !log.empty(); }, 15'000);
    for (const auto& line : log) {
        std::printf("%s\n", line.c_str());
    }
    for (const auto ms : clock.requests) {
        std::printf("asked %lld\n", static_cast<long long>(ms));
    }
    return log.empty() ? 1 : 0;
}

int set(long long unixMs) {
    PollLoop loop;
    TimedatedClock clock(loop);
    bool done = false;
    clock.SetUtc(unixMs, [&](const SystemClock::Result& r) {
        switch (r.outcome) {
            case SystemClock::Outcome::Set:
                std::printf("Set\n");
                break;
            case SystemClock::Outcome::KeptByNtp:
                std::printf("KeptByNtp\n");
                break;
            case SystemClock::Outcome::Refused:
                std::printf("Refused: %s\n", r.detail.c_str());
                break;
        }
        done = true;
    });
    loop.runUntil([&] { return done; }, 30'000);
    return done ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "query") {
        return query(argv[2]);
    }
    if (argc == 3 && std::string(argv[1]) == "set") {
        return set(std::atoll(argv[2]));
    }
    std::fprintf(stderr, "usage: %s query HOST | set UNIX_MS\n", argv[0]);
    return 2;
}
