#pragma once

#include <cstddef>

#include "controls/text_box.h"
#include "ui/binders/control_binder.h"

class QLineEdit;

namespace pontavi {

// TextBox <-> QLineEdit: text both ways (typing is the model's userEdit),
// read-only state, the selection the core makes, and focus requests.
class TextBoxBinder final : public ControlBinder {
  public:
    // readOnly: the box is never typed into, whatever the model says.
    TextBoxBinder(TextBox& model, QLineEdit* widget, bool readOnly = false,
                  CallbackGuard guard = {});
    void sync() override;
    // The changes of one loop turn show together (see ControlBinder::batchSyncs).
    void batchSyncs();

  private:
    void syncSelection(bool focused);

    TextBox& model_;
    QLineEdit* widget_;
    bool readOnly_;
    std::size_t selStart_ = 0;
    std::size_t selLength_ = 0;
};

}  // namespace pontavi
