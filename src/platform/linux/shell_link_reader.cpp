#include "platform/linux/shell_link_reader.h"

#include <liblnk.h>

#include <filesystem>
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

}  // namespace

ShellLinkTarget ReadShellLinkFile(const std::string& file) {
    std::error_code ec;
    // Only a regular file: opening a pipe or a device could block the loop.
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) {
        throw ShortcutError(Shell::kLinkNotFound);
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
