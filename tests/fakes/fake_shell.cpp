#include "fakes/fake_shell.h"

namespace pontavi {

bool FakeShell::openUrl(const std::string& url) {
    if (!canStart) {
        return false;
    }
    opened.push_back(url);
    return true;
}

}  // namespace pontavi
