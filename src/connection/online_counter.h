#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pontavi {

// An on-line time counter, shown as "hh:mm:ss" with at least two digits of
// hours and no upper bound on them.
struct OnlineCounter {
    std::uint64_t hours = 0;
    int minutes = 0;
    int seconds = 0;

    friend bool operator==(const OnlineCounter&, const OnlineCounter&) = default;
};

// Reads a counter text. A text not in the counter form (a hand-edited
// setting, say) reads as zero rather than failing at every tick.
OnlineCounter ParseOnlineCounter(std::string_view text);

std::string FormatOnlineCounter(const OnlineCounter& counter);

// One second on.
void AdvanceOnlineCounter(OnlineCounter& counter);

// Parse, advance by one second, format.
std::string NextOnlineCounterText(std::string_view text);

}  // namespace pontavi
