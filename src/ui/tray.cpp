#include "ui/tray.h"

#include <QMenu>
#include <QSystemTrayIcon>

#include "ui/binders/menu_item_binder.h"
#include "ui/qt_text.h"
#include "ui/tray_images.h"

namespace pontavi {

Tray::Tray(TrayIcon& model, const std::vector<MenuItem*>& items, CallbackGuard guard)
    : ControlBinder(model, guard),
      model_(model),
      menu_(std::make_unique<QMenu>()),
      icon_(std::make_unique<QSystemTrayIcon>()) {
    menu_->setObjectName(QStringLiteral("PopupMenu1"));
    for (MenuItem* item : items) {
        QAction* action = menu_->addAction(toQt(item->Caption()));
        action->setObjectName(toQt(item->Name()));
        items_.push_back(std::make_unique<MenuItemBinder>(*item, action, guard));
    }
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    act([this] { model_.click(); });
                }
            });
    install();
}

Tray::~Tray() {
    items_.clear();  // release the items' models before the menu goes
    icon_->hide();
}

void Tray::sync() {
    icon_->setIcon(trayImage(model_.Icon()));
    icon_->setToolTip(toQt(model_.ToolTip()));
    icon_->setVisible(model_.Active());
}

}  // namespace pontavi
