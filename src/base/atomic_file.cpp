#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/unique_fd.h"

namespace pontavi {
namespace {

AtomicSaveResult Failed(AtomicSaveError error, int errnoValue) {
    return AtomicSaveResult{error, errnoValue};
}

// mkdir -p; the folders it creates get `mode`.
bool MakeFolders(const std::string& folder, mode_t mode) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode)) {
            errno = ENOTDIR;
            return false;
        }
        return true;
    }
    if (errno != ENOENT) {
        return false;
    }
    const std::string parent = FolderOf(folder);
    if (parent != folder && !MakeFolders(parent, mode)) {
        return false;
    }
    return ::mkdir(folder.c_str(), mode) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;
            }
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Removes the temporary file unless it was renamed into place.
class TempFile {
  public:
    explicit TempFile(std::string name) : name_(std::move(name)) {}
    ~TempFile() {
        if (!kept_) {
            ::unlink(name_.c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::string& name() const { return name_; }
    void keep() { kept_ = true; }

  private:
    std::string name_;
    bool kept_ = false;
};

}  // namespace

std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

AtomicSaveResult SaveFileAtomically(const std::string& path, std::string_view contents,
                                    const AtomicSaveOptions& options) {
    const std::string folder = FolderOf(path);
    if (options.createFolders && !MakeFolders(folder, options.folderMode)) {
        return Failed(AtomicSaveError::Folder, errno);
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return Failed(AtomicSaveError::Folder, errno != 0 ? errno : ENOTDIR);
    }
    mode_t mode = options.newFileMode;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    }
    constexpr mode_t kOthers = S_IRWXG | S_IRWXO;
    const bool tightened = options.secret && (mode & kOthers) != 0;
    if (options.secret) {
        mode &= ~kOthers;
    }

    std::string pattern = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd) {
        return Failed(AtomicSaveError::TempFile, errno);
    }
    TempFile temp(pattern);
    // Where permission bits cannot be set (some mounted file systems), the new
    // file keeps mkostemp's private 0600: the safe side.
    ::fchmod(fd.get(), mode);
    if (!WriteAll(fd.get(), contents) || ::fsync(fd.get()) != 0) {
        return Failed(AtomicSaveError::Write, errno);
    }
    // close() is where some file systems report a delayed write error.
    if (::close(fd.release()) != 0) {
        return Failed(AtomicSaveError::Write, errno);
    }
    if (::rename(temp.name().c_str(), path.c_str()) != 0) {
        return Failed(AtomicSaveError::Rename, errno);
    }
    temp.keep();
    UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir) {
        ::fsync(dir.get());
    }
    return {.tightened = tightened};
}

}  // namespace pontavi
