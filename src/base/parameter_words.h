#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pontavi {

// The words of a parameter line as typed: white space (space, tab, new line)
// separates them, and a double quote groups until the next double quote,
// spaces included; the quotes themselves are dropped, and a quote with no
// partner runs to the end of the line. Nothing else is special: "#", "'",
// "\", "$", ";" and the like arrive as they were typed. Never fails; a blank
// line gives no words, and "" alone gives one empty word.
std::vector<std::string> SplitParameters(std::string_view text);

}  // namespace pontavi
