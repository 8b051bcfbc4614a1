#include "net/sock_ctrl.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

#include "net/address_lookup.h"
#include "net/protocol_table.h"
#include "net/sock_error.h"
#include "net/socket_base.h"

namespace pontavi {

namespace {

constexpr std::size_t kMaxText = 255;

std::string cut(const std::string& text) {
    return text.substr(0, kMaxText);
}

std::optional<int> parseDecimal(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); })) {
        return std::nullopt;
    }
    return std::stoi(text);
}

}  // namespace

TSockCtrl::TSockCtrl(SocketLayer& layer) : layer_(layer) {
    layer_.ComponentCreated();
}

TSockCtrl::~TSockCtrl() {
    layer_.ComponentDestroyed(*this);
}

void TSockCtrl::setAddress(const std::string& address) {
    const std::string text = cut(address);
    if (ParseDottedAddress(text)) {
        dotted_ = text;
        hostName_.clear();
    } else {
        hostName_ = text;
        dotted_.clear();
    }
}

void TSockCtrl::setPort(const std::string& port) {
    portText_ = cut(port);
    Resolver& resolver = layer_.Resolve();
    if (const auto number = parseDecimal(portText_)) {
        portNumber_ = *number;
        serviceName_ = resolver.portToService(portNumber_, protocolName_).value_or("");
    } else {
        serviceName_ = portText_;
        portNumber_ = resolver.serviceToPort(serviceName_, protocolName_).value_or(0);
    }
}

void TSockCtrl::setProtocol(const std::string& protocol) {
    const std::string text = cut(protocol);
    if (const auto number = parseDecimal(text)) {
        protocolNumber_ = *number;
        protocolName_ = ProtocolNameOf(*number);
    } else if (const auto known = ProtocolNumberOf(text)) {
        // The table's own name: the services database matches names exactly,
        // so "TCP" must be looked up as "tcp".
        protocolNumber_ = *known;
        protocolName_ = ProtocolNameOf(*known);
    } else {
        protocolName_ = text;
        protocolNumber_ = 0;
    }
}

std::optional<sockaddr_in> TSockCtrl::ResolveEnds(const std::function<bool()>& abandon) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (!hostName_.empty()) {
        const auto found = WaitHostLookup(*this, hostName_, abandon);
        if (abandon && abandon()) {
            return std::nullopt;
        }
        if (!found.ok()) {
            RaiseSockError("Error %d (%s) finding address for host", found.error);
        }
        address.sin_addr.s_addr = found.value;
    } else if (dotted_.empty()) {
        throw ESockError("No address specified");
    } else {
        address.sin_addr.s_addr = ParseDottedAddress(dotted_).value_or(INADDR_ANY);
    }

    int port = portNumber_;
    if (!serviceName_.empty()) {
        const auto found = WaitServiceLookup(*this, serviceName_, abandon);
        if (abandon && abandon()) {
            return std::nullopt;
        }
        // A service the database does not know gives port 0, not an error.
        port = found.ok() ? found.value : 0;
    }
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

// ---- notification routing ----

void TSockCtrl::Raise(const TSocketEvent& event, TSocketBase* socket) {
    if (event) {
        // A copy: the handler may reassign the event it runs from.
        TSocketEvent handler = event;
        handler(*this, socket);
    }
}

void TSockCtrl::ConnectFinished(TSocketBase&, int) {}

void TSockCtrl::AcceptWaiting(TSocketBase&) {}

void TSockCtrl::RaiseConnect(TSocketBase&) {}

void TSockCtrl::RaiseAccept(TSocketBase&) {}

void TSockCtrl::RaiseReject(TSocketBase&) {}

void TSockCtrl::PeerClosed(TSocketBase& socket) {
    if (socket.Connected()) {
        layer_.Disarm(*this);
        socket.DisconnectNotification();
    }
}

void TSockCtrl::PostCloseNotice(std::weak_ptr<TSocketBase> socket) {
    layer_.Loop().post([this, alive = LifeToken(), socket = std::move(socket)] {
        if (alive.expired()) {
            return;
        }
        if (auto s = socket.lock()) {
            layer_.Guarded([&] { CloseNoticed(*s); });
        }
    });
}

void TSockCtrl::CloseNoticed(TSocketBase&) {}

}  // namespace pontavi
