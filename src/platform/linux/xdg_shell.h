#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "platform/event_loop.h"
#include "platform/shell.h"

namespace pontavi {

// Opens addresses with the desktop's handler by running `xdg-open URL`:
// spawned directly (no shell between), in a session of its own with stdin on
// /dev/null. Finished openers are reaped by a timer that polls waitpid with
// WNOHANG while any is outstanding, so no SIGCHLD handler is needed and the
// loop never blocks on a child. An opener still running when this object goes
// (a browser started in the foreground) is left to run.
class XdgShell final : public Shell {
  public:
    explicit XdgShell(EventLoop& loop, std::string opener = "xdg-open", Millis reapInterval = 1000);
    ~XdgShell() override;

    // Refuses an empty address and one starting with '-' (it would be read as
    // an option); otherwise false only when the opener cannot be started.
    bool openUrl(const std::string& url) override;
    // liblnk reads the shortcut; GIO starts the desktop entry.
    ShellLinkTarget ReadShellLink(const std::string& file) override;
    bool StartDesktopEntry(const std::string& file) override;

    // Openers started and not yet reaped.
    std::size_t pendingChildren() const { return children_.size(); }

  private:
    void reapFinished();

    EventLoop& loop_;
    std::string opener_;
    Millis reapInterval_;
    std::vector<pid_t> children_;
    EventLoop::TimerId reapTimer_ = 0;
};

}  // namespace pontavi
