#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "mail/mail_server_record.h"
#include "mail/mailbox_listing.h"

namespace pontavi {

// What a message's "top n 0" put into the cycle: the grid's From and Subject
// cells (absent when the header had no such line) and its Message-ID lines,
// whole, in order. `size` is the message's size in the LIST reply it was
// read with, so a server that hands an id to another message is caught.
struct CachedHeaders {
    std::optional<std::string> from;
    std::optional<std::string> subject;
    std::vector<std::string> messageIds;
    std::uint64_t size = 0;
};

// The headers of every message read in this run, per mailbox (entry name,
// server and user) and unique id, so that a cycle asks TOP only for messages
// it has not read before. Kept in memory only; a mailbox keeps just the ids
// its server listed last, and the whole cache stops taking entries past
// `byteLimit` bytes (those messages are simply read again).
class UidlHeaderCache {
  public:
    static constexpr std::size_t kDefaultByteLimit = 32u << 20;
    // A message with more or longer Message-ID lines than this is not kept.
    static constexpr std::size_t kMaxIdLines = 8;
    static constexpr std::size_t kMaxIdBytes = 2048;

    explicit UidlHeaderCache(std::size_t byteLimit = kDefaultByteLimit) : byteLimit_(byteLimit) {}
    UidlHeaderCache(const UidlHeaderCache&) = delete;
    UidlHeaderCache& operator=(const UidlHeaderCache&) = delete;

    // Forgets the mailboxes that are no longer configured.
    void KeepOnly(const std::vector<MailServerRecord>& boxes);
    // Drops the ids of `box` the listing no longer vouches for (or whose size
    // changed) and returns, per message number 1..Count, its kept headers or
    // nullptr when TOP must read it. The pointers stay valid until the next
    // Match or KeepOnly.
    std::vector<const CachedHeaders*> Match(const MailServerRecord& box,
                                            const MailboxListing& listing);
    // Keeps what TOP read for `id`; false when the cache is full or the
    // headers are too large to keep.
    bool Store(const MailServerRecord& box, const std::string& id, CachedHeaders headers);

    std::size_t Size(const MailServerRecord& box) const;
    std::size_t Bytes() const { return bytes_; }

  private:
    using Mailbox = std::unordered_map<std::string, CachedHeaders>;
    static std::string Key(const MailServerRecord& box);
    static std::size_t Cost(const std::string& id, const CachedHeaders& headers);
    void forget(Mailbox& box);

    std::size_t byteLimit_;
    std::size_t bytes_ = 0;
    std::map<std::string, Mailbox> boxes_;
};

}  // namespace pontavi
