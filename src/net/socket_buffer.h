#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pontavi {

// A fixed-size byte buffer with a count of bytes held, as the read and write
// buffers of a buffered socket use it. Bytes leave from the front; taking them
// only moves a start mark, and the held bytes move up when room is needed at
// the back, so cutting many short lines out of a large buffer stays cheap.
class SocketBuffer {
  public:
    // Raises "Cannot change buffer size - data will be lost." for a size <= 0.
    explicit SocketBuffer(std::int64_t size);

    std::size_t Size() const { return storage_.size(); }
    std::size_t Count() const { return end_ - begin_; }
    std::size_t Free() const { return Size() - Count(); }
    bool Full() const { return Free() == 0; }
    std::string_view Held() const { return {storage_.data() + begin_, Count()}; }

    // A new size may not be 0 or less, nor below the bytes held ("Cannot
    // change buffer size - data will be lost."); the same size changes
    // nothing; otherwise the held bytes move into a new zero-filled buffer.
    // Returns whether the buffer changed.
    bool Resize(std::int64_t size);

    // Appends up to Free() bytes; returns how many.
    std::size_t Append(const void* data, std::size_t count);
    // The whole free part as one area at the back, to receive into; Commit
    // then counts what was put there.
    char* Room();
    void Commit(std::size_t count);

    // Removes `count` bytes from the front (as many as are held). Raises
    // "Cannot pull up buffer - amount to pull up larger than total buffer."
    // when count exceeds the buffer's size.
    void PullUp(std::size_t count);
    // Copies up to `count` bytes from the front out and removes them.
    std::size_t Take(void* out, std::size_t count);

  private:
    std::vector<char> storage_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

}  // namespace pontavi
