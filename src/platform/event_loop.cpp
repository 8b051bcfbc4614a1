#include "platform/event_loop.h"

#include <utility>

namespace pontavi {

IoWatch EventLoop::watch(int fd, unsigned events, std::function<void(unsigned ready)> callback) {
    return IoWatch(*this, addWatch(fd, events, std::move(callback)));
}

IoWatch::IoWatch(IoWatch&& other) noexcept
    : loop_(std::exchange(other.loop_, nullptr)), id_(std::exchange(other.id_, 0)) {}

IoWatch& IoWatch::operator=(IoWatch&& other) noexcept {
    if (this != &other) {
        reset();
        loop_ = std::exchange(other.loop_, nullptr);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void IoWatch::setEvents(unsigned events) {
    if (loop_ != nullptr) {
        loop_->setWatchEvents(id_, events);
    }
}

void IoWatch::reset() {
    if (loop_ != nullptr) {
        std::exchange(loop_, nullptr)->removeWatch(id_);
        id_ = 0;
    }
}

}  // namespace pontavi
