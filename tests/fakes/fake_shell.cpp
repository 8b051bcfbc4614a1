#include "fakes/fake_shell.h"

namespace pontavi {

bool FakeShell::openUrl(const std::string& url) {
    if (!canStart) {
        return false;
    }
    opened.push_back(url);
    return true;
}

ShellLinkTarget FakeShell::ReadShellLink(const std::string& file) {
    linksRead.push_back(file);
    if (unreadable.count(file) != 0) {
        throw ShortcutError(kLinkUnreadable);
    }
    auto it = links.find(file);
    if (it == links.end()) {
        throw ShortcutError(kLinkNotFound);
    }
    return it->second;
}

bool FakeShell::StartDesktopEntry(const std::string& file) {
    if (!canStart) {
        return false;
    }
    desktopEntriesStarted.push_back(file);
    return true;
}

}  // namespace pontavi
