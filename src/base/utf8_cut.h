#pragma once

#include <cstddef>
#include <string>

namespace pontavi {

// The text's first `maxCharacters` characters, read as UTF-8: a character is
// never cut in two. A byte that does not begin a well-formed sequence counts
// as one character of its own, so any bytes give a bounded result.
std::string CutToCharacters(std::string text, std::size_t maxCharacters);

// How many characters the text holds, counted as CutToCharacters counts them.
std::size_t CountCharacters(const std::string& text);

}  // namespace pontavi
