#pragma once

#include <cstddef>

namespace pontavi {

// The largest width among a list's rows, kept up to date row by row. Only
// when the last row of the largest width leaves must the whole list be
// measured again; stale() says so.
class WidestRow {
  public:
    void clear() {
        width_ = 0;
        count_ = 0;
        stale_ = false;
    }
    void added(int width) {
        if (width > width_) {
            width_ = width;
            count_ = 1;
        } else if (width == width_) {
            ++count_;
        }
    }
    void removed(int width) {
        if (width == width_ && count_ > 0 && --count_ == 0) {
            stale_ = true;
        }
    }
    bool stale() const { return stale_; }
    // 0 for an empty list.
    int width() const { return width_; }

  private:
    int width_ = 0;
    std::size_t count_ = 0;
    bool stale_ = false;
};

}  // namespace pontavi
