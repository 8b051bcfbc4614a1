#include "platform/linux/poll_loop.h"

#include <memory>

#include "event_loop_conformance.h"

namespace pontavi {
namespace {

struct RealPollLoop {
    static std::unique_ptr<EventLoop> make(PollLoop::Report report) {
        return std::make_unique<PollLoop>(PollLoop::ClockKind::Real, std::move(report));
    }
};
struct VirtualPollLoop {
    static std::unique_ptr<EventLoop> make(PollLoop::Report report) {
        return std::make_unique<PollLoop>(PollLoop::ClockKind::Virtual, std::move(report));
    }
};

using PollLoops = ::testing::Types<RealPollLoop, VirtualPollLoop>;
INSTANTIATE_TYPED_TEST_SUITE_P(PollLoop, EventLoopConformance, PollLoops);

}  // namespace
}  // namespace pontavi
