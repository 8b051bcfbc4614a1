#include "nettime/time_answer.h"

namespace pontavi {

namespace {

constexpr std::int64_t kEra = std::int64_t{1} << 32;

// Floor division, for times before 1970 too.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

std::uint32_t TimeAnswerValue(const std::uint8_t bytes[4]) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

std::int64_t TimeAnswerUnix(std::uint32_t value, std::int64_t nowUnix) {
    const std::int64_t first = std::int64_t{value} - kTimeProtocolOffset;
    // The era count k for which first + k * 2^32 lies nearest to now.
    const std::int64_t k = floorDiv(nowUnix - first + kEra / 2, kEra);
    return first + k * kEra;
}

ClockFromAnswer::ClockFromAnswer(std::uint32_t value, std::int64_t nowUnixMs) {
    const std::int64_t nowUnix = floorDiv(nowUnixMs, 1000);
    answerUnix = TimeAnswerUnix(value, nowUnix);
    moveMs = (answerUnix - nowUnix) * 1000;
}

}  // namespace pontavi
