#include "ui/termination_signals.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace pontavi {

namespace {

constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler can reach nothing but a global; this one holds only the
// pipe's write end, set while a TerminationSignals object lives.
std::atomic<int> gWriteFd{-1};

extern "C" void onTerminationSignal(int signal) {
    const int savedErrno = errno;
    // Only the first signal is the loop's to handle: any later one ends the
    // process at once, even if the loop never gets to the first (a hung box,
    // a blocked save).
    struct sigaction byDefault = {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (const int s : kSignals) {
        ::sigaction(s, &byDefault, nullptr);
    }
    const int fd = gWriteFd.load();
    if (fd >= 0) {
        const unsigned char number = static_cast<unsigned char>(signal);
        [[maybe_unused]] const auto n = ::write(fd, &number, 1);
    }
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals(EventLoop& loop, std::function<void(int)> onSignal)
    : loop_(loop), onSignal_(std::move(onSignal)) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::system_error(errno, std::generic_category(), "pipe2");
    }
    readEnd_.reset(fds[0]);
    writeEnd_.reset(fds[1]);
    int expected = -1;
    if (!gWriteFd.compare_exchange_strong(expected, writeEnd_.get())) {
        throw std::logic_error("TerminationSignals: one instance per process");
    }
    watch_ = loop_.watch(readEnd_.get(), EventLoop::kReadable, [this](unsigned) { drain(); });
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &action, &previous_[i]);
    }
}

TerminationSignals::~TerminationSignals() {
    for (int i = 0; i < 3; ++i) {
        ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    gWriteFd = -1;
    watch_.reset();
}

void TerminationSignals::drain() {
    unsigned char numbers[16];
    ssize_t n = 0;
    while ((n = ::read(readEnd_.get(), numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < n; ++i) {
            if (onSignal_) {
                onSignal_(numbers[i]);
            }
        }
    }
}

}  // namespace pontavi
