#include "nettime/time_answer.h"

namespace pontavi {

namespace {

constexpr std::int64_t kEra = std::int64_t{1} << 32;
constexpr std::int64_t kDayMs = 86'400'000;

// Floor division and its remainder, for times before 1970 too.
std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
std::int64_t floorMod(std::int64_t a, std::int64_t b) {
    return a - floorDiv(a, b) * b;
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
    const std::int64_t answer = TimeAnswerUnix(value, floorDiv(nowUnixMs, 1000));
    const std::int64_t secondOfDay = floorMod(answer, 86'400);
    hour = static_cast<int>(secondOfDay / 3600);
    minute = static_cast<int>(secondOfDay / 60 % 60);
    second = static_cast<int>(secondOfDay % 60);
    const std::int64_t msOfDay = floorMod(nowUnixMs, kDayMs);
    const std::int64_t ms = floorMod(nowUnixMs, 1000);
    newUnixMs = nowUnixMs - msOfDay + secondOfDay * 1000 + ms;
    moveMs = newUnixMs - nowUnixMs;
}

}  // namespace pontavi
