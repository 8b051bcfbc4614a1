#include <memory>

#include "platform/linux/poll_loop.h"
#include "socket_loop_suite.h"

namespace pontavi {
namespace {

struct VirtualPollLoop {
    static std::unique_ptr<EventLoop> make(PollLoop::Report report) {
        return std::make_unique<PollLoop>(PollLoop::ClockKind::Virtual, std::move(report));
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(PollLoop, SocketLoopSuite, VirtualPollLoop);

}  // namespace
}  // namespace pontavi
