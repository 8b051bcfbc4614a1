#pragma once

#include "controls/menu_item.h"
#include "ui/binders/control_binder.h"

class QAction;

namespace pontavi {

// MenuItem <-> QAction: caption (with its & accelerator), separator, check
// mark, enabled state; choosing the action runs the model's click().
class MenuItemBinder final : public ControlBinder {
  public:
    MenuItemBinder(MenuItem& model, QAction* action, CallbackGuard guard = {});
    void sync() override;
    QAction* action() const { return action_; }

  private:
    MenuItem& model_;
    QAction* action_;
};

}  // namespace pontavi
