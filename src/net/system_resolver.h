#pragma once

#include <memory>

#include "net/resolver.h"
#include "platform/event_loop.h"

namespace pontavi {

// The system's resolver: host and address lookups (getaddrinfo, getnameinfo)
// each run on a worker thread of their own and post the answer to the loop;
// service lookups read the services database at once and post the answer.
//
// Workers are detached and share only a small state block with this object, so
// destroying the resolver while a lookup hangs neither blocks nor leaves a
// worker touching freed memory: its late answer is simply dropped.
class SystemResolver final : public Resolver {
  public:
    explicit SystemResolver(EventLoop& loop);
    ~SystemResolver() override;
    SystemResolver(const SystemResolver&) = delete;
    SystemResolver& operator=(const SystemResolver&) = delete;

    LookupHandle lookupHost(const std::string& host, AddressCallback done) override;
    LookupHandle lookupAddress(std::uint32_t address, NameCallback done) override;
    LookupHandle lookupService(const std::string& service, const std::string& protocol,
                               PortCallback done) override;
    LookupHandle lookupPort(int port, const std::string& protocol, NameCallback done) override;

    std::optional<int> serviceToPort(const std::string& service,
                                     const std::string& protocol) override;
    std::optional<std::string> portToService(int port, const std::string& protocol) override;

  private:
    struct Shared;
    // Runs `work` on a worker; what it returns is run on the loop thread
    // unless the request was cancelled by then.
    void runOnWorker(const LookupHandle& handle, std::function<std::function<void()>()> work);
    void postAnswer(const LookupHandle& handle, std::function<void()> deliver);

    EventLoop& loop_;
    std::shared_ptr<Shared> shared_;
};

}  // namespace pontavi
