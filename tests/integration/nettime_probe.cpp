// Drives the time client and the timedated clock backend for
// nettime_netns.sh, which runs it inside a private network namespace.
//
//   nettime_probe query HOST...   one clock update from the HOSTs' "time"
//                                 service with a clock that only records;
//                                 prints the log lines and "moved <ms>" per
//                                 move asked for
//   nettime_probe move MS         one move request to timedated on the system
//                                 bus; prints "Set", "KeptByNtp" or "Refused: ..."
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

int query(std::vector<std::string> servers) {
    PollLoop loop;
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    FakeSystemClock clock(loop);
    clock.now = TimedatedClock(loop).NowUtcMillis();  // the machine's time at the start
    TrayIcon tray("TrayIcon1");
    std::vector<std::string> log;
    TimeClient client({.TimeServerList = servers, .TrayIcon1 = tray},
                      {.layer = layer, .clock = clock, .report = [&](const std::string& m) {
                           log.push_back(m);
                       }});
    client.StartClockUpdate();
    // A server left for silence is a line of its own; the outcome follows.
    loop.runUntil(
        [&] { return !log.empty() && log.back().find("no answer within") == std::string::npos; },
        30'000);
    for (const auto& line : log) {
        std::printf("%s\n", line.c_str());
    }
    for (const auto ms : clock.requests) {
        std::printf("moved %lld\n", static_cast<long long>(ms));
    }
    return log.empty() ? 1 : 0;
}

int move(long long ms) {
    PollLoop loop;
    TimedatedClock clock(loop);
    bool done = false;
    clock.MoveBy(ms, [&](const SystemClock::Result& r) {
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
    if (argc >= 3 && std::string(argv[1]) == "query") {
        return query(std::vector<std::string>(argv + 2, argv + argc));
    }
    if (argc == 3 && std::string(argv[1]) == "move") {
        return move(std::atoll(argv[2]));
    }
    std::fprintf(stderr, "usage: %s query HOST... | move MS\n", argv[0]);
    return 2;
}
