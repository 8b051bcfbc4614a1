#pragma once

#include <stdexcept>
#include <string>

namespace pontavi {

// The target of a Windows shell shortcut (.lnk): the program it points at
// and its argument text, as written in the file.
struct ShellLinkTarget {
    std::string path;
    std::string arguments;
};

// A shortcut that cannot be read; the message is for the user.
class ShortcutError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The desktop's handlers and shortcut files. Loop thread only; never blocks
// on a started program.
class Shell {
  public:
    // The reader's two failures, shown to the user as they are.
    static constexpr const char* kLinkNotFound = "Lien non trouv\xc3\xa9.";
    static constexpr const char* kLinkUnreadable = "Erreur en lecture.";

    Shell() = default;
    virtual ~Shell() = default;
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // Starts the handler for url; false when it could not be started. Whether
    // the handler then manages to open the address is not reported.
    virtual bool openUrl(const std::string& url) = 0;

    // Reads a Windows shell shortcut. Throws ShortcutError with kLinkNotFound
    // when there is no such file, kLinkUnreadable when it is not a shortcut.
    virtual ShellLinkTarget ReadShellLink(const std::string& file) = 0;

    // Starts the application a freedesktop .desktop file describes, by its
    // Exec line with the field codes expanded as for a start without files.
    // False when the file describes no application that can be started.
    virtual bool StartDesktopEntry(const std::string& file) = 0;
};

}  // namespace pontavi
