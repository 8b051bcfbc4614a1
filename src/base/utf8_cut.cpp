#include "base/utf8_cut.h"

namespace pontavi {
namespace {

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the well-formed sequence starting at text[at], or 1.
std::size_t SequenceLength(const std::string& text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
    }
    if (at + length > text.size()) {
        return 1;
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (!IsContinuation(static_cast<unsigned char>(text[at + i]))) {
            return 1;
        }
    }
    return length;
}

}  // namespace

std::string CutToCharacters(std::string text, std::size_t maxCharacters) {
    std::size_t at = 0;
    for (std::size_t count = 0; at < text.size() && count < maxCharacters; ++count) {
        at += SequenceLength(text, at);
    }
    text.resize(at);
    return text;
}

std::size_t CountCharacters(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); at += SequenceLength(text, at)) {
        ++count;
    }
    return count;
}

}  // namespace pontavi
