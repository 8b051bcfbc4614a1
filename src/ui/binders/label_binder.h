#pragma once

#include "controls/label.h"
#include "ui/binders/control_binder.h"

class QLabel;

namespace pontavi {

// Label <-> QLabel, shown as plain text.
class LabelBinder final : public ControlBinder {
  public:
    LabelBinder(Label& model, QLabel* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    Label& model_;
    QLabel* widget_;
};

}  // namespace pontavi
