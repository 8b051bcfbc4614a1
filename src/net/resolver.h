#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace pontavi {

// One lookup in flight. The requester cancels it when it stops waiting; the
// resolver then drops the late answer instead of delivering it.
class LookupRequest {
  public:
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

  private:
    std::atomic<bool> cancelled_{false};
};
using LookupHandle = std::shared_ptr<LookupRequest>;

// Name and service lookups. Answers are delivered on the loop thread through
// EventLoop::post, never inside the call that starts the request, and only if
// the request was not cancelled. Errors are Windows Sockets codes (0 = success;
// 11001..11004 for resolver failures). A request that cannot be started throws
// std::system_error. Loop thread only.
class Resolver {
  public:
    // Address in network byte order.
    using AddressCallback = std::function<void(int error, std::uint32_t address)>;
    using NameCallback = std::function<void(int error, const std::string& name)>;
    using PortCallback = std::function<void(int error, int port)>;

    virtual ~Resolver() = default;

    // Host name (or dotted text) -> its first IPv4 address.
    virtual LookupHandle lookupHost(const std::string& host, AddressCallback done) = 0;
    // IPv4 address -> the host's official name; a missing name is an error.
    virtual LookupHandle lookupAddress(std::uint32_t address, NameCallback done) = 0;
    // Service name -> port (host byte order) for a protocol name such as "tcp".
    virtual LookupHandle lookupService(const std::string& service, const std::string& protocol,
                                       PortCallback done) = 0;
    // Port -> service name for a protocol name.
    virtual LookupHandle lookupPort(int port, const std::string& protocol, NameCallback done) = 0;

    // The services database answered at once, for property setters.
    virtual std::optional<int> serviceToPort(const std::string& service,
                                             const std::string& protocol) = 0;
    virtual std::optional<std::string> portToService(int port, const std::string& protocol) = 0;
};

}  // namespace pontavi
