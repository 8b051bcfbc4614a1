#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/paths.h"

namespace pontavi {

// Looks up an environment variable; nullopt when unset.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;

// The process environment, with HOME falling back to the password database.
std::optional<std::string> SystemEnvironment(const std::string& name);

// The per-user folders of the XDG base directory rules:
//   ProgramFolder: $PONTAVI_HOME/, else $XDG_DATA_HOME/pontavi/, else
//                  $HOME/.local/share/pontavi/
//   SettingsFile:  $PONTAVI_HOME/registry.ini, else
//                  $XDG_CONFIG_HOME/pontavi/registry.ini, else
//                  $HOME/.config/pontavi/registry.ini
// PONTAVI_HOME keeps a whole run (tests, a portable copy) away from the user's
// real settings. Empty variables count as unset, and so do relative XDG ones.
class XdgPaths : public Paths {
  public:
    explicit XdgPaths(EnvLookup env = SystemEnvironment);

    std::string ProgramFolder() override;
    std::string SettingsFile() override;

  private:
    std::optional<std::string> variable(const std::string& name, bool mustBeAbsolute) const;
    std::string baseFolder(const std::string& xdgName, const char* homeRelative) const;

    EnvLookup env_;
};

}  // namespace pontavi
