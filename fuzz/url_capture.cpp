// Arbitrary clipboard text through the capture: never crashes, and whatever
// it keeps is a non-empty piece of the text with no line break in it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "urls/url_capture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto url = pontavi::CaptureUrl(text);
    if (!url) {
        return 0;
    }
    if (url->empty() || url->find_first_of("\r\n") != std::string::npos ||
        text.find(*url) == std::string_view::npos) {
        std::abort();
    }
    return 0;
}
