#pragma once

#include <string>
#include <vector>

#include "platform/shell.h"

namespace pontavi {

// Records the addresses it is asked to open; `canStart` false makes every
// open fail as if the handler were missing.
class FakeShell final : public Shell {
  public:
    bool openUrl(const std::string& url) override;

    std::vector<std::string> opened;
    bool canStart = true;
};

}  // namespace pontavi
