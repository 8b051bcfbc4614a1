#include "base/utf8_cut.h"

#include <gtest/gtest.h>

namespace pontavi {
namespace {

TEST(Utf8Cut, CutsAtCharacterBoundaries) {
    const std::string e = "\xC3\xA9";             // é, two bytes
    const std::string euro = "\xE2\x82\xAC";      // €, three bytes
    const std::string clef = "\xF0\x9D\x84\x9E";  // four bytes
    struct Case {
        std::string text;
        std::size_t max;
        std::string expected;
    };
    const Case cases[] = {
        {"abc", 2, "ab"},
        {"abc", 5, "abc"},
        {"", 3, ""},
        {e + e + e, 2, e + e},
        {"a" + euro + clef + "b", 3, "a" + euro + clef},
        {std::string(254, 'x') + e + "y", 255, std::string(254, 'x') + e},
        // Bytes that are not UTF-8 count one each; a broken sequence is not
        // taken for a character that would swallow what follows.
        {"\xFF\xFE\xFD", 2, "\xFF\xFE"},
        {"\xC3"
         "ab",
         2,
         "\xC3"
         "a"},
        {"\xE2\x82"
         "a",
         2, "\xE2\x82"},
        {"\x80\x80\x80", 1, "\x80"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CutToCharacters(c.text, c.max), c.expected) << c.text << " / " << c.max;
    }
}

TEST(Utf8Cut, AnIdentOfLongCharactersKeeps255OfThem) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += "\xC3\xA9";
    }
    const std::string cut = CutToCharacters(text, 255);
    EXPECT_EQ(cut.size(), 510u);
    EXPECT_EQ(cut, text.substr(0, 510));
}

}  // namespace
}  // namespace pontavi
