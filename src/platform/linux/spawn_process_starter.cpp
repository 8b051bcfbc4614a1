#include "platform/linux/spawn_process_starter.h"

#include <glib.h>
#include <sys/wait.h>

#include <cerrno>
#include <memory>

#include "platform/linux/process_spawn.h"

namespace pontavi {

namespace {

struct GStrvFree {
    void operator()(gchar** v) const { g_strfreev(v); }
};

}  // namespace

bool SplitParameters(const std::string& text, std::vector<std::string>& words) {
    if (text.find_first_not_of(" \t\n") == std::string::npos) {
        words.clear();
        return true;
    }
    // GLib's shell-style tokenizer: quoting and escapes only, no expansion.
    gint count = 0;
    gchar** raw = nullptr;
    GError* error = nullptr;
    if (!g_shell_parse_argv(text.c_str(), &count, &raw, &error)) {
        const bool empty = error != nullptr && error->code == G_SHELL_ERROR_EMPTY_STRING;
        g_clear_error(&error);
        if (empty) {
            words.clear();
        }
        return empty;
    }
    std::unique_ptr<gchar*, GStrvFree> argv(raw);
    words.assign(raw, raw + count);
    return true;
}

SpawnProcessStarter::~SpawnProcessStarter() = default;

int SpawnProcessStarter::Start(const ProcessRequest& request) {
    reapEnded();
    if (request.program.empty()) {
        return ENOENT;
    }
    std::vector<std::string> params;
    if (!SplitParameters(request.parameters, params)) {
        return EINVAL;
    }
    ProcessSpawn spawn;
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
