#include "mail/mailbox_listing.h"

#include <algorithm>
#include <unordered_map>

namespace pontavi {

namespace {

constexpr std::size_t kMaxDigits = 15;

// A plain decimal number of 1 to 15 digits, nothing else.
std::optional<std::uint64_t> Number(std::string_view text) {
    if (text.empty() || text.size() > kMaxDigits) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

}  // namespace

bool IsValidUniqueId(std::string_view id) {
    return !id.empty() && id.size() <= MailboxListing::kMaxId &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= 0x21 && c <= 0x7e; });
}

MailboxListing::MailboxListing(std::int64_t count)
    : entries_(static_cast<std::size_t>(std::max<std::int64_t>(count, 0))) {}

// "n rest": the entry of message n, and the rest after the one space. A line
// without a number in range breaks the whole listing.
MailboxListing::Entry* MailboxListing::entryFor(std::string_view line, std::string_view& rest) {
    const std::size_t space = line.find(' ');
    const auto number = Number(line.substr(0, space));
    if (!number || *number < 1 || *number > entries_.size()) {
        broken_ = true;
        return nullptr;
    }
    rest = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
    return &entries_[*number - 1];
}

bool MailboxListing::AddIdLine(std::string_view line) {
    std::string_view id;
    Entry* entry = entryFor(line, id);
    if (entry == nullptr) {
        return false;
    }
    if (entry->hasId) {
        entry->doubtful = true;  // listed twice
        return false;
    }
    entry->hasId = true;
    if (IsValidUniqueId(id)) {
        entry->id = std::string(id);
    } else {
        entry->doubtful = true;
    }
    return true;
}

bool MailboxListing::AddSizeLine(std::string_view line) {
    std::string_view rest;
    Entry* entry = entryFor(line, rest);
    if (entry == nullptr) {
        return false;
    }
    if (entry->hasSize) {
        entry->doubtful = true;
        return false;
    }
    entry->hasSize = true;
    // Servers may add words after the size.
    const auto size = Number(rest.substr(0, rest.find(' ')));
    if (size) {
        entry->size = *size;
    } else {
        entry->doubtful = true;
    }
    return true;
}

void MailboxListing::Finish() {
    std::unordered_map<std::string_view, Entry*> first;
    first.reserve(entries_.size());
    for (Entry& e : entries_) {
        if (e.id.empty()) {
            continue;
        }
        const auto [at, fresh] = first.try_emplace(e.id, &e);
        if (!fresh) {
            at->second->doubtful = true;
            e.doubtful = true;
        }
    }
}

std::optional<std::string> MailboxListing::TrustedId(std::int64_t number) const {
    if (broken_ || number < 1 || number > Count()) {
        return std::nullopt;
    }
    const Entry& e = entries_[static_cast<std::size_t>(number - 1)];
    if (e.doubtful || !e.hasId || !e.hasSize) {
        return std::nullopt;
    }
    return e.id;
}

std::uint64_t MailboxListing::Size(std::int64_t number) const {
    if (number < 1 || number > Count()) {
        return 0;
    }
    return entries_[static_cast<std::size_t>(number - 1)].size;
}

}  // namespace pontavi
