#include "mail/seen_message_ids.h"

namespace pontavi {

bool SeenMessageIdList::Add(const std::string& line) {
    if (Contains(line)) {
        return false;
    }
    while (!lines_.empty() && bytes_ + line.size() > byteLimit_) {
        index_.erase(lines_.front());
        bytes_ -= lines_.front().size();
        lines_.pop_front();
    }
    lines_.push_back(line);
    index_.insert(lines_.back());
    bytes_ += line.size();
    return true;
}

void SeenMessageIdList::clear() {
    index_.clear();
    lines_.clear();
    bytes_ = 0;
}

}  // namespace pontavi
