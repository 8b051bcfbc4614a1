#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace pontavi {

// Records the addresses it is asked to open; `canStart` false makes every
// open fail as if the handler were missing.
class FakeShell final : public Shell {
  public:
    bool openUrl(const std::string& url) override;
    // Answers from `links`; a missing name throws kLinkNotFound, a name in
    // `unreadable` kLinkUnreadable.
    ShellLinkTarget ReadShellLink(const std::string& file) override;
    bool StartDesktopEntry(const std::string& file) override;

    std::vector<std::string> opened;
    bool canStart = true;
    std::map<std::string, ShellLinkTarget> links;
    std::set<std::string> unreadable;
    std::vector<std::string> linksRead;
    std::vector<std::string> desktopEntriesStarted;
};

}  // namespace pontavi
