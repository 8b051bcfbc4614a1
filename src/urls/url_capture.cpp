#include "urls/url_capture.h"

#include <array>

namespace pontavi {
namespace {

bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

std::string_view cutBefore(std::string_view text, char c) {
    return text.substr(0, text.find(c));
}

// Moves the start to the strongest marker and drops the words after the address.
std::string_view narrow(std::string_view text) {
    static constexpr std::array<std::string_view, 4> kMarkers{"http://", "ftp://", "www.", "ftp."};
    for (std::string_view marker : kMarkers) {
        auto at = text.find(marker);
        if (at != std::string_view::npos) {
            return cutBefore(text.substr(at), ' ');
        }
    }
    return text;
}

}  // namespace

std::optional<std::string> CaptureUrl(std::string_view clipboardText) {
    if (!contains(clipboardText, "://") && !contains(clipboardText, "www.") &&
        !contains(clipboardText, "ftp.")) {
        return std::nullopt;
    }
    std::string_view url = cutBefore(cutBefore(narrow(clipboardText), '\r'), '\n');
    if (url.empty()) {
        return std::nullopt;
    }
    return std::string(url);
}

}  // namespace pontavi
