#pragma once

#include <cstdint>

namespace pontavi {

// Seconds from 1900-01-01 to 1970-01-01 (25567 days).
inline constexpr std::int64_t kTimeProtocolOffset = 2'208'988'800;
// The farthest an answer may move the time of day; a larger move is a broken
// or hostile server, not a drifting clock.
inline constexpr std::int64_t kMaxClockMoveMs = 12LL * 3600 * 1000;

// The 4 bytes of an RFC 868 answer, most significant first.
std::uint32_t TimeAnswerValue(const std::uint8_t bytes[4]);

// The Unix time (seconds) an answer stands for: the 32-bit count wraps every
// 2^32 seconds (first in 2036), so it is read in the era nearest `nowUnix`.
std::int64_t TimeAnswerUnix(std::uint32_t value, std::int64_t nowUnix);

// The clock after an answer: `nowUnixMs` (UTC) with only its hour, minute and
// second replaced by the answer's; date and milliseconds are kept.
struct ClockFromAnswer {
    ClockFromAnswer(std::uint32_t value, std::int64_t nowUnixMs);

    int hour = 0;
    int minute = 0;
    int second = 0;
    std::int64_t newUnixMs = 0;
    std::int64_t moveMs = 0;  // newUnixMs - nowUnixMs
    // False when the move exceeds kMaxClockMoveMs: the answer is not applied.
    bool plausible() const { return moveMs <= kMaxClockMoveMs && moveMs >= -kMaxClockMoveMs; }
};

}  // namespace pontavi
