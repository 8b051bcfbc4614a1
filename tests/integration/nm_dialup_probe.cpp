// Drives the NetworkManager dial-up backend line by line from stdin for
// nm_dialup.py. Commands and their answers:
//   entries      "entries A,B" or "entries failed"
//   links        "links" then " IFACE:connected:ADDRESS" or " IFACE:waiting" each
//   dial NAME    "dial started" or "dial error TEXT"
//   hangup       hangs up the last dial: "hung up"
// A later error of the dial prints "later-error TEXT" when it comes.
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/linux/network_manager_dialup.h"
#include "platform/linux/poll_loop.h"
#include "platform/linux/ppp_dialup.h"
#include "platform/linux/system_interfaces.h"

namespace {

using namespace pontavi;

std::string Links(NetworkManagerDialUp& dialUp, SystemInterfaces& interfaces) {
    std::string out = "links";
    for (ConnectionHandle link :
         dialUp.ActiveConnections().value_or(std::vector<ConnectionHandle>{})) {
        const auto address = dialUp.LocalAddress(link);
        std::string name = "nm";
        for (const auto& nif : interfaces.List().value_or(std::vector<NetInterface>{})) {
            name = nif.index == link ? nif.name : name;
        }
        out += " " + name +
               (dialUp.IsConnected(link) ? ":connected:" + address.value_or("") : ":waiting");
    }
    return out;
}

}  // namespace

int main() {
    PollLoop loop(PollLoop::ClockKind::Real);
    SystemInterfaces interfaces;
    PppDialUp ppp(loop, PppPaths::FromEnvironment(), interfaces);
    NetworkManagerDialUp dialUp(loop, ppp, interfaces);
    ConnectionHandle dial = 0;
    std::string pending;
    IoWatch input = loop.watch(STDIN_FILENO, EventLoop::kReadable, [&](unsigned) {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            loop.quit();
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(got));
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            std::string answer;
            if (line == "entries") {
                auto names = dialUp.EntryNames();
                answer = "entries";
                for (std::size_t i = 0; names && i < names->size(); ++i) {
                    answer += (i == 0 ? " " : ",") + (*names)[i];
                }
                answer += names ? "" : " failed";
            } else if (line == "links") {
                answer = Links(dialUp, interfaces);
            } else if (line.starts_with("dial ")) {
                const DialResult result = dialUp.Dial(line.substr(5), [&](int error) {
                    std::printf("later-error %s\n", dialUp.ErrorText(error).c_str());
                    std::fflush(stdout);
                });
                dial = result.handle;
                answer = result.started() ? "dial started"
                                          : "dial error " + dialUp.ErrorText(result.error);
            } else if (line == "hangup") {
                dialUp.HangUp(dial);
                answer = "hung up";
            }
            std::printf("%s\n", answer.c_str());
            std::fflush(stdout);
        }
    });
    loop.run();
    return 0;
}
