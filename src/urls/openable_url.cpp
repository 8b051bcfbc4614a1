#include "urls/openable_url.h"

#include <algorithm>
#include <array>

namespace pontavi {
namespace {

bool isControl(char c) {
    auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Starts with prefix (lower case), ignoring letter case, and has more after it.
bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() > prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(),
                                                     [](char p, char t) { return p == lower(t); });
}

}  // namespace

std::optional<std::string> OpenableUrl(std::string_view row) {
    if (row.empty() || row.front() == '-' || std::any_of(row.begin(), row.end(), isControl)) {
        return std::nullopt;
    }
    static constexpr std::array<std::string_view, 3> kSchemes{"http://", "https://", "ftp://"};
    for (std::string_view scheme : kSchemes) {
        if (startsWithNoCase(row, scheme)) {
            return std::string(row);
        }
    }
    if (startsWithNoCase(row, "www.")) {
        return "http://" + std::string(row);
    }
    if (startsWithNoCase(row, "ftp.")) {
        return "ftp://" + std::string(row);
    }
    return std::nullopt;
}

}  // namespace pontavi
