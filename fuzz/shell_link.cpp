// Arbitrary shortcut bytes: the reader returns a target or the unreadable
// message, never anything else, and never crashes or hangs.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/linux/shell_link_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int fd = ::memfd_create("fuzz.lnk", MFD_CLOEXEC);
    if (fd < 0) {
        return 0;
    }
    if (size > 0 && ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        ::close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    try {
        const pontavi::ShellLinkTarget target = pontavi::ReadShellLinkFile(path);
        // UTF-8 fields of a 16-bit counted string can never be this long.
        if (target.path.size() > 65535 * 3 || target.arguments.size() > 65535 * 3) {
            std::abort();
        }
    } catch (const pontavi::ShortcutError& e) {
        if (std::string(e.what()) != pontavi::Shell::kLinkUnreadable) {
            std::abort();
        }
    }
    ::close(fd);
    return 0;
}
