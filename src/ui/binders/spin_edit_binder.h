#pragma once

#include "controls/spin_edit.h"
#include "ui/binders/control_binder.h"

class QSpinBox;

namespace pontavi {

// SpinEdit <-> QSpinBox, with the model's limits.
class SpinEditBinder final : public ControlBinder {
  public:
    SpinEditBinder(SpinEdit& model, QSpinBox* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    SpinEdit& model_;
    QSpinBox* widget_;
};

}  // namespace pontavi
