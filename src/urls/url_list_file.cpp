#include "urls/url_list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "base/unique_fd.h"

namespace pontavi {
namespace {

std::string folderOf(const std::string& path) {
    auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

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

// A new file keeps the permissions of the one it replaces; a first file is
// private to the user (mkstemp's 0600).
void keepMode(int fd, const std::string& oldFile) {
    struct stat st {};
    if (::stat(oldFile.c_str(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    }
}

// Makes the rename itself durable; a folder that refuses is no failure of the save.
void syncFolder(const std::string& folder) {
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.get());
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
    const std::string folder = folderOf(fileName_);
    std::string temp = fileName_ + ".XXXXXX";
    UniqueFd fd(::mkostemp(temp.data(), O_CLOEXEC));
    if (!fd) {
        throw std::runtime_error("Cannot create file " + fileName_);
    }
    keepMode(fd.get(), fileName_);
    bool ok = writeAll(fd.get(), format(rows)) && ::fsync(fd.get()) == 0;
    ok = ::close(fd.release()) == 0 && ok;
    if (!ok || ::rename(temp.c_str(), fileName_.c_str()) != 0) {
        ::unlink(temp.c_str());
        throw std::runtime_error("Cannot create file " + fileName_);
    }
    syncFolder(folder);
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
