#include "fakes/fake_resolver.h"

#include <arpa/inet.h>

#include <memory>

#include "net/sock_error.h"

namespace pontavi {

namespace {

std::uint32_t parse(const std::string& dotted) {
    in_addr a{};
    ::inet_pton(AF_INET, dotted.c_str(), &a);
    return a.s_addr;
}

std::string format(std::uint32_t address) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr a{};
    a.s_addr = address;
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

}  // namespace

FakeResolver::~FakeResolver() {
    for (const auto id : timers_) {
        loop_.removeTimer(id);
    }
}

void FakeResolver::addHost(const std::string& name, const std::string& dotted) {
    hosts_[name] = parse(dotted);
}

void FakeResolver::addReverse(const std::string& dotted, const std::string& name) {
    reverse_[parse(dotted)] = name;
}

void FakeResolver::addService(const std::string& name, int port, const std::string& protocol) {
    services_[{name, protocol}] = port;
}

LookupHandle FakeResolver::answerLater(const std::string& key, std::function<void()> answer) {
    ++requests_;
    asked_.push_back(key);
    auto handle = std::make_shared<LookupRequest>();
    auto deliver = [this, handle, answer = std::move(answer)] {
        if (handle->cancelled()) {
            ++dropped_;
        } else {
            answer();
        }
    };
    const auto it = delays_.find(key);
    const Millis delay = it != delays_.end() ? it->second : defaultDelay_;
    if (delay == kNever) {
        return handle;
    }
    if (delay == 0) {
        loop_.post(deliver);
        return handle;
    }
    auto id = std::make_shared<EventLoop::TimerId>(0);
    *id = loop_.addTimer(delay, [this, id, deliver] {
        loop_.removeTimer(*id);
        timers_.erase(*id);
        deliver();
    });
    timers_.insert(*id);
    return handle;
}

LookupHandle FakeResolver::lookupHost(const std::string& host, AddressCallback done) {
    const auto it = hosts_.find(host);
    const bool found = it != hosts_.end();
    const std::uint32_t address = found ? it->second : 0;
    return answerLater(host, [done = std::move(done), found, address] {
        done(found ? 0 : sockcode::kHostNotFound, address);
    });
}

LookupHandle FakeResolver::lookupAddress(std::uint32_t address, NameCallback done) {
    const auto it = reverse_.find(address);
    const bool found = it != reverse_.end();
    const std::string name = found ? it->second : std::string{};
    return answerLater(format(address), [done = std::move(done), found, name] {
        done(found ? 0 : sockcode::kHostNotFound, name);
    });
}

LookupHandle FakeResolver::lookupService(const std::string& service, const std::string& protocol,
                                         PortCallback done) {
    const auto port = serviceToPort(service, protocol);
    return answerLater(service, [done = std::move(done), port] {
        done(port ? 0 : sockcode::kNoData, port.value_or(0));
    });
}

LookupHandle FakeResolver::lookupPort(int port, const std::string& protocol, NameCallback done) {
    const auto name = portToService(port, protocol);
    return answerLater(std::to_string(port), [done = std::move(done), name] {
        done(name ? 0 : sockcode::kNoData, name.value_or(std::string{}));
    });
}

std::optional<int> FakeResolver::serviceToPort(const std::string& service,
                                               const std::string& protocol) {
    const auto it = services_.find({service, protocol});
    if (it == services_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::optional<std::string> FakeResolver::portToService(int port, const std::string& protocol) {
    for (const auto& [key, value] : services_) {
        if (value == port && key.second == protocol) {
            return key.first;
        }
    }
    return std::nullopt;
}

}  // namespace pontavi
