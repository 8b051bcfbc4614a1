#include "app/command_line.h"

#include <algorithm>
#include <array>

namespace pontavi {

namespace {

// Qt's options that take a value, and those that stand alone; each may be
// written with one dash or two, and a value also after '='.
constexpr std::array<std::string_view, 13> kQtValueOptions = {
    "platform",    "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "style",  "stylesheet",
    "display",     "geometry",           "title"};
constexpr std::array<std::string_view, 5> kQtFlags = {"reverse", "nograb", "dograb", "sync",
                                                      "widgetcount"};

constexpr std::string_view kUsage = "Usage: pontavi [--help | --version]\n";

constexpr std::string_view kHelp =
    "A tray companion for dial-up users: Ident replies on port 113, the on-line\n"
    "timer, actions at connect, the network clock, the POP3 mail watch and the\n"
    "URL list. One copy runs per user; starting it again shows the running\n"
    "copy's window.\n"
    "\n"
    "Options:\n"
    "  --help      show this text and exit\n"
    "  --version   show the version and exit\n"
    "  Qt's own options (-platform, -display, -style, -session, ...) go to Qt.\n"
    "\n"
    "Environment:\n"
    "  PONTAVI_HOME            keep the settings and the URL list in this folder\n"
    "  XDG_CONFIG_HOME         base of the settings and of the autostart entry\n"
    "                          (default ~/.config)\n"
    "  XDG_DATA_HOME           base of the URL list (default ~/.local/share)\n"
    "  HOME                    base of the two defaults above\n"
    "  XDG_RUNTIME_DIR         folder of the single-instance lock and socket\n"
    "                          (default /tmp)\n"
    "  PONTAVI_DIALUP          the dial-up service: pppd or networkmanager (default:\n"
    "                          NetworkManager when it runs, else pppd)\n"
    "  PONTAVI_PPP_PEERS       folder of the dial-up entries (default /etc/ppp/peers)\n"
    "  PONTAVI_PPPD            the pppd program to dial with (default pppd)\n"
    "  PONTAVI_REPORT_STARTUP  when set, print the start-up time on stderr\n"
    "  and Qt's own, such as DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM\n"
    "\n"
    "Files:\n"
    "  $XDG_CONFIG_HOME/pontavi/registry.ini   the settings\n"
    "  $XDG_DATA_HOME/pontavi/URL.lst          the URL list\n"
    "  (both in $PONTAVI_HOME when it is set)\n"
    "  $XDG_CONFIG_HOME/autostart/io.github.pontavi.Pontavi.desktop\n"
    "      present while \"Start Pontavi when I log in\" is ticked\n";

template <std::size_t N>
bool OneOf(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// How many arguments a Qt option at args[i] takes up (0: not Qt's).
std::size_t QtOptionLength(const std::vector<std::string_view>& args, std::size_t i) {
    std::string_view name = args[i];
    if (name.size() < 2 || name[0] != '-') {
        return 0;
    }
    name.remove_prefix(name.substr(0, 2) == "--" ? 2 : 1);
    if (const auto equals = name.find('='); equals != std::string_view::npos) {
        return OneOf(kQtValueOptions, name.substr(0, equals)) ? 1 : 0;
    }
    if (OneOf(kQtFlags, name)) {
        return 1;
    }
    return OneOf(kQtValueOptions, name) && i + 1 < args.size() ? 2 : 0;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string_view>& args) {
    for (std::size_t i = 0; i < args.size();) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            return {CommandLine::Action::Help, {}};
        }
        if (arg == "--version") {
            return {CommandLine::Action::Version, {}};
        }
        const std::size_t qt = QtOptionLength(args, i);
        if (qt == 0) {
            return {CommandLine::Action::Unknown, std::string(arg)};
        }
        i += qt;
    }
    return {};
}

CommandLineReply ReplyTo(const CommandLine& commandLine, std::string_view version) {
    switch (commandLine.action) {
        case CommandLine::Action::Help:
            return {std::string(kUsage) + "\n" + std::string(kHelp), false, 0};
        case CommandLine::Action::Version:
            return {"pontavi " + std::string(version) + "\n", false, 0};
        case CommandLine::Action::Unknown:
            return {"pontavi: unknown option '" + commandLine.unknown + "'\n" +
                        std::string(kUsage) + "Try 'pontavi --help' for more.\n",
                    true, 2};
        case CommandLine::Action::Run:
            break;
    }
    return {};
}

}  // namespace pontavi
