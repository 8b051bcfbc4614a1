#include "connection/online_counter.h"

#include <charconv>
#include <limits>

namespace pontavi {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// Two digits, 00 to 59.
bool ParseSexagesimal(std::string_view text, int& value) {
    if (text.size() != 2 || !AllDigits(text)) {
        return false;
    }
    value = (text[0] - '0') * 10 + (text[1] - '0');
    return value < 60;
}

void AppendTwoDigits(std::string& out, std::uint64_t value) {
    if (value < 10) {
        out += '0';
    }
    out += std::to_string(value);
}

}  // namespace

OnlineCounter ParseOnlineCounter(std::string_view text) {
    const auto firstColon = text.find(':');
    if (firstColon == std::string_view::npos || text.size() != firstColon + 6 ||
        text[firstColon + 3] != ':') {
        return {};
    }
    const std::string_view hoursText = text.substr(0, firstColon);
    OnlineCounter counter;
    if (!AllDigits(hoursText)) {
        return {};
    }
    const auto [end, error] =
        std::from_chars(hoursText.data(), hoursText.data() + hoursText.size(), counter.hours);
    // Leave room to count on: the largest hour count still advances.
    if (error != std::errc{} || counter.hours == std::numeric_limits<std::uint64_t>::max()) {
        return {};
    }
    if (!ParseSexagesimal(text.substr(firstColon + 1, 2), counter.minutes) ||
        !ParseSexagesimal(text.substr(firstColon + 4, 2), counter.seconds)) {
        return {};
    }
    return counter;
}

std::string FormatOnlineCounter(const OnlineCounter& counter) {
    std::string text;
    text.reserve(8);
    AppendTwoDigits(text, counter.hours);
    text += ':';
    AppendTwoDigits(text, static_cast<std::uint64_t>(counter.minutes));
    text += ':';
    AppendTwoDigits(text, static_cast<std::uint64_t>(counter.seconds));
    return text;
}

void AdvanceOnlineCounter(OnlineCounter& counter) {
    if (counter.seconds == 59) {
        counter.seconds = 0;
        ++counter.minutes;
    } else {
        ++counter.seconds;
    }
    if (counter.minutes == 60) {
        counter.minutes = 0;
        ++counter.hours;
    }
}

std::string NextOnlineCounterText(std::string_view text) {
    OnlineCounter counter = ParseOnlineCounter(text);
    AdvanceOnlineCounter(counter);
    return FormatOnlineCounter(counter);
}

}  // namespace pontavi
