#include "platform/linux/lock_file_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

namespace pontavi {

LockFileInstance::LockFileInstance(std::string lockPath) : path_(std::move(lockPath)) {}

std::string LockFileInstance::LockPath(std::string_view key, const EnvLookup& env) {
    std::string name;
    for (char c : key) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
    }
    auto runtime = env("XDG_RUNTIME_DIR");
    std::string folder =
        runtime && !runtime->empty() && runtime->front() == '/' ? *runtime : "/tmp";
    if (folder.back() != '/') {
        folder += '/';
    }
    return folder + name + "-" + std::to_string(::getuid()) + ".lock";
}

bool LockFileInstance::acquire() {
    if (held_) {
        return true;
    }
    if (!fd_) {
        // O_NOFOLLOW: in /tmp a planted symlink must not redirect the open.
        fd_.reset(::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
        if (!fd_) {
            return true;
        }
    }
    int rc;
    do {
        rc = ::flock(fd_.get(), LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    held_ = rc == 0;
    return held_ || errno != EWOULDBLOCK;
}

}  // namespace pontavi
