#pragma once

// A later start of the program asks the running copy to show its window: the
// running copy listens on a Unix socket beside its single-instance lock, and
// a connection from the same user is the whole request (nothing is read, so
// there is nothing to parse).

#include <functional>
#include <string>

#include "base/unique_fd.h"
#include "platform/event_loop.h"

namespace pontavi {

class ShowRequestListener {
  public:
    // Binds and listens at once, so a later start that comes while this copy
    // is still starting waits in the backlog until start(). The copy holding
    // the lock owns the path: a stale socket left by a crash is replaced.
    // When the socket cannot be made, later starts just end (listening() false).
    explicit ShowRequestListener(std::string path);
    ~ShowRequestListener();
    ShowRequestListener(const ShowRequestListener&) = delete;
    ShowRequestListener& operator=(const ShowRequestListener&) = delete;

    // Calls onShow on the loop for each connection of this user, while the
    // returned watch lives (hold it where the loop outlives it).
    [[nodiscard]] IoWatch start(EventLoop& loop, std::function<void()> onShow);
    bool listening() const { return fd_.valid(); }

    // The socket beside a lock file: "<name>.lock" -> "<name>.sock".
    static std::string PathBeside(const std::string& lockPath);

  private:
    void acceptOne();

    std::string path_;
    UniqueFd fd_;
    std::function<void()> onShow_;
};

// The later start's side: true when a running copy took the request. Tries
// for about half a second while the running copy is still making its socket.
bool SendShowRequest(const std::string& path);

}  // namespace pontavi
