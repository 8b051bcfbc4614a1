#include "platform/linux/spawn_process_starter.h"

#include <sys/wait.h>

#include <cerrno>
#include <memory>

#include "base/parameter_words.h"
#include "platform/linux/process_spawn.h"

namespace pontavi {

SpawnProcessStarter::~SpawnProcessStarter() = default;

int SpawnProcessStarter::Start(const ProcessRequest& request) {
    reapEnded();
    if (request.program.empty()) {
        return ENOENT;
    }
    const std::vector<std::string> params = SplitParameters(request.parameters);
    ProcessSpawn spawn;
    // Descriptors this program inherited without close-on-exec are not the
    // started program's business.
    spawn.closeFrom(3);
    if (!request.workingDirectory.empty()) {
        spawn.changeDirectory(request.workingDirectory);
    }
    SpawnedChild child = spawn.start(request.program, params, ProcessSpawn::Lookup::AsGiven);
    if (!child.ok()) {
        return child.error;
    }
    const pid_t pid = child.pid;
    if (request.wait) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return 0;
    }
    watchChild(pid, std::move(child.pidfd));
    return 0;
}

void SpawnProcessStarter::watchChild(pid_t pid, UniqueFd pidfd) {
    Child child{std::move(pidfd), IoWatch()};
    if (child.pidfd) {
        child.watch = loop_.watch(child.pidfd.get(), EventLoop::kReadable, [this, pid](unsigned) {
            auto it = children_.find(pid);
            if (it == children_.end()) {
                return;
            }
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == 0) {
                return;  // not ended after all
            }
            children_.erase(it);  // its watch ends with it
        });
    }
    // Without pidfds (kernels before 5.3) ended programs are collected at the
    // next start.
    children_.emplace(pid, std::move(child));
}

void SpawnProcessStarter::reapEnded() {
    for (auto it = children_.begin(); it != children_.end();) {
        int status = 0;
        if (!it->second.watch && ::waitpid(it->first, &status, WNOHANG) != 0) {
            it = children_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace pontavi
