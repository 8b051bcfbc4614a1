#include "platform/linux/network_manager_dialup.h"

#include <algorithm>
#include <set>

namespace pontavi {

namespace {

constexpr std::size_t kMaxErrorText = 100;
constexpr std::size_t kMaxListed = 100;  // as many as the pppd backend lists

}  // namespace

NetworkManagerDialUp::NetworkManagerDialUp(EventLoop& loop, DialUpService& handDialled,
                                           InterfaceSource& interfaces)
    : handDialled_(handDialled), interfaces_(interfaces) {
    std::weak_ptr<int> alive = alive_;
    NmClientThread::Callbacks callbacks;
    callbacks.changed = [this, &loop, alive](NmSnapshot snapshot) {
        loop.post([this, alive, snapshot = std::move(snapshot)]() mutable {
            if (!alive.expired()) {
                take(std::move(snapshot));
            }
        });
    };
    callbacks.dialEnded = [this, &loop, alive](std::uint64_t dial, std::string reason) {
        loop.post([this, alive, dial, reason = std::move(reason)] {
            if (!alive.expired()) {
                dialEnded(dial, reason);
            }
        });
    };
    client_ = std::make_unique<NmClientThread>(std::move(callbacks));
}

NetworkManagerDialUp::~NetworkManagerDialUp() {
    alive_.reset();
    client_.reset();
}

void NetworkManagerDialUp::take(NmSnapshot snapshot) {
    // A path seen again after NetworkManager came back is a new connection.
    std::map<std::string, ConnectionHandle> handles;
    for (const NmActiveLink& link : snapshot.links) {
        auto it = linkHandles_.find(link.path);
        handles[link.path] = it != linkHandles_.end() ? it->second : nextHandle_++;
    }
    linkHandles_ = std::move(handles);
    snapshot_ = std::move(snapshot);
}

std::optional<std::vector<std::string>> NetworkManagerDialUp::EntryNames() {
    if (!snapshot_.running || snapshot_.entries.size() > kMaxListed) {
        return std::nullopt;
    }
    return snapshot_.entries;
}

std::vector<ConnectionHandle> NetworkManagerDialUp::handDialledLinks() {
    auto links = handDialled_.ActiveConnections();
    auto interfaces = interfaces_.List();
    if (!links || !interfaces) {
        return {};
    }
    std::set<std::string> owned;
    for (const NmActiveLink& link : snapshot_.links) {
        owned.insert(link.ipInterface);
    }
    std::vector<ConnectionHandle> unowned;
    for (ConnectionHandle link : *links) {
        auto nif = std::find_if(interfaces->begin(), interfaces->end(),
                                [&](const NetInterface& n) { return n.index == link; });
        if (nif != interfaces->end() && owned.count(nif->name) == 0) {
            unowned.push_back(link);
        }
    }
    return unowned;
}

std::optional<std::vector<ConnectionHandle>> NetworkManagerDialUp::ActiveConnections() {
    std::vector<ConnectionHandle> connections;
    for (const NmActiveLink& link : snapshot_.links) {
        connections.push_back(linkHandles_.at(link.path));
    }
    for (ConnectionHandle link : handDialledLinks()) {
        connections.push_back(link);
    }
    if (connections.size() > kMaxListed) {
        return std::nullopt;
    }
    return connections;
}

const NmActiveLink* NetworkManagerDialUp::linkOf(ConnectionHandle connection) const {
    for (const NmActiveLink& link : snapshot_.links) {
        if (linkHandles_.at(link.path) == connection) {
            return &link;
        }
    }
    return nullptr;
}

bool NetworkManagerDialUp::IsConnected(ConnectionHandle connection) {
    if (connection < (ConnectionHandle{1} << 40)) {
        return handDialled_.IsConnected(connection);
    }
    const NmActiveLink* link = linkOf(connection);
    return link != nullptr && link->connected;
}

std::optional<std::string> NetworkManagerDialUp::LocalAddress(ConnectionHandle connection) {
    if (connection < (ConnectionHandle{1} << 40)) {
        return handDialled_.LocalAddress(connection);
    }
    const NmActiveLink* link = linkOf(connection);
    return link != nullptr ? link->address : std::nullopt;
}

DialResult NetworkManagerDialUp::Dial(const std::string& entry,
                                      std::function<void(int error)> onLaterError) {
    if (!snapshot_.running) {
        return {0, kNotRunning};
    }
    if (std::find(snapshot_.entries.begin(), snapshot_.entries.end(), entry) ==
        snapshot_.entries.end()) {
        return {0, kNoSuchEntry};
    }
    const ConnectionHandle dial = nextHandle_++;
    dials_[dial] = std::move(onLaterError);
    client_->Activate(dial, entry);
    return {dial, 0};
}

void NetworkManagerDialUp::dialEnded(ConnectionHandle dial, const std::string& reason) {
    auto it = dials_.find(dial);
    if (it == dials_.end()) {
        return;  // hung up meanwhile
    }
    auto report = std::move(it->second);
    dials_.erase(it);
    const int code = nextText_++;
    texts_[code] = reason.substr(0, kMaxErrorText);
    if (texts_.size() > kTextsKept) {
        texts_.erase(texts_.begin());
    }
    if (report) {
        report(code);
    }
}

std::string NetworkManagerDialUp::ErrorText(int code) {
    if (code == kNoSuchEntry) {
        return "The NetworkManager profile does not exist.";
    }
    if (code == kNotRunning) {
        return "NetworkManager is not running.";
    }
    auto it = texts_.find(code);
    return it != texts_.end() ? it->second : "Unknown NetworkManager error " + std::to_string(code);
}

void NetworkManagerDialUp::HangUp(ConnectionHandle handle) {
    if (dials_.erase(handle) == 0) {
        return;
    }
    client_->Deactivate(handle);
}

}  // namespace pontavi
