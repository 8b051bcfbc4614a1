#pragma once

// What the program's arguments ask for, before anything else starts: the
// usage, help and version texts print without a window, a display or the
// single-instance lock.

#include <string>
#include <string_view>
#include <vector>

namespace pontavi {

struct CommandLine {
    enum class Action { Run, Help, Version, Unknown };
    Action action = Action::Run;
    std::string unknown;  // the first argument not understood (Unknown)
};

// argv without the program name. Qt's own options ("-platform xcb", "-session
// ID" when the session manager restarts the program, ...) are left to Qt.
CommandLine ParseCommandLine(const std::vector<std::string_view>& args);

// What to print for an action other than Run, and where, and the exit status:
// --help and --version on stdout with 0; an unknown option names it and
// prints the usage on stderr with 2.
struct CommandLineReply {
    std::string text;
    bool toStderr = false;
    int exitStatus = 0;
};
CommandLineReply ReplyTo(const CommandLine& commandLine, std::string_view version);

}  // namespace pontavi
