#pragma once

#include <QDialog>

#include <memory>
#include <vector>

#include "ui/callback_guard.h"

namespace pontavi {

class ControlBinder;
class TAddAppsForm;

// "Add To Auto-Launch": the add dialog's fields bound to the core's form.
// The title takes at most 30 characters and neither it nor the parameters
// take a "?"; F1 anywhere in the dialog opens its help topic.
class AddAppsDialog final : public QDialog {
  public:
    AddAppsDialog(TAddAppsForm& form, QWidget* parent, CallbackGuard guard = {});
    ~AddAppsDialog() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    TAddAppsForm& form_;
    CallbackGuard guard_;
    std::vector<std::unique_ptr<ControlBinder>> binders_;
};

}  // namespace pontavi
