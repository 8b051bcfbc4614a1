#include "platform/linux/show_request_socket.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>

namespace pontavi {

namespace {

constexpr int kAttempts = 5;
constexpr auto kAttemptPause = std::chrono::milliseconds(100);

std::optional<sockaddr_un> AddressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path)) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

UniqueFd StreamSocket() {
    return UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
}

}  // namespace

ShowRequestListener::ShowRequestListener(std::string path) : path_(std::move(path)) {
    const auto address = AddressOf(path_);
    UniqueFd fd = StreamSocket();
    if (!address || !fd) {
        return;
    }
    ::unlink(path_.c_str());
    const auto* raw = reinterpret_cast<const sockaddr*>(&*address);
    if (::bind(fd.get(), raw, sizeof(*address)) != 0 || ::listen(fd.get(), 8) != 0) {
        return;
    }
    fd_ = std::move(fd);
}

ShowRequestListener::~ShowRequestListener() {
    if (fd_) {
        ::unlink(path_.c_str());
    }
}

std::string ShowRequestListener::PathBeside(const std::string& lockPath) {
    constexpr std::string_view kLock = ".lock";
    std::string base = lockPath;
    if (base.size() >= kLock.size() &&
        base.compare(base.size() - kLock.size(), kLock.size(), kLock) == 0) {
        base.resize(base.size() - kLock.size());
    }
    return base + ".sock";
}

IoWatch ShowRequestListener::start(EventLoop& loop, std::function<void()> onShow) {
    if (!fd_) {
        return {};
    }
    onShow_ = std::move(onShow);
    return loop.watch(fd_.get(), EventLoop::kReadable, [this](unsigned) { acceptOne(); });
}

void ShowRequestListener::acceptOne() {
    const UniqueFd peer(::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    if (!peer) {
        return;
    }
    // In /tmp (no XDG_RUNTIME_DIR) other users could reach the socket.
    ucred credentials{};
    socklen_t size = sizeof(credentials);
    if (::getsockopt(peer.get(), SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 &&
        credentials.uid == ::getuid() && onShow_) {
        onShow_();
    }
}

bool SendShowRequest(const std::string& path) {
    const auto address = AddressOf(path);
    if (!address) {
        return false;
    }
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0) {
            std::this_thread::sleep_for(kAttemptPause);
        }
        const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!fd) {
            return false;
        }
        const auto* raw = reinterpret_cast<const sockaddr*>(&*address);
        int rc;
        do {
            rc = ::connect(fd.get(), raw, sizeof(*address));
        } while (rc != 0 && errno == EINTR);
        if (rc == 0) {
            return true;
        }
        if (errno != ENOENT && errno != ECONNREFUSED) {
            return false;
        }
    }
    return false;
}

}  // namespace pontavi
