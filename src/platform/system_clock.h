#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace pontavi {

// The system's wall clock (UTC), read directly and set through whatever the
// system allows an unprivileged program. Loop thread only.
class SystemClock {
  public:
    enum class Outcome {
        Set,        // the clock was moved as asked
        KeptByNtp,  // a time synchronisation service keeps the clock; nothing was set
        Refused,    // the system refused; detail says why and how to allow it
    };
    struct Result {
        Outcome outcome;
        std::string detail;
    };
    using Done = std::function<void(const Result&)>;

    virtual ~SystemClock() = default;

    // Milliseconds since 1970-01-01 00:00:00 UTC.
    virtual std::int64_t NowUtcMillis() const = 0;
    // Asks for the clock to be moved by `millis` (back when negative) from
    // whatever it shows when the system applies the move, so that time spent
    // getting there does not shift the result. `done` runs once on the loop
    // thread, in a later turn, unless the clock is destroyed first.
    virtual void MoveBy(std::int64_t millis, Done done) = 0;
};

}  // namespace pontavi
