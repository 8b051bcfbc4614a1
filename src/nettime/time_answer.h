#pragma once

#include <cstdint>

namespace pontavi {

// Seconds from 1900-01-01 to 1970-01-01 (25567 days).
inline constexpr std::int64_t kTimeProtocolOffset = 2'208'988'800;
// The farthest an answer may move the clock; a larger move is a broken or
// hostile server (or a wrong era), not a drifting clock.
inline constexpr std::int64_t kMaxClockMoveMs = 12LL * 3600 * 1000;

// The 4 bytes of an RFC 868 answer, most significant first.
std::uint32_t TimeAnswerValue(const std::uint8_t bytes[4]);

// The Unix time (seconds) an answer stands for: the 32-bit count wraps every
// 2^32 seconds (first in 2036), so it is read in the era nearest `nowUnix`.
std::int64_t TimeAnswerUnix(std::uint32_t value, std::int64_t nowUnix);

// What an answer does to the clock: the answer's full time (date and time
// of day, read in the era nearest the clock) against the clock's time
// `nowUnixMs` (UTC). The clock moves by whole seconds and keeps its
// milliseconds, which the answer does not carry.
struct ClockFromAnswer {
    ClockFromAnswer(std::uint32_t value, std::int64_t nowUnixMs);

    std::int64_t answerUnix = 0;  // the answer's time, seconds since 1970
    std::int64_t moveMs = 0;      // how far the clock moves, back when negative
    // False when the move exceeds kMaxClockMoveMs: the answer is not applied.
    bool plausible() const { return moveMs <= kMaxClockMoveMs && moveMs >= -kMaxClockMoveMs; }
};

}  // namespace pontavi
