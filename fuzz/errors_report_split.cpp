// An errors report entry holds a server's reply: whatever it says, the split
// must give the error text and the server name as pieces of the entry, the
// name one of the cycle's names (cut to its box) when the entry ends with
// "@" and that name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "mail/errors_form.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Lines before the last are the cycle's server names; the last is the entry.
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> names;
    std::size_t at = 0;
    for (std::size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
        names.push_back(text.substr(at, end - at));
    }
    const std::string entry = text.substr(at);
    const auto split = pontavi::TErrorsForm::SplitEntry(entry, names);
    using pontavi::TErrorsForm;
    if (split.server.size() > TErrorsForm::kMaxServerText ||
        (!split.error.empty() &&
         entry.compare(TErrorsForm::kPrefixLength, split.error.size(), split.error) != 0) ||
        (!split.server.empty() && entry.find(split.server) == std::string::npos)) {
        std::abort();
    }
    for (const std::string& name : names) {
        const bool endsWithName =
            entry.size() > name.size() &&
            entry.compare(entry.size() - name.size() - 1, name.size() + 1, "@" + name) == 0;
        if (endsWithName &&
            split.server.size() < std::min(name.size(), TErrorsForm::kMaxServerText)) {
            std::abort();  // a longer known name was passed over
        }
    }
    return 0;
}
