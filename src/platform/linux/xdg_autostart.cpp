#include "platform/linux/xdg_autostart.h"

#include <glib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "base/atomic_file.h"

namespace pontavi {

namespace {

constexpr const char* kGroup = "Desktop Entry";

struct KeyFileFree {
    void operator()(GKeyFile* file) const { g_key_file_free(file); }
};

// A key that reads as the boolean `value`; missing or unreadable keys do not.
bool KeyIs(GKeyFile* file, const char* key, bool value) {
    GError* error = nullptr;
    const bool read = g_key_file_get_boolean(file, kGroup, key, &error) != FALSE;
    if (error != nullptr) {
        g_error_free(error);
        return false;
    }
    return read == value;
}

// Characters that make an Exec argument need quotes.
bool NeedsQuotes(std::string_view text) {
    return text.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
}

std::string Entry(const std::string& exec) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Pontavi!\n"
           "Comment=Tray companion for dial-up users\n"
           "Exec=" +
           exec +
           "\n"
           "Icon=io.github.pontavi.Pontavi\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace

XdgAutostart::XdgAutostart(std::string entryPath, std::string program)
    : entryPath_(std::move(entryPath)), program_(std::move(program)) {}

std::string XdgAutostart::EntryPath(const EnvLookup& env) {
    std::string base;
    if (auto config = env("XDG_CONFIG_HOME");
        config && !config->empty() && config->front() == '/') {
        base = *config;
    } else {
        base = env("HOME").value_or("") + "/.config";
    }
    return base + "/autostart/io.github.pontavi.Pontavi.desktop";
}

std::string XdgAutostart::ExecValue(const std::string& program) {
    std::string escaped;
    const bool quote = NeedsQuotes(program);
    for (const char c : program) {
        if (c == '%') {
            escaped += "%%";  // a field code otherwise
        } else if (quote && std::strchr("\"`$\\", c) != nullptr) {
            // Escaped for the quoted argument, and that backslash once more
            // for the string value the key file holds.
            escaped += c == '\\' ? "\\\\\\\\" : std::string("\\\\") + c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return quote ? "\"" + escaped + "\"" : escaped;
}

bool XdgAutostart::Enabled() const {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(entryPath_, ec)) {
        return false;
    }
    std::unique_ptr<GKeyFile, KeyFileFree> file(g_key_file_new());
    if (!g_key_file_load_from_file(file.get(), entryPath_.c_str(), G_KEY_FILE_NONE, nullptr)) {
        return false;  // the desktop skips what it cannot read
    }
    return !KeyIs(file.get(), "Hidden", true) &&
           !KeyIs(file.get(), "X-GNOME-Autostart-enabled", false);
}

void XdgAutostart::SetEnabled(bool enabled) {
    if (!enabled) {
        if (::unlink(entryPath_.c_str()) != 0 && errno != ENOENT) {
            throw std::runtime_error("Cannot remove " + entryPath_ + ": " + std::strerror(errno));
        }
        return;
    }
    const AtomicSaveResult saved = SaveFileAtomically(
        entryPath_, Entry(ExecValue(program_)),
        AtomicSaveOptions{.newFileMode = 0644, .createFolders = true, .folderMode = 0700});
    if (!saved) {
        throw std::runtime_error("Cannot write " + entryPath_ + ": " +
                                 std::strerror(saved.errnoValue));
    }
}

}  // namespace pontavi
