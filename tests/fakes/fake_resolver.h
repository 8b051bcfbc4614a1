#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "net/resolver.h"
#include "platform/event_loop.h"

namespace pontavi {

// A resolver with a table of hosts, addresses and services. Answers come
// through the loop: at once (posted) or after a programmed delay realised
// with a loop timer, so delays pass in virtual time. Unknown names fail with
// 11001 ("Host not found").
class FakeResolver final : public Resolver {
  public:
    static constexpr Millis kNever = -1;

    explicit FakeResolver(EventLoop& loop) : loop_(loop) {}
    ~FakeResolver() override;
    FakeResolver(const FakeResolver&) = delete;
    FakeResolver& operator=(const FakeResolver&) = delete;

    // Table entries; addresses in dotted form.
    void addHost(const std::string& name, const std::string& dotted);
    void addReverse(const std::string& dotted, const std::string& name);
    void addService(const std::string& name, int port, const std::string& protocol = "tcp");
    // Delay of lookups of one host name or dotted address (kNever: no answer).
    void setDelay(const std::string& hostOrAddress, Millis delay) {
        delays_[hostOrAddress] = delay;
    }
    // Delay of every other lookup; 0 answers in the next loop turn.
    void setDefaultDelay(Millis delay) { defaultDelay_ = delay; }

    int requests() const { return requests_; }
    const std::vector<std::string>& asked() const { return asked_; }
    // Answers dropped because their request had been cancelled.
    int dropped() const { return dropped_; }

    LookupHandle lookupHost(const std::string& host, AddressCallback done) override;
    LookupHandle lookupAddress(std::uint32_t address, NameCallback done) override;
    LookupHandle lookupService(const std::string& service, const std::string& protocol,
                               PortCallback done) override;
    LookupHandle lookupPort(int port, const std::string& protocol, NameCallback done) override;
    std::optional<int> serviceToPort(const std::string& service,
                                     const std::string& protocol) override;
    std::optional<std::string> portToService(int port, const std::string& protocol) override;

  private:
    LookupHandle answerLater(const std::string& key, std::function<void()> answer);

    EventLoop& loop_;
    std::map<std::string, std::uint32_t> hosts_;
    std::map<std::uint32_t, std::string> reverse_;
    std::map<std::pair<std::string, std::string>, int> services_;
    std::map<std::string, Millis> delays_;
    Millis defaultDelay_ = 0;
    int requests_ = 0;
    int dropped_ = 0;
    std::vector<std::string> asked_;
    std::set<EventLoop::TimerId> timers_;
};

}  // namespace pontavi
