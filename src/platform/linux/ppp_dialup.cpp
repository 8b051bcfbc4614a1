#include "platform/linux/ppp_dialup.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <system_error>

#include "platform/linux/ppp_errors.h"

namespace pontavi {

namespace {

constexpr Millis kReapPollMs = 200;
// pppd's made-up local address of a demand unit is this plus the unit number.
constexpr std::uint32_t kDemandLocalBase = 0x0a404040;  // 10.64.64.64

bool IsPppName(const std::string& name) {
    return name.starts_with("ppp");
}

// pppd's exit status is the dial's error; a pppd killed outright counts as
// ended by a signal, which is pppd's own status for SIGTERM.
int DialErrorOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) {
        return WEXITSTATUS(waitStatus);
    }
    if (WIFSIGNALED(waitStatus)) {
        return ppp_error::kTerminatedBySignal;
    }
    return 0;
}

bool IsDefaultPeersFolder(const std::filesystem::path& folder) {
    std::filesystem::path normal = folder.lexically_normal();
    if (!normal.has_filename() && normal.has_parent_path()) {
        normal = normal.parent_path();  // a trailing '/'
    }
    return normal == PppPaths{}.peersFolder;
}

Millis SteadyMillis() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

PppPaths PppPaths::FromEnvironment() {
    PppPaths paths;
    if (const char* peers = std::getenv("PONTAVI_PPP_PEERS"); peers != nullptr && *peers != 0) {
        paths.peersFolder = peers;
    }
    if (const char* pppd = std::getenv("PONTAVI_PPPD"); pppd != nullptr && *pppd != 0) {
        paths.pppdCommand = pppd;
    }
    return paths;
}

PppDialUp::PppDialUp(EventLoop& loop, PppPaths paths, InterfaceSource& interfaces)
    : loop_(loop),
      paths_(std::move(paths)),
      interfaces_(interfaces),
      reapPoll_(loop, kReapPollMs, false) {
    reapPoll_.OnTimer = [this] { reapPolled(); };
}

PppDialUp::~PppDialUp() {
    shutDown();
}

bool PppDialUp::IsDialableName(const std::string& entry) {
    // pppd would read a leading '-' as an option, and '/' or a leading '.'
    // would reach files outside the peers folder.
    if (entry.empty() || entry.front() == '-' || entry.front() == '.') {
        return false;
    }
    return std::none_of(entry.begin(), entry.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return c == '/' || u < 0x20 || u == 0x7f;
    });
}

std::optional<std::vector<std::string>> PppDialUp::EntryNames() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::directory_iterator it(paths_.peersFolder, ec);
    if (ec) {
        if (ec == std::errc::no_such_file_or_directory) {
            return std::vector<std::string>{};  // no phone book yet: no entries
        }
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (; it != fs::end(it); it.increment(ec)) {
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (!IsDialableName(name) || !it->is_regular_file(typeError)) {
            continue;
        }
        names.push_back(std::move(name));
        if (names.size() > kMaxEntries) {
            return std::nullopt;
        }
    }
    if (ec) {
        return std::nullopt;
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<ConnectionHandle>> PppDialUp::ActiveConnections() {
    auto interfaces = interfaces_.List();
    if (!interfaces) {
        return std::nullopt;
    }
    // Down or up, every ppp unit is a link: pppd makes it down while it
    // negotiates and destroys it when the link has ended.
    std::vector<ConnectionHandle> connections;
    for (const NetInterface& nif : *interfaces) {
        if (IsPppName(nif.name)) {
            connections.push_back(nif.index);
        }
    }
    return connections;
}

std::optional<InterfaceStatus> PppDialUp::pppStatus(ConnectionHandle connection,
                                                    std::string* name) {
    if (connection == 0 || connection > UINT_MAX) {
        return std::nullopt;
    }
    const auto index = static_cast<unsigned>(connection);
    auto interfaces = interfaces_.List();
    if (!interfaces) {
        return std::nullopt;
    }
    auto it = std::find_if(interfaces->begin(), interfaces->end(),
                           [&](const NetInterface& nif) { return nif.index == index; });
    if (it == interfaces->end() || !IsPppName(it->name)) {
        return std::nullopt;
    }
    if (name != nullptr) {
        *name = it->name;
    }
    return interfaces_.Status(index);
}

bool PppDialUp::IsConnected(ConnectionHandle connection) {
    std::string name;
    auto status = pppStatus(connection, &name);
    return status && status->up && status->running && status->hasIpv4 &&
           !IsDemandPlaceholder(name, status->ipv4);
}

std::optional<std::string> PppDialUp::LocalAddress(ConnectionHandle connection) {
    auto status = pppStatus(connection, nullptr);
    if (!status || !status->hasIpv4) {
        return std::nullopt;
    }
    in_addr address{};
    address.s_addr = htonl(status->ipv4);
    char text[INET_ADDRSTRLEN] = {};
    if (::inet_ntop(AF_INET, &address, text, sizeof text) == nullptr) {
        return std::nullopt;
    }
    return std::string(text);
}

bool PppDialUp::IsDemandPlaceholder(const std::string& interfaceName, std::uint32_t localIpv4) {
    // The unit number is the name's digits; a unit renamed by `ifname` has
    // none to compare with and is taken at its word.
    const std::string digits = interfaceName.substr(std::min<std::size_t>(3, interfaceName.size()));
    if (!IsPppName(interfaceName) || digits.empty() || digits.size() > 9 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto unit = static_cast<std::uint32_t>(std::stoul(digits));
    return localIpv4 == kDemandLocalBase + unit;
}

std::vector<std::string> PppDialUp::DialArguments(const std::string& entry) const {
    // `call` reads /etc/ppp/peers whatever we list, so another folder's
    // entry is handed over as the file itself.
    if (IsDefaultPeersFolder(paths_.peersFolder)) {
        return {"call", entry, "nodetach"};
    }
    std::error_code ec;
    std::filesystem::path file = std::filesystem::absolute(paths_.peersFolder / entry, ec);
    if (ec) {
        file = paths_.peersFolder / entry;
    }
    return {"file", file.string(), "nodetach"};
}

bool PppDialUp::entryExists(const std::string& entry) const {
    std::error_code ec;
    return std::filesystem::is_regular_file(paths_.peersFolder / entry, ec);
}

DialResult PppDialUp::Dial(const std::string& entry, std::function<void(int error)> onLaterError) {
    if (!IsDialableName(entry)) {
        return {0, ppp_error::kBadEntryName};
    }
    if (!entryExists(entry)) {
        return {0, ppp_error::kNoSuchEntry};
    }
    std::optional<PppdProcess> process;
    try {
        process.emplace(PppdProcess::Spawn(paths_.pppdCommand, DialArguments(entry)));
    } catch (const std::system_error& e) {
        return {0, ppp_error::kStartFailedBase + e.code().value()};
    }
    const ConnectionHandle handle = nextHandle_++;
    auto& dial = dials_.emplace(handle, DialProcess(std::move(*process))).first->second;
    dial.onLaterError = std::move(onLaterError);
    watchExit(handle, dial);
    return {handle, 0};
}

void PppDialUp::watchExit(ConnectionHandle handle, DialProcess& dial) {
    if (dial.process.exitFd() < 0) {
        reapPoll_.setEnabled(true);
        return;
    }
    dial.watch = loop_.watch(dial.process.exitFd(), EventLoop::kReadable, [this, handle](unsigned) {
        auto it = dials_.find(handle);
        if (it != dials_.end() && it->second.process.reap()) {
            finish(handle);
        }
    });
}

void PppDialUp::reapPolled() {
    std::vector<ConnectionHandle> ended;
    bool anyPolled = false;
    for (auto& [handle, dial] : dials_) {
        if (!dial.watch) {
            anyPolled = true;
            if (dial.process.reap()) {
                ended.push_back(handle);
            }
        }
    }
    if (!anyPolled) {
        reapPoll_.setEnabled(false);
    }
    for (ConnectionHandle handle : ended) {
        finish(handle);
    }
}

void PppDialUp::finish(ConnectionHandle handle) {
    auto it = dials_.find(handle);
    if (it == dials_.end()) {
        return;
    }
    // Take the dial out first: its error handler may dial or hang up again.
    DialProcess dial = std::move(it->second);
    dials_.erase(it);
    dial.watch.reset();
    const int error = DialErrorOf(dial.process.waitStatus());
    if (error != 0 && dial.onLaterError) {
        dial.onLaterError(error);
    }
}

std::string PppDialUp::ErrorText(int code) {
    return PppErrorText(code);
}

void PppDialUp::HangUp(ConnectionHandle handle) {
    auto it = dials_.find(handle);
    if (it == dials_.end()) {
        return;
    }
    DialProcess& dial = it->second;
    // A link ended on purpose is no failure to report.
    dial.onLaterError = nullptr;
    if (dial.killTimer) {
        return;  // already hanging up
    }
    dial.process.signal(SIGTERM);
    dial.killTimer = std::make_unique<Timer>(loop_, kHangUpGraceMs, true);
    dial.killTimer->OnTimer = [this, handle] {
        if (auto found = dials_.find(handle); found != dials_.end()) {
            found->second.process.signal(SIGKILL);
            found->second.killTimer->setEnabled(false);
        }
    };
}

void PppDialUp::shutDown() {
    for (auto& [handle, dial] : dials_) {
        dial.watch.reset();
        dial.killTimer.reset();
        dial.process.signal(SIGTERM);
    }
    // One grace period for all of them; whatever is left is killed and
    // reaped by PppdProcess's destructor.
    const Millis deadline = SteadyMillis() + kHangUpGraceMs;
    for (auto& [handle, dial] : dials_) {
        dial.process.waitFor(std::max<Millis>(0, deadline - SteadyMillis()));
    }
    dials_.clear();
}

}  // namespace pontavi
