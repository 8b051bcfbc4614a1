// Shows what the pppd dial-up backend sees, for ppp_netns.sh:
//   connections                 one line per active connection: NAME connected|waiting
//   first                       the first connection as the monitor sees it:
//                               "connected ADDRESS", "not connected" or "none"
//   entries                     the phone book, one name per line
//   dial ENTRY [hangup]         dials and reports how the dial ends; with
//                               "hangup", hangs up once the link is connected
// Paths come from PONTAVI_PPP_PEERS and PONTAVI_PPPD.
#include <net/if.h>

#include <cstdio>
#include <string>

#include "platform/linux/poll_loop.h"
#include "platform/linux/ppp_dialup.h"
#include "platform/linux/system_interfaces.h"

namespace {

using namespace pontavi;

constexpr Millis kDialLimitMs = 20'000;
constexpr Millis kPollMs = 50;

int PrintConnections(PppDialUp& dialUp) {
    auto connections = dialUp.ActiveConnections();
    if (!connections) {
        std::puts("failed");
        return 1;
    }
    for (ConnectionHandle handle : *connections) {
        char name[IF_NAMESIZE] = "?";
        ::if_indextoname(static_cast<unsigned>(handle), name);
        std::printf("%s %s\n", name, dialUp.IsConnected(handle) ? "connected" : "waiting");
    }
    return 0;
}

int PrintFirst(PppDialUp& dialUp) {
    auto connections = dialUp.ActiveConnections();
    if (!connections) {
        std::puts("failed");
        return 1;
    }
    if (connections->empty()) {
        std::puts("none");
    } else if (!dialUp.IsConnected(connections->front())) {
        std::puts("not connected");
    } else {
        const auto address = dialUp.LocalAddress(connections->front());
        std::printf("connected %s\n", address ? address->c_str() : "without an address");
    }
    return 0;
}

int PrintEntries(PppDialUp& dialUp) {
    auto names = dialUp.EntryNames();
    if (!names) {
        std::puts("failed");
        return 1;
    }
    for (const auto& name : *names) {
        std::puts(name.c_str());
    }
    return 0;
}

bool FirstConnected(PppDialUp& dialUp) {
    auto connections = dialUp.ActiveConnections();
    return connections && !connections->empty() && dialUp.IsConnected(connections->front());
}

int Dial(PollLoop& loop, PppDialUp& dialUp, const std::string& entry, bool hangUp) {
    int laterError = 0;
    const DialResult result = dialUp.Dial(entry, [&](int error) { laterError = error; });
    if (!result.started()) {
        std::printf("error %d: %s\n", result.error, dialUp.ErrorText(result.error).c_str());
        return 0;
    }
    if (hangUp) {
        // The link state is polled, as the program's monitor does.
        const auto poll = loop.addTimer(kPollMs, [] {});
        const bool up =
            loop.runUntil([&] { return FirstConnected(dialUp) || laterError != 0; }, kDialLimitMs);
        loop.removeTimer(poll);
        if (!up) {
            std::puts("never connected");
            return 1;
        }
        if (laterError == 0) {
            std::puts("connected");
            dialUp.HangUp(result.handle);
        }
    }
    if (!loop.runUntil([&] { return !dialUp.DialRunning(result.handle); }, kDialLimitMs)) {
        std::puts("still running");
        return 1;
    }
    if (laterError != 0) {
        std::printf("later error %d: %s\n", laterError, dialUp.ErrorText(laterError).c_str());
    } else {
        std::puts(hangUp ? "hung up" : "ended");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    PollLoop loop(PollLoop::ClockKind::Real);
    SystemInterfaces interfaces;
    PppDialUp dialUp(loop, PppPaths::FromEnvironment(), interfaces);
    if (command == "connections") {
        return PrintConnections(dialUp);
    }
    if (command == "first") {
        return PrintFirst(dialUp);
    }
    if (command == "entries") {
        return PrintEntries(dialUp);
    }
    if (command == "dial" && argc >= 3) {
        return Dial(loop, dialUp, argv[2], argc > 3 && std::string(argv[3]) == "hangup");
    }
    std::fprintf(stderr, "usage: %s connections | first | entries | dial ENTRY [hangup]\n",
                 argv[0]);
    return 2;
}
