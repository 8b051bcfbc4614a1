#pragma once

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace pontavi {

enum TActionType { atEncryption, atDecryption };

// A stored text that is not a scrambled one (not hexadecimal, or only the
// start byte).
class EConvertError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The keyed scrambler of stored mail passwords. A scrambled text is a random
// start byte followed by one byte per plain character, each chained to the one
// before, written as upper-case hex pairs; a plain text of n characters gives
// 2 + 2n digits. Characters are 8-bit codes; every code from 1 to 254
// survives the round trip.
class VelkEncryption {
  public:
    // Draws the start byte of each scrambling; the default uses the system's
    // random source. Tests pass a fixed byte.
    using StartByteSource = std::function<std::uint8_t()>;

    static constexpr std::string_view kDefaultKey = "Kab Dou";

    VelkEncryption();
    explicit VelkEncryption(StartByteSource startByte);

    std::string Input;
    std::string Output;
    std::string Key;  // empty: kDefaultKey
    TActionType Action = atEncryption;

    // Output := Input scrambled or unscrambled as Action says; an empty Input
    // gives an empty Output. Throws EConvertError when unscrambling a text that
    // is not a scrambled one; Output then keeps its previous text.
    void Apply();

    std::string Scramble(std::string_view plain);
    std::string Unscramble(std::string_view scrambled) const;

  private:
    std::string_view effectiveKey() const;

    StartByteSource startByte_;
};

}  // namespace pontavi
