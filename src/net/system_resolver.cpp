#include "net/system_resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "net/sock_error.h"

namespace pontavi {

struct SystemResolver::Shared {
    std::mutex mutex;
    EventLoop* loop = nullptr;  // null once the resolver is gone
    int outstanding = 0;
};

namespace {

constexpr std::size_t kServentBuffer = 1024;

std::pair<int, std::uint32_t> resolveHost(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &result);
    if (rc != 0) {
        return {SockErrorFromResolver(rc, errno), 0};
    }
    std::uint32_t address = 0;
    int error = sockcode::kNoData;
    for (addrinfo* ai = result; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_family == AF_INET) {
            address = reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr;
            error = 0;
            break;
        }
    }
    ::freeaddrinfo(result);
    return {error, address};
}

std::pair<int, std::string> resolveAddress(std::uint32_t address) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = address;
    std::array<char, NI_MAXHOST> name{};
    const int rc = ::getnameinfo(reinterpret_cast<const sockaddr*>(&sa), sizeof sa, name.data(),
                                 name.size(), nullptr, 0, NI_NAMEREQD);
    if (rc != 0) {
        return {SockErrorFromResolver(rc, errno), {}};
    }
    return {0, name.data()};
}

}  // namespace

SystemResolver::SystemResolver(EventLoop& loop) : loop_(loop), shared_(std::make_shared<Shared>()) {
    shared_->loop = &loop;
}

SystemResolver::~SystemResolver() {
    std::lock_guard lock(shared_->mutex);
    for (; shared_->outstanding > 0; --shared_->outstanding) {
        shared_->loop->endExternalWork();
    }
    shared_->loop = nullptr;
}

void SystemResolver::runOnWorker(const LookupHandle& handle,
                                 std::function<std::function<void()>()> work) {
    {
        std::lock_guard lock(shared_->mutex);
        ++shared_->outstanding;
        loop_.beginExternalWork();
    }
    try {
        std::thread([shared = shared_, handle, work = std::move(work)] {
            auto deliver = work();
            std::lock_guard lock(shared->mutex);
            if (shared->loop == nullptr) {
                return;
            }
            shared->loop->post([handle, deliver = std::move(deliver)] {
                if (!handle->cancelled()) {
                    deliver();
                }
            });
            --shared->outstanding;
            shared->loop->endExternalWork();
        }).detach();
    } catch (...) {
        std::lock_guard lock(shared_->mutex);
        --shared_->outstanding;
        loop_.endExternalWork();
        throw;
    }
}

void SystemResolver::postAnswer(const LookupHandle& handle, std::function<void()> deliver) {
    loop_.post([handle, deliver = std::move(deliver)] {
        if (!handle->cancelled()) {
            deliver();
        }
    });
}

LookupHandle SystemResolver::lookupHost(const std::string& host, AddressCallback done) {
    auto handle = std::make_shared<LookupRequest>();
    runOnWorker(handle, [host, done = std::move(done)]() -> std::function<void()> {
        const auto answer = resolveHost(host);
        return [done, answer] { done(answer.first, answer.second); };
    });
    return handle;
}

LookupHandle SystemResolver::lookupAddress(std::uint32_t address, NameCallback done) {
    auto handle = std::make_shared<LookupRequest>();
    runOnWorker(handle, [address, done = std::move(done)]() -> std::function<void()> {
        const auto answer = resolveAddress(address);
        return [done, answer] { done(answer.first, answer.second); };
    });
    return handle;
}

LookupHandle SystemResolver::lookupService(const std::string& service, const std::string& protocol,
                                           PortCallback done) {
    auto handle = std::make_shared<LookupRequest>();
    const auto port = serviceToPort(service, protocol);
    postAnswer(handle, [done = std::move(done), port] {
        done(port ? 0 : sockcode::kNoData, port.value_or(0));
    });
    return handle;
}

LookupHandle SystemResolver::lookupPort(int port, const std::string& protocol, NameCallback done) {
    auto handle = std::make_shared<LookupRequest>();
    const auto name = portToService(port, protocol);
    postAnswer(handle, [done = std::move(done), name] {
        done(name ? 0 : sockcode::kNoData, name.value_or(std::string{}));
    });
    return handle;
}

std::optional<int> SystemResolver::serviceToPort(const std::string& service,
                                                 const std::string& protocol) {
    servent entry{};
    servent* found = nullptr;
    std::vector<char> buffer(kServentBuffer);
    if (::getservbyname_r(service.c_str(), protocol.c_str(), &entry, buffer.data(), buffer.size(),
                          &found) != 0 ||
        found == nullptr) {
        return std::nullopt;
    }
    return ntohs(static_cast<std::uint16_t>(found->s_port));
}

std::optional<std::string> SystemResolver::portToService(int port, const std::string& protocol) {
    if (port < 0 || port > 0xFFFF) {
        return std::nullopt;
    }
    servent entry{};
    servent* found = nullptr;
    std::vector<char> buffer(kServentBuffer);
    if (::getservbyport_r(htons(static_cast<std::uint16_t>(port)), protocol.c_str(), &entry,
                          buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr) {
        return std::nullopt;
    }
    return std::string(found->s_name);
}

}  // namespace pontavi
