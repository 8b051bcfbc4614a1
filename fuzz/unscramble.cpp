// Arbitrary stored password texts must unscramble or fail cleanly, and any
// password of codes 1 to 254 must survive a scramble and unscramble.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mail/velk_encryption.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::uint8_t start = size > 0 ? data[0] : 0;
    pontavi::VelkEncryption crypt([start] { return start; });
    crypt.Key = size > 1 ? text.substr(1, data[1] % 12) : "quolavin38";

    crypt.Action = pontavi::atDecryption;
    crypt.Input = text;
    crypt.Output = "kept";
    try {
        crypt.Apply();
    } catch (const pontavi::EConvertError&) {
        if (crypt.Output != "kept") {
            std::abort();
        }
    }

    std::string plain;
    for (unsigned char c : text) {
        plain += static_cast<char>(1 + c % 254);
    }
    if (plain.empty()) {
        return 0;
    }
    std::string scrambled = crypt.Scramble(plain);
    if (scrambled.size() != 2 + 2 * plain.size() || crypt.Unscramble(scrambled) != plain) {
        std::abort();
    }
    return 0;
}
