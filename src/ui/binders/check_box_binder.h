#pragma once

#include "controls/check_box.h"
#include "ui/binders/control_binder.h"

class QCheckBox;

namespace pontavi {

// CheckBox <-> QCheckBox. A click by the user sets the model, which runs the
// core's handler; the box then shows whatever state the handler left.
class CheckBoxBinder final : public ControlBinder {
  public:
    CheckBoxBinder(CheckBox& model, QCheckBox* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    CheckBox& model_;
    QCheckBox* widget_;
};

}  // namespace pontavi
