#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pontavi {

// The address to hand to the desktop for a row of the URL list, or nullopt
// when the row is not a web or FTP address. Accepted: rows starting with
// "http://", "https://" or "ftp://" (as they are), "www." (opened as
// "http://" + row) and "ftp." ("ftp://" + row), letter case ignored in these
// prefixes, with something after them. Refused: anything else (local paths,
// "file:" and other schemes), and any row with a control character, so a row
// can never reach the opener as an option or as more than one address.
std::optional<std::string> OpenableUrl(std::string_view row);

}  // namespace pontavi
