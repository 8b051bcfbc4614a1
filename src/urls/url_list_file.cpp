#include "urls/url_list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "base/atomic_file.h"
#include "base/unique_fd.h"

namespace pontavi {
namespace {

bool readAll(int fd, std::string& out) {
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            return true;
        }
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

bool UrlListFile::exists() const {
    struct stat st {};
    return ::stat(fileName_.c_str(), &st) == 0;
}

std::vector<std::string> UrlListFile::read() const {
    UniqueFd fd(::open(fileName_.c_str(), O_RDONLY | O_CLOEXEC));
    std::string bytes;
    if (!fd || !readAll(fd.get(), bytes)) {
        throw std::runtime_error("Cannot open file " + fileName_);
    }
    return parse(bytes);
}

void UrlListFile::write(const std::vector<std::string>& rows) const {
    if (!SaveFileAtomically(fileName_, format(rows))) {
        throw std::runtime_error("Cannot create file " + fileName_);
    }
}

std::vector<std::string> UrlListFile::parse(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::vector<std::string> rows;
    while (!bytes.empty()) {
        auto end = bytes.find_first_of("\r\n");
        rows.emplace_back(bytes.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        std::size_t breakLength =
            (bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n') ? 2 : 1;
        bytes.remove_prefix(end + breakLength);
    }
    return rows;
}

std::string UrlListFile::format(const std::vector<std::string>& rows) {
    std::size_t size = 0;
    for (const auto& row : rows) {
        size += row.size() + 2;
    }
    std::string text;
    text.reserve(size);
    for (const auto& row : rows) {
        for (char c : row) {
            text.push_back(c == '\r' || c == '\n' || c == '\0' ? ' ' : c);
        }
        text.append("\r\n");
    }
    return text;
}

}  // namespace pontavi
