// UIDL and LIST replies from a server that says arbitrary things: the first
// byte is the STAT count, the lines up to a "." line are the UIDL listing and
// the rest the LIST listing. Whatever they hold, every id the listing vouches
// for is a valid unique id that no other message shares.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "mail/mailbox_listing.h"

namespace {

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::int64_t count = data[0];
    pontavi::MailboxListing listing(count);
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    bool sizes = false;
    std::size_t from = 0;
    while (from <= text.size()) {
        const std::size_t end = std::min(text.find("\r\n", from), text.size());
        const std::string_view line = text.substr(from, end - from);
        if (line == ".") {
            sizes = true;
        } else if (sizes) {
            listing.AddSizeLine(line);
        } else {
            listing.AddIdLine(line);
        }
        from = end + 2;
    }
    listing.Finish();
    check(listing.Count() == count);
    std::set<std::string> ids;
    for (std::int64_t n = 0; n <= count + 1; ++n) {
        const auto id = listing.TrustedId(n);
        if (id) {
            check(n >= 1 && n <= count);
            check(pontavi::IsValidUniqueId(*id));
            check(ids.insert(*id).second);
        }
    }
    return 0;
}
