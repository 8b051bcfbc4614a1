#include "platform/linux/background_worker.h"

#include <chrono>
#include <exception>

namespace pontavi {

BackgroundWorker::BackgroundWorker(std::size_t capacity)
    : capacity_(capacity), thread_([this] { run(); }) {}

BackgroundWorker::~BackgroundWorker() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        jobs_.clear();
    }
    changed_.notify_all();
    thread_.join();
}

bool BackgroundWorker::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ || jobs_.size() >= capacity_) {
            return false;
        }
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
    return true;
}

bool BackgroundWorker::waitIdle(int timeoutMs) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [this] { return jobs_.empty() && !busy_; });
}

void BackgroundWorker::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
        if (stopping_) {
            return;
        }
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        busy_ = true;
        lock.unlock();
        try {
            job();
        } catch (const std::exception&) {
            // A job reports nothing; the next one still runs.
        }
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

}  // namespace pontavi
