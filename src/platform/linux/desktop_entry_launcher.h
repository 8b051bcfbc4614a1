#pragma once

#include <string>

namespace pontavi {

// Starts the application of a freedesktop .desktop file through GLib's GIO,
// which reads the Exec line, expands its field codes (%f %u and the like to
// nothing, %c the name, %k the file, %i the icon, %% a percent sign),
// unquotes it and starts the program directly, without a shell, detached
// from this process (nothing left to reap). Returns an empty text on
// success, else what went wrong.
std::string LaunchDesktopEntry(const std::string& file);

}  // namespace pontavi
