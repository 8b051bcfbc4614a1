#pragma once

#include <string>

namespace pontavi {

// Hands an address to the desktop's own handler (a web browser, an FTP
// client). Loop thread only; never blocks on the handler.
class Shell {
  public:
    Shell() = default;
    virtual ~Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // Starts the handler for url; false when it could not be started. Whether
    // the handler then manages to open the address is not reported.
    virtual bool openUrl(const std::string& url) = 0;
};

}  // namespace pontavi
