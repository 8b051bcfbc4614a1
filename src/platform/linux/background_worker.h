#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace pontavi {

// One thread that runs jobs in order, for calls into libraries that may
// block (connecting to a sound server or a message bus) and must not hold
// the loop. At most `capacity` jobs wait; more are dropped, so a stuck
// library cannot make the queue grow without bound. The destructor lets the
// running job end, drops the waiting ones and joins the thread.
class BackgroundWorker {
  public:
    explicit BackgroundWorker(std::size_t capacity);
    ~BackgroundWorker();
    BackgroundWorker(const BackgroundWorker&) = delete;
    BackgroundWorker& operator=(const BackgroundWorker&) = delete;

    // Thread-safe. False when the job was dropped.
    bool post(std::function<void()> job);
    // Waits until every job posted so far has run, at most timeoutMs; true
    // when they have. For tests and orderly shutdown.
    bool waitIdle(int timeoutMs);

  private:
    void run();

    const std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace pontavi
