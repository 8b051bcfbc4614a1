#include "platform/linux/shell_link_reader.h"

#include <liblnk.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

namespace pontavi {
namespace {

// A string field of a shortcut holds at most 65535 UTF-16 units, each at
// most 3 bytes of UTF-8 (a surrogate pair, 4 bytes for 2 units).
constexpr std::size_t kMaxFieldBytes = 65535 * 3 + 1;

void freeError(liblnk_error_t* error) {
    if (error != nullptr) {
        liblnk_error_free(&error);
    }
}

struct FileCloser {
    void operator()(liblnk_file_t* file) const {
        liblnk_error_t* error = nullptr;
        liblnk_file_close(file, &error);
        freeError(error);
        error = nullptr;
        liblnk_file_free(&file, &error);
        freeError(error);
    }
};
using LnkFile = std::unique_ptr<liblnk_file_t, FileCloser>;

using SizeGetter = int (*)(liblnk_file_t*, size_t*, liblnk_error_t**);
using TextGetter = int (*)(liblnk_file_t*, uint8_t*, size_t, liblnk_error_t**);

// One UTF-8 field; empty when the link does not hold it.
std::string field(liblnk_file_t* file, SizeGetter getSize, TextGetter getText) {
    liblnk_error_t* error = nullptr;
    size_t size = 0;
    if (getSize(file, &size, &error) != 1 || size == 0 || size > kMaxFieldBytes) {
        freeError(error);
        return {};
    }
    std::vector<uint8_t> text(size);
    if (getText(file, text.data(), text.size(), &error) != 1) {
        freeError(error);
        return {};
    }
    std::string out(reinterpret_cast<const char*>(text.data()), text.size());
    out.resize(out.find('\0') == std::string::npos ? out.size() : out.find('\0'));
    return out;
}

// A shortcut is a few hundred bytes; anything this large is not one.
constexpr std::uintmax_t kMaxLinkFile = 1u << 20;

std::uint32_t le(const std::string& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | static_cast<std::uint8_t>(b[at + static_cast<std::size_t>(i)]);
    }
    return v;
}

// liblnk allocates what the file's size fields claim before it reads them
// (a 170-byte file can ask for gigabytes), so every size field is checked
// against the bytes actually there first: the link target list, the link
// info block, the five counted strings and the extra data blocks.
bool SizesFitTheFile(const std::string& b) {
    constexpr std::size_t kHeader = 0x4c;
    const std::size_t n = b.size();
    if (n < kHeader || le(b, 0, 4) != kHeader) {
        return false;
    }
    const std::uint32_t flags = le(b, 20, 4);
    std::size_t pos = kHeader;
    if (flags & 0x01) {  // link target ID list
        if (n - pos < 2) {
            return false;
        }
        const std::size_t size = le(b, pos, 2);
        pos += 2;
        if (size > n - pos) {
            return false;
        }
        pos += size;
    }
    if (flags & 0x02) {  // link info
        if (n - pos < 4) {
            return false;
        }
        const std::size_t size = le(b, pos, 4);
        if (size < 4 || size > n - pos) {
            return false;
        }
        pos += size;
    }
    const std::size_t unit = (flags & 0x80) ? 2 : 1;
    for (std::uint32_t bit : {0x04u, 0x08u, 0x10u, 0x20u, 0x40u}) {  // string data
        if ((flags & bit) == 0) {
            continue;
        }
        if (n - pos < 2) {
            return false;
        }
        const std::size_t size = le(b, pos, 2) * unit;
        pos += 2;
        if (size > n - pos) {
            return false;
        }
        pos += size;
    }
    while (n - pos >= 4) {  // extra data blocks, up to the terminal block
        const std::size_t size = le(b, pos, 4);
        if (size < 4) {
            return true;
        }
        if (size > n - pos) {
            return false;
        }
        pos += size;
    }
    return true;
}

}  // namespace

ShellLinkTarget ReadShellLinkFile(const std::string& file) {
    std::error_code ec;
    // Only a regular file: opening a pipe or a device could block the loop.
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) {
        throw ShortcutError(Shell::kLinkNotFound);
    }
    {
        const std::uintmax_t size = std::filesystem::file_size(file, ec);
        std::ifstream in(file, std::ios::binary);
        const std::string bytes =
            ec || size > kMaxLinkFile || !in
                ? std::string()
                : std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!SizesFitTheFile(bytes)) {
            throw ShortcutError(Shell::kLinkUnreadable);
        }
    }
    liblnk_file_t* raw = nullptr;
    liblnk_error_t* error = nullptr;
    if (liblnk_file_initialize(&raw, &error) != 1) {
        freeError(error);
        throw ShortcutError(Shell::kLinkUnreadable);
    }
    if (liblnk_file_open(raw, file.c_str(), LIBLNK_OPEN_READ, &error) != 1) {
        freeError(error);
        error = nullptr;
        liblnk_file_free(&raw, &error);
        freeError(error);
        throw ShortcutError(Shell::kLinkUnreadable);
    }
    LnkFile lnk(raw);

    ShellLinkTarget target;
    target.path =
        field(lnk.get(), liblnk_file_get_utf8_local_path_size, liblnk_file_get_utf8_local_path);
    if (target.path.empty()) {
        target.path = field(lnk.get(), liblnk_file_get_utf8_network_path_size,
                            liblnk_file_get_utf8_network_path);
    }
    if (target.path.empty()) {
        target.path = field(lnk.get(), liblnk_file_get_utf8_relative_path_size,
                            liblnk_file_get_utf8_relative_path);
    }
    target.arguments = field(lnk.get(), liblnk_file_get_utf8_command_line_arguments_size,
                             liblnk_file_get_utf8_command_line_arguments);
    return target;
}

}  // namespace pontavi
