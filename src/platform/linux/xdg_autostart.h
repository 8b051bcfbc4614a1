#pragma once

#include <string>

#include "platform/linux/xdg_paths.h"
#include "platform/start_at_login.h"

namespace pontavi {

// Start at login by the XDG autostart convention (GNOME, KDE, Xfce and
// others): a desktop entry in $XDG_CONFIG_HOME/autostart/. The program starts
// at login while its entry is there, is a valid desktop entry and is not
// switched off in it (Hidden=true, X-GNOME-Autostart-enabled=false).
class XdgAutostart : public StartAtLogin {
  public:
    // `entryPath`: the entry's file; `program`: the absolute path it starts.
    XdgAutostart(std::string entryPath, std::string program);

    bool Enabled() const override;
    void SetEnabled(bool enabled) override;

    // $XDG_CONFIG_HOME/autostart/io.github.pontavi.Pontavi.desktop, else the
    // same below $HOME/.config (PONTAVI_HOME does not move it: the desktop
    // reads only its own folder).
    static std::string EntryPath(const EnvLookup& env);
    // The Exec value that starts `program`: quoted and escaped by the desktop
    // entry rules when it holds a space or another reserved character.
    static std::string ExecValue(const std::string& program);

  private:
    std::string entryPath_;
    std::string program_;
};

}  // namespace pontavi
