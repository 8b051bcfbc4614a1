// Runs mail check cycles against real POP3 servers on the real loop and the
// system resolver, and prints what the program would show: one "row" line per
// grid row (From, Subject, MailBox, tab-separated), the counts and every error
// entry. Used by the dovecot test and the mail check benchmark.
//
// usage: pop3_check_probe <port> <cycles> name=server,user,password ...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "controls/status_bar.h"
#include "controls/string_grid.h"
#include "controls/tray_icon.h"
#include "mail/pop3_session.h"
#include "net/socket_layer.h"
#include "net/system_resolver.h"
#include "platform/linux/poll_loop.h"

namespace {

using namespace pontavi;

// "name=server,user,password"; the password may hold commas.
bool ParseBox(const std::string& text, MailServerRecord& box) {
    const auto eq = text.find('=');
    const auto c1 = text.find(',', eq == std::string::npos ? 0 : eq);
    const auto c2 = c1 == std::string::npos ? c1 : text.find(',', c1 + 1);
    if (eq == std::string::npos || c2 == std::string::npos) {
        return false;
    }
    box = {text.substr(0, eq), text.substr(eq + 1, c1 - eq - 1), text.substr(c1 + 1, c2 - c1 - 1),
           text.substr(c2 + 1)};
    return true;
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
    if (argc < 4) {
        std::cerr << "usage: " << argv[0] << " <port> <cycles> name=server,user,password ...\n";
        return 2;
    }
    std::vector<MailServerRecord> boxes;
    for (int i = 3; i < argc; ++i) {
        MailServerRecord box;
        if (!ParseBox(argv[i], box)) {
            std::cerr << "bad mailbox: " << argv[i] << "\n";
            return 2;
        }
        boxes.push_back(box);
    }
    const int cycles = std::atoi(argv[2]);

    PollLoop loop(PollLoop::ClockKind::Real);
    SystemResolver resolver(loop);
    SocketLayer layer(loop, resolver);
    layer.OnHandlerError = [](const std::string& m) { std::cout << "handler-error " << m << "\n"; };
    StringGrid grid("StringGrid1", 3, 2);
    TrayIcon tray("TrayIcon1");
    StatusBar status("MailStatus", {{"", 220}, {"", 120}});
    SeenMessageIdList seen;
    std::vector<std::string> errors;
    Pop3Limits limits;
    limits.port = argv[1];
    Pop3Session session(layer, {grid, tray, status, seen, errors}, limits);
    bool complete = false;
    session.OnCycleComplete = [&] { complete = true; };

    for (int cycle = 1; cycle <= cycles; ++cycle) {
        const auto start = std::chrono::steady_clock::now();
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
                  << session.NewMessages << " rows " << grid.RowCount() - 1 << " ms " << ms << "\n";
        for (const auto& e : errors) {
            std::cout << "error " << e << "\n";
        }
    }
    for (int r = 1; r < grid.RowCount(); ++r) {
        std::cout << "row " << grid.Cell(0, r) << "\t" << grid.Cell(1, r) << "\t" << grid.Cell(2, r)
                  << "\n";
    }
    std::cout << "peak-kb " << PeakKilobytes() << "\n";
    return 0;
}
