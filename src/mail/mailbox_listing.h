#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pontavi {

// The answers to "uidl" and "list" for a mailbox whose STAT count is known:
// per message number its unique id and its size. The server is not trusted:
// a message is vouched for only when both listings name it once, its id is
// 1 to 70 printable characters (0x21 to 0x7E) that no other message shares,
// and its size is a plain number. A listing that names a number outside the
// STAT count, or a line without a number, vouches for nothing at all.
class MailboxListing {
  public:
    static constexpr std::size_t kMaxId = 70;

    explicit MailboxListing(std::int64_t count);

    // One line of the UIDL reply between its status line and ".". True when
    // the line named a message that had no id yet (the listing moved on).
    bool AddIdLine(std::string_view line);
    // The same for one line of the LIST reply.
    bool AddSizeLine(std::string_view line);
    // The whole listing is worthless (a refused command, a lying server).
    void Discard() { broken_ = true; }
    // Both replies are in: ids that several messages share vouch for none.
    void Finish();

    // The id of message `number` (1-based) when the listings vouch for it.
    std::optional<std::string> TrustedId(std::int64_t number) const;
    std::uint64_t Size(std::int64_t number) const;
    std::int64_t Count() const { return static_cast<std::int64_t>(entries_.size()); }

  private:
    struct Entry {
        std::string id;
        std::uint64_t size = 0;
        bool hasId = false;
        bool hasSize = false;
        bool doubtful = false;
    };
    Entry* entryFor(std::string_view line, std::string_view& rest);

    std::vector<Entry> entries_;
    bool broken_ = false;
};

// A unique id as RFC 1939 allows it: 1 to 70 characters from 0x21 to 0x7E.
bool IsValidUniqueId(std::string_view id);

}  // namespace pontavi
