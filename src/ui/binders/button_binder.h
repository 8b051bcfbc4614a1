#pragma once

#include "controls/button.h"
#include "ui/binders/control_binder.h"

class QAbstractButton;

namespace pontavi {

// Button <-> QPushButton (any QAbstractButton): caption, enabled state; a
// press runs the model's click().
class ButtonBinder final : public ControlBinder {
  public:
    ButtonBinder(Button& model, QAbstractButton* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    Button& model_;
    QAbstractButton* widget_;
};

}  // namespace pontavi
