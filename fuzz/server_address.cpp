// The Server field of a protected mailbox, as the settings file may hold it:
// either a host and a port of 1 to 65535, or a clear text why not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mail/server_address.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string field(reinterpret_cast<const char*>(data), size);
    const pontavi::ServerAddress a = pontavi::SplitServerAddress(field, "995");
    if (a.error.empty() == a.host.empty() && !(a.error.empty() && field.empty())) {
        std::abort();
    }
    if (a.error.empty()) {
        const long port = std::strtol(a.port.c_str(), nullptr, 10);
        if (port < 1 || port > 65535 || a.host.size() > 255 ||
            a.host.find(':') != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
