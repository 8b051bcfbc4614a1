#pragma once

#include "controls/combo_box.h"
#include "ui/binders/control_binder.h"

class QComboBox;

namespace pontavi {

// ComboBox <-> a non-editable QComboBox with the model's fixed items.
class ComboBoxBinder final : public ControlBinder {
  public:
    ComboBoxBinder(ComboBox& model, QComboBox* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    ComboBox& model_;
    QComboBox* widget_;
};

}  // namespace pontavi
