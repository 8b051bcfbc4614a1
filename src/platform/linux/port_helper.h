#pragma once

#include <string>
#include <vector>

#include "platform/privileged_ports.h"

namespace pontavi {

// PrivilegedPorts through the pontavi-bind113 helper: the helper is started
// with an empty environment and the child end of a socket pair as descriptor
// 3, opens the listening socket and sends it back (SCM_RIGHTS). Blocks the
// calling thread for at most `timeoutMs` (the helper does one bind).
class PortHelper final : public PrivilegedPorts {
  public:
    static constexpr const char* kHelperName = "pontavi-bind113";

    // helperPath: the helper to run; empty = none installed.
    explicit PortHelper(std::string helperPath, int timeoutMs = 3000)
        : helperPath_(std::move(helperPath)), timeoutMs_(timeoutMs) {}

    // The first of the candidate paths that is an executable file, or "".
    static std::string Find(const std::vector<std::string>& candidates);
    // Where the helper is looked for: beside the running program (the build
    // tree), then ../libexec/pontavi/ from its folder (an install), then
    // `installedPath`. Never from the environment.
    static std::vector<std::string> Candidates(const std::string& installedPath);

    const std::string& helperPath() const { return helperPath_; }

    UniqueFd Listen(int port, int& error) override;
    std::string HowToAllow(int port) const override;

  private:
    std::string helperPath_;
    int timeoutMs_;
};

}  // namespace pontavi
