#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>

namespace pontavi {

// Every distinct Message-ID header line seen since the program started, whole
// and in the order first seen, with a hash index beside the list so a look-up
// costs the same in a mailbox of ten thousand messages as in one of ten.
// Comparison is exact (letter case and spacing count). Never saved.
//
// A hostile server could hand out a fresh identifier for every message of
// every cycle; past `byteLimit` bytes the oldest lines are forgotten first.
class SeenMessageIdList {
  public:
    static constexpr std::size_t kDefaultByteLimit = 32u << 20;

    explicit SeenMessageIdList(std::size_t byteLimit = kDefaultByteLimit) : byteLimit_(byteLimit) {}
    SeenMessageIdList(const SeenMessageIdList&) = delete;
    SeenMessageIdList& operator=(const SeenMessageIdList&) = delete;

    // Keeps the line when it has not been seen; true when it was new.
    bool Add(const std::string& line);
    bool Contains(std::string_view line) const { return index_.count(line) != 0; }

    std::size_t size() const { return lines_.size(); }
    bool empty() const { return lines_.empty(); }
    const std::string& operator[](std::size_t i) const { return lines_.at(i); }
    std::size_t Bytes() const { return bytes_; }
    void clear();

  private:
    std::size_t byteLimit_;
    std::size_t bytes_ = 0;
    // A deque keeps its elements in place as it grows at either end, so the
    // index may view into them.
    std::deque<std::string> lines_;
    std::unordered_set<std::string_view> index_;
};

}  // namespace pontavi
