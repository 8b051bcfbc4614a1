#include "ui/binders/menu_item_binder.h"

#include <QAction>
#include <QSignalBlocker>

#include "ui/qt_text.h"

namespace pontavi {

MenuItemBinder::MenuItemBinder(MenuItem& model, QAction* action, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), action_(action) {
    connect(action_, &QAction::triggered, this, [this] {
        act([this] { model_.click(); });
        sync();  // Qt flips a checkable action by itself; the model decides.
    });
    install();
}

void MenuItemBinder::sync() {
    syncCommon(action_);
    const QSignalBlocker blocker(action_);
    action_->setSeparator(model_.IsSeparator());
    // A separator's "-" is its kind, not a text to draw beside the line.
    action_->setText(model_.IsSeparator() ? QString() : toQt(model_.Caption()));
    // An unchecked item looks like a plain one, as on the classic desktop.
    action_->setCheckable(model_.Checked());
    action_->setChecked(model_.Checked());
}

}  // namespace pontavi
