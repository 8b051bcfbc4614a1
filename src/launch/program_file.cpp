#include "launch/program_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pontavi {

std::string ProgramFileProblem(const std::string& path) {
    const std::string quoted = "\"" + path + "\"";
    if (path.empty() || path.front() != '/') {
        return quoted + " is not a full path; give the program's whole path, starting with /";
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return quoted + " cannot be used: " + std::strerror(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        return quoted + " is a folder, not a program";
    }
    if (!S_ISREG(st.st_mode)) {
        return quoted + " is not a program file";
    }
    if (::access(path.c_str(), X_OK) != 0) {
        return quoted + " is not executable (it lacks execute permission)";
    }
    return {};
}

}  // namespace pontavi
