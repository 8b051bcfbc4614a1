#include "mail/velk_encryption.h"

#include <algorithm>
#include <random>
#include "base/hex.h"

namespace pontavi {
namespace {

void AppendHexPair(std::string& out, unsigned value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    out += kHex[(value >> 4) & 15];
    out += kHex[value & 15];
}

// One or two hex digits at pos; anything else is not a scrambled text.
unsigned HexPairAt(std::string_view text, std::size_t pos) {
    std::string_view pair = text.substr(std::min(pos, text.size()), 2);
    if (pair.empty()) {
        throw EConvertError("'' is not a valid hexadecimal value");
    }
    unsigned value = 0;
    for (char c : pair) {
        int d = HexDigitValue(c);
        if (d < 0) {
            throw EConvertError("'" + std::string(pair) + "' is not a valid hexadecimal value");
        }
        value = value * 16 + static_cast<unsigned>(d);
    }
    return value;
}

std::uint8_t RandomStartByte() {
    std::random_device device;
    return static_cast<std::uint8_t>(std::uniform_int_distribution<unsigned>(0, 255)(device));
}

}  // namespace

VelkEncryption::VelkEncryption() : VelkEncryption(RandomStartByte) {}

VelkEncryption::VelkEncryption(StartByteSource startByte) : startByte_(std::move(startByte)) {}

std::string_view VelkEncryption::effectiveKey() const {
    return Key.empty() ? kDefaultKey : std::string_view(Key);
}

void VelkEncryption::Apply() {
    if (Input.empty()) {
        Output.clear();
        return;
    }
    Output = Action == atEncryption ? Scramble(Input) : Unscramble(Input);
}

std::string VelkEncryption::Scramble(std::string_view plain) {
    const std::string_view key = effectiveKey();
    unsigned prev = startByte_();
    std::string out;
    out.reserve(2 + 2 * plain.size());
    AppendHexPair(out, prev);
    for (std::size_t i = 0; i < plain.size(); ++i) {
        // 255, not 256: the sum is reduced into 0..254 before the key is mixed in.
        unsigned sum = (prev + static_cast<unsigned char>(plain[i])) % 255;
        unsigned x = sum ^ static_cast<unsigned char>(key[i % key.size()]);
        AppendHexPair(out, x);
        prev = x;
    }
    return out;
}

std::string VelkEncryption::Unscramble(std::string_view scrambled) const {
    const std::string_view key = effectiveKey();
    unsigned prev = HexPairAt(scrambled, 0);
    std::string out;
    std::size_t pos = 2;
    std::size_t k = 0;
    // The body runs at least once; a trailing lone digit after the third is ignored.
    do {
        unsigned x = HexPairAt(scrambled, pos);
        unsigned d = x ^ static_cast<unsigned char>(key[k++ % key.size()]);
        unsigned code = prev < d ? d - prev : d + 255 - prev;
        out += static_cast<char>(code);
        prev = x;
        pos += 2;
    } while (pos + 1 < scrambled.size());
    return out;
}

}  // namespace pontavi
