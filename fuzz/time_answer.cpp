// Any 4-byte answer read against any clock within a few thousand years of
// 1970 must be read in the era nearest the clock, move the clock by whole
// seconds to the answer's time, and be applied only when that move is at
// most 12 hours.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "nettime/time_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) {
        return 0;
    }
    std::int64_t now = 0;
    std::memcpy(&now, data + 4, sizeof now);
    now %= std::int64_t{1} << 47;  // about 4,400 years either side of 1970, in ms
    const std::uint32_t value = pontavi::TimeAnswerValue(data);
    const std::int64_t unix = pontavi::TimeAnswerUnix(value, now / 1000);
    const std::int64_t era = std::int64_t{1} << 32;
    const std::int64_t wrapped = ((unix + pontavi::kTimeProtocolOffset) % era + era) % era;
    if (unix - now / 1000 > era / 2 + 1 || now / 1000 - unix > era / 2 + 1 ||
        wrapped != static_cast<std::int64_t>(value)) {
        std::abort();
    }
    const pontavi::ClockFromAnswer c(value, now);
    const std::int64_t nowSeconds = now / 1000 - (now % 1000 < 0 ? 1 : 0);
    const std::int64_t answer = pontavi::TimeAnswerUnix(value, nowSeconds);
    if (c.answerUnix != answer || c.moveMs != (answer - nowSeconds) * 1000 ||
        c.plausible() !=
            (c.moveMs >= -pontavi::kMaxClockMoveMs && c.moveMs <= pontavi::kMaxClockMoveMs)) {
        std::abort();
    }
    return 0;
}
