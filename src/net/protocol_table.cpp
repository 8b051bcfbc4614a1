#include "net/protocol_table.h"

#include <algorithm>
#include <cctype>

namespace pontavi {

namespace {

struct ProtocolEntry {
    const char* name;
    int number;
};

constexpr ProtocolEntry kProtocols[] = {
    {"ip", 0},   {"icmp", 1}, {"ggp", 2}, {"tcp", 6},   {"pup", 12},
    {"udp", 17}, {"idp", 22}, {"nd", 77}, {"raw", 255},
};

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::optional<int> ProtocolNumberOf(const std::string& name) {
    const std::string lower = lowerCase(name);
    for (const auto& entry : kProtocols) {
        if (lower == entry.name) {
            return entry.number;
        }
    }
    return std::nullopt;
}

std::string ProtocolNameOf(int number) {
    for (const auto& entry : kProtocols) {
        if (entry.number == number) {
            return entry.name;
        }
    }
    return {};
}

}  // namespace pontavi
