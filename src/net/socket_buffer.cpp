#include "net/socket_buffer.h"

#include <algorithm>
#include <cstring>

#include "net/sock_error.h"

namespace pontavi {

namespace {

[[noreturn]] void sizeWouldLoseData() {
    throw EBufferedSocketException("Cannot change buffer size - data will be lost.");
}

}  // namespace

SocketBuffer::SocketBuffer(std::int64_t size) {
    if (size <= 0) {
        sizeWouldLoseData();
    }
    storage_.assign(static_cast<std::size_t>(size), 0);
}

bool SocketBuffer::Resize(std::int64_t size) {
    if (size <= 0 || static_cast<std::uint64_t>(size) < Count()) {
        sizeWouldLoseData();
    }
    if (static_cast<std::size_t>(size) == Size()) {
        return false;
    }
    std::vector<char> fresh(static_cast<std::size_t>(size), 0);
    std::copy(storage_.begin() + static_cast<std::ptrdiff_t>(begin_),
              storage_.begin() + static_cast<std::ptrdiff_t>(end_), fresh.begin());
    end_ = Count();
    begin_ = 0;
    storage_.swap(fresh);
    return true;
}

std::size_t SocketBuffer::Append(const void* data, std::size_t count) {
    const std::size_t n = std::min(count, Free());
    if (n > 0) {
        std::memcpy(Room(), data, n);
        Commit(n);
    }
    return n;
}

char* SocketBuffer::Room() {
    if (begin_ > 0) {
        std::memmove(storage_.data(), storage_.data() + begin_, Count());
        end_ -= begin_;
        begin_ = 0;
    }
    return storage_.data() + end_;
}

void SocketBuffer::Commit(std::size_t count) {
    end_ = std::min(end_ + count, Size());
}

void SocketBuffer::PullUp(std::size_t count) {
    if (count > Size()) {
        throw EBufferedSocketException(
            "Cannot pull up buffer - amount to pull up larger than total buffer.");
    }
    begin_ += std::min(count, Count());
    if (begin_ == end_) {
        begin_ = end_ = 0;
    }
}

std::size_t SocketBuffer::Take(void* out, std::size_t count) {
    const std::size_t n = std::min(count, Count());
    if (n > 0) {
        std::memcpy(out, storage_.data() + begin_, n);
        PullUp(n);
    }
    return n;
}

}  // namespace pontavi
