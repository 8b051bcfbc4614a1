#include "mail/velk_encryption.h"

#include <gtest/gtest.h>

#include <cctype>

namespace pontavi {
namespace {

VelkEncryption WithStartByte(std::uint8_t start, std::string key = "quolavin38") {
    VelkEncryption crypt([start] { return start; });
    crypt.Key = std::move(key);
    return crypt;
}

std::string AllCodes(int from, int to) {
    std::string text;
    for (int c = from; c <= to; ++c) {
        text += static_cast<char>(c);
    }
    return text;
}

TEST(VelkEncryption, ScramblesByTheChainedFormula) {
    // s = 0x10; 'a' (0x61): (0x10 + 0x61) mod 255 = 0x71, xor 'q' (0x71) = 0x00;
    // 'b' (0x62): (0x00 + 0x62) mod 255 = 0x62, xor 'u' (0x75) = 0x17.
    EXPECT_EQ(WithStartByte(0x10).Scramble("ab"), "100017");
    // The sum is reduced modulo 255: (0xFF + 0xFF) mod 255 = 0, xor 'q' = 0x71.
    EXPECT_EQ(WithStartByte(0xFF).Scramble("\xFF"), "FF71");
}

TEST(VelkEncryption, EveryCodeFrom1To254RoundTripsWithEveryStartByte) {
    const std::string plain = AllCodes(1, 254);
    for (int start = 0; start < 256; ++start) {
        VelkEncryption crypt = WithStartByte(static_cast<std::uint8_t>(start));
        std::string scrambled = crypt.Scramble(plain);
        ASSERT_EQ(crypt.Unscramble(scrambled), plain) << "start byte " << start;
    }
}

TEST(VelkEncryption, Code255SurvivesExceptAfterAScrambledByte255) {
    VelkEncryption crypt = WithStartByte(0x00);
    EXPECT_EQ(crypt.Unscramble(crypt.Scramble("\xFF")), "\xFF");
    // With the start byte 255 the 255 comes back as code 0.
    EXPECT_EQ(crypt.Unscramble("FF71"), std::string(1, '\0'));
}

TEST(VelkEncryption, OutputIsUpperCaseHexOfTwoPlusTwoNDigits) {
    VelkEncryption crypt = WithStartByte(0xAB);
    EXPECT_EQ(crypt.Scramble("x").size(), 4u);
    std::string eight = crypt.Scramble("password");
    EXPECT_EQ(eight.size(), 18u);
    EXPECT_EQ(eight.substr(0, 2), "AB");
    for (char c : eight) {
        EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F')) << c;
    }
}

TEST(VelkEncryption, DifferentStartBytesGiveDifferentTexts) {
    EXPECT_NE(WithStartByte(1).Scramble("secret"), WithStartByte(2).Scramble("secret"));
}

TEST(VelkEncryption, KeyWrapsAroundAfterItsLastCharacter) {
    // With a one-character key, every character uses the same key byte; with a
    // key "ab" the third character uses 'a' again.
    VelkEncryption two = WithStartByte(0, "ab");
    VelkEncryption one = WithStartByte(0, "a");
    std::string t = two.Scramble("\x01\x01\x01");
    // byte 3 depends on byte 2 and 'a': recompute with the one-character key from byte 2.
    unsigned prev = std::stoul(t.substr(4, 2), nullptr, 16);
    VelkEncryption fromPrev = WithStartByte(static_cast<std::uint8_t>(prev), "a");
    EXPECT_EQ(t.substr(6, 2), fromPrev.Scramble("\x01").substr(2, 2));
    EXPECT_EQ(two.Unscramble(t), "\x01\x01\x01");
    EXPECT_NE(one.Scramble("\x01\x01"), two.Scramble("\x01\x01"));
}

TEST(VelkEncryption, EmptyKeyMeansTheBuiltInKey) {
    VelkEncryption empty = WithStartByte(0x42, "");
    VelkEncryption builtIn = WithStartByte(0x42, "Kab Dou");
    const std::string plain = "longer than seven characters";
    EXPECT_EQ(empty.Scramble(plain), builtIn.Scramble(plain));
    EXPECT_EQ(empty.Unscramble(empty.Scramble(plain)), plain);
}

TEST(VelkEncryption, ReadsEitherLetterCase) {
    VelkEncryption crypt = WithStartByte(0xCE);
    std::string scrambled = crypt.Scramble("Zz");
    std::string lower;
    for (char c : scrambled) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(crypt.Unscramble(lower), "Zz");
}

TEST(VelkEncryption, OddDigitCounts) {
    VelkEncryption crypt = WithStartByte(0);
    // Three digits: the third is a one-digit pair.
    unsigned x = 0x7;
    unsigned d = x ^ 'q';
    unsigned expected = 0x10 < d ? d - 0x10 : d + 255 - 0x10;
    EXPECT_EQ(crypt.Unscramble("107"), std::string(1, static_cast<char>(expected)));
    // Five or more: the last digit is ignored.
    EXPECT_EQ(crypt.Unscramble("1000177"), crypt.Unscramble("100017"));
    EXPECT_EQ(crypt.Unscramble("10001"), crypt.Unscramble("1000"));
}

TEST(VelkEncryption, TextsThatAreNotScrambledFail) {
    VelkEncryption crypt = WithStartByte(0);
    EXPECT_THROW(crypt.Unscramble("AB"), EConvertError);
    EXPECT_THROW(crypt.Unscramble("A"), EConvertError);
    EXPECT_THROW(crypt.Unscramble("ZZ00"), EConvertError);
    EXPECT_THROW(crypt.Unscramble("00 1"), EConvertError);
    EXPECT_THROW(crypt.Unscramble("00+1"), EConvertError);
}

TEST(VelkEncryptionApply, FollowsActionAndKeepsOutputOnFailure) {
    VelkEncryption crypt = WithStartByte(0x10);
    crypt.Input = "ab";
    crypt.Apply();
    EXPECT_EQ(crypt.Output, "100017");
    crypt.Action = atDecryption;
    crypt.Input = crypt.Output;
    crypt.Apply();
    EXPECT_EQ(crypt.Output, "ab");
    crypt.Input = "nothex";
    EXPECT_THROW(crypt.Apply(), EConvertError);
    EXPECT_EQ(crypt.Output, "ab");
}

TEST(VelkEncryptionApply, EmptyInputEmptiesOutputInBothDirections) {
    for (TActionType action : {atEncryption, atDecryption}) {
        VelkEncryption crypt = WithStartByte(0);
        crypt.Output = "previous";
        crypt.Action = action;
        crypt.Apply();
        EXPECT_EQ(crypt.Output, "");
    }
}

TEST(VelkEncryption, DefaultSourceDrawsVaryingStartBytes) {
    VelkEncryption crypt;
    std::string first = crypt.Scramble("x").substr(0, 2);
    bool varied = false;
    for (int i = 0; i < 64 && !varied; ++i) {
        varied = crypt.Scramble("x").substr(0, 2) != first;
    }
    EXPECT_TRUE(varied);
}

}  // namespace
}  // namespace pontavi
