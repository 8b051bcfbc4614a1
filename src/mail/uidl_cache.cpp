#include "mail/uidl_cache.h"

#include <set>

namespace pontavi {

std::string UidlHeaderCache::Key(const MailServerRecord& box) {
    // Length-prefixed, so no field's text can make two mailboxes one.
    std::string key;
    for (const std::string* field : {&box.Name, &box.Server, &box.UserName}) {
        key += std::to_string(field->size()) + ":" + *field;
    }
    return key;
}

std::size_t UidlHeaderCache::Cost(const std::string& id, const CachedHeaders& headers) {
    std::size_t cost =
        128 + id.size() + headers.from.value_or("").size() + headers.subject.value_or("").size();
    for (const std::string& line : headers.messageIds) {
        cost += 32 + line.size();
    }
    return cost;
}

void UidlHeaderCache::forget(Mailbox& box) {
    for (const auto& [id, headers] : box) {
        bytes_ -= Cost(id, headers);
    }
    box.clear();
}

void UidlHeaderCache::KeepOnly(const std::vector<MailServerRecord>& boxes) {
    std::set<std::string> keep;
    for (const MailServerRecord& box : boxes) {
        keep.insert(Key(box));
    }
    for (auto it = boxes_.begin(); it != boxes_.end();) {
        if (keep.count(it->first) != 0) {
            ++it;
            continue;
        }
        forget(it->second);
        it = boxes_.erase(it);
    }
}

std::vector<const CachedHeaders*> UidlHeaderCache::Match(const MailServerRecord& box,
                                                         const MailboxListing& listing) {
    Mailbox& kept = boxes_[Key(box)];
    std::unordered_map<std::string, std::uint64_t> listed;
    listed.reserve(static_cast<std::size_t>(listing.Count()));
    for (std::int64_t n = 1; n <= listing.Count(); ++n) {
        if (auto id = listing.TrustedId(n)) {
            listed.emplace(std::move(*id), listing.Size(n));
        }
    }
    for (auto it = kept.begin(); it != kept.end();) {
        const auto at = listed.find(it->first);
        if (at != listed.end() && at->second == it->second.size) {
            ++it;
            continue;
        }
        bytes_ -= Cost(it->first, it->second);
        it = kept.erase(it);
    }
    std::vector<const CachedHeaders*> plan(static_cast<std::size_t>(listing.Count()), nullptr);
    for (std::int64_t n = 1; n <= listing.Count(); ++n) {
        if (auto id = listing.TrustedId(n)) {
            const auto at = kept.find(*id);
            if (at != kept.end()) {
                plan[static_cast<std::size_t>(n - 1)] = &at->second;
            }
        }
    }
    return plan;
}

bool UidlHeaderCache::Store(const MailServerRecord& box, const std::string& id,
                            CachedHeaders headers) {
    std::size_t idBytes = 0;
    for (const std::string& line : headers.messageIds) {
        idBytes += line.size();
    }
    if (headers.messageIds.size() > kMaxIdLines || idBytes > kMaxIdBytes) {
        return false;
    }
    const std::size_t cost = Cost(id, headers);
    Mailbox& kept = boxes_[Key(box)];
    const auto old = kept.find(id);
    if (old != kept.end()) {
        bytes_ -= Cost(old->first, old->second);
        kept.erase(old);
    }
    if (bytes_ + cost > byteLimit_) {
        return false;
    }
    bytes_ += cost;
    kept.emplace(id, std::move(headers));
    return true;
}

std::size_t UidlHeaderCache::Size(const MailServerRecord& box) const {
    const auto at = boxes_.find(Key(box));
    return at == boxes_.end() ? 0 : at->second.size();
}

}  // namespace pontavi
