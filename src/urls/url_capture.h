#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pontavi {

// Cuts a web or FTP address out of text copied to the clipboard. The text is
// a candidate when it contains "://", "www." or "ftp."; the address starts at
// the first of "http://", "ftp://", "www.", "ftp." (tried in that order) and
// ends before the first space, and in every case before the first CR and then
// the first LF. A candidate with only "://" (https://, news://) keeps its
// start and its spaces. nullopt when the text is no candidate or the address
// comes out empty.
std::optional<std::string> CaptureUrl(std::string_view clipboardText);

}  // namespace pontavi
