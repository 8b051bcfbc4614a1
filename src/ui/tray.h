#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "controls/menu_item.h"
#include "controls/tray_icon.h"
#include "ui/binders/control_binder.h"

class QMenu;
class QSystemTrayIcon;

namespace pontavi {

class MenuItemBinder;

// The tray icon and its menu. TrayIcon <-> QSystemTrayIcon (Active shows it,
// ToolTip, Icon picks one of the five images); a left click runs the model's
// click(), a right click opens the menu built from the given items in order
// (separators are items captioned "-"), each bound to its model.
class Tray final : public ControlBinder {
  public:
    // guard: runs the handlers the icon and the menu call in the core.
    Tray(TrayIcon& model, const std::vector<MenuItem*>& items, CallbackGuard guard = {});
    ~Tray() override;

    void sync() override;

    QSystemTrayIcon* icon() const { return icon_.get(); }
    QMenu* menu() const { return menu_.get(); }

  private:
    TrayIcon& model_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    std::vector<std::unique_ptr<MenuItemBinder>> items_;
};

}  // namespace pontavi
