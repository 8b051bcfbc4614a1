#include "platform/linux/xdg_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace pontavi {
namespace {

std::string WithSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') {
        folder += '/';
    }
    return folder;
}

// mkdir -p; new folders are private to the user.
void MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        std::string part = folder.substr(0, slash);
        if (!part.empty()) {
            ::mkdir(part.c_str(), 0700);
        }
        if (slash == std::string::npos) {
            return;
        }
    }
}

std::optional<std::string> PasswordDatabaseHome() {
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
        found == nullptr || found->pw_dir == nullptr) {
        return std::nullopt;
    }
    return std::string(found->pw_dir);
}

}  // namespace

std::optional<std::string> SystemEnvironment(const std::string& name) {
    if (const char* value = std::getenv(name.c_str())) {
        return std::string(value);
    }
    if (name == "HOME") {
        return PasswordDatabaseHome();
    }
    return std::nullopt;
}

XdgPaths::XdgPaths(EnvLookup env) : env_(std::move(env)) {}

std::optional<std::string> XdgPaths::variable(const std::string& name, bool mustBeAbsolute) const {
    auto value = env_(name);
    if (!value || value->empty() || (mustBeAbsolute && value->front() != '/')) {
        return std::nullopt;
    }
    return value;
}

std::string XdgPaths::baseFolder(const std::string& xdgName, const char* homeRelative) const {
    if (auto base = variable(xdgName, true)) {
        return WithSlash(*base);
    }
    return WithSlash(variable("HOME", false).value_or("")) + homeRelative;
}

std::string XdgPaths::ProgramFolder() {
    std::string folder;
    if (auto home = variable("PONTAVI_HOME", false)) {
        folder = WithSlash(*home);
    } else {
        folder = baseFolder("XDG_DATA_HOME", ".local/share/") + "pontavi/";
    }
    MakeFolders(folder);
    return folder;
}

std::string XdgPaths::SettingsFile() {
    if (auto home = variable("PONTAVI_HOME", false)) {
        return WithSlash(*home) + "registry.ini";
    }
    return baseFolder("XDG_CONFIG_HOME", ".config/") + "pontavi/registry.ini";
}

}  // namespace pontavi
