#pragma once

#include <cstdint>
#include <vector>

#include "platform/event_loop.h"
#include "platform/system_clock.h"

namespace pontavi {

// A clock that stands at `now` and records the moves it is asked for, never
// touching the machine's clock. Answers in a later loop turn, as the real one.
class FakeSystemClock final : public SystemClock {
  public:
    explicit FakeSystemClock(EventLoop& loop) : loop_(loop) {}

    std::int64_t NowUtcMillis() const override { return now; }
    void MoveBy(std::int64_t millis, Done done) override {
        requests.push_back(millis);
        if (answer.outcome == Outcome::Set) {
            now += millis;
        }
        loop_.post([done = std::move(done), result = answer] { done(result); });
    }

    std::int64_t now = 0;
    Result answer{Outcome::Set, {}};
    std::vector<std::int64_t> requests;  // the moves, in milliseconds

  private:
    EventLoop& loop_;
};

}  // namespace pontavi
