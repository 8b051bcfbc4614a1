#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "platform/event_loop.h"
#include "platform/process_starter.h"

namespace pontavi {

// Starts programs with posix_spawn: the program path is argv[0] and the file
// run, as one word; the parameters are split by SplitParameters (white space
// and double quotes only). Only descriptors 0 to 2 are passed on. The started
// programs are not ours to end: each is only watched through a pidfd so its
// exit status is collected when it ends (no zombies), and is left running
// when the starter goes. The window hint has no carrier on Linux: no toolkit
// reads a start-up window state from its parent, so it is not passed on.
// Loop thread only.
class SpawnProcessStarter final : public ProcessStarter {
  public:
    explicit SpawnProcessStarter(EventLoop& loop) : loop_(loop) {}
    ~SpawnProcessStarter() override;
    SpawnProcessStarter(const SpawnProcessStarter&) = delete;
    SpawnProcessStarter& operator=(const SpawnProcessStarter&) = delete;

    int Start(const ProcessRequest& request) override;

    // Started programs not yet seen to end.
    std::size_t Running() const { return children_.size(); }

  private:
    struct Child {
        UniqueFd pidfd;
        IoWatch watch;  // after `pidfd`, so the watch ends before the pidfd closes
    };
    void watchChild(pid_t pid, UniqueFd pidfd);
    void reapEnded();

    EventLoop& loop_;
    std::map<pid_t, Child> children_;
};

}  // namespace pontavi
