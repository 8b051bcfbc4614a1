#pragma once

#include <cstdint>
#include <vector>

#include "platform/event_loop.h"
#include "platform/system_clock.h"

namespace pontavi {

// A clock that stands at `now` and records what it is asked to set, never
// touching the machine's clock. Answers in a later loop turn, as the real one.
class FakeSystemClock final : public SystemClock {
  public:
    explicit FakeSystemClock(EventLoop& loop) : loop_(loop) {}

    std::int64_t NowUtcMillis() const override { return now; }
    void SetUtc(std::int64_t unixMillis, Done done) override {
        requests.push_back(unixMillis);
        if (answer.outcome == Outcome::Set) {
            now = unixMillis;
        }
        loop_.post([done = std::move(done), result = answer] { done(result); });
    }

    std::int64_t now = 0;
    Result answer{Outcome::Set, {}};
    std::vector<std::int64_t> requests;

  private:
    EventLoop& loop_;
};

}  // namespace pontavi
