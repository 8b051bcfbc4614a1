#pragma once

#include <string>
#include <vector>

#include "controls/memo.h"
#include "ui/binders/control_binder.h"

class QPlainTextEdit;

namespace pontavi {

// An editable Memo (the Edit Idents page) <-> QPlainTextEdit: every change by
// the user becomes the model's userEdit; a fill by the core re-sets the text.
// Read-only logs use LogBinder.
class MemoBinder final : public ControlBinder {
  public:
    MemoBinder(Memo& model, QPlainTextEdit* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    void showAll();

    Memo& model_;
    QPlainTextEdit* widget_;
    // The lines of the last user edit or fill.
    std::vector<std::string> shown_;
    bool applying_ = false;
    bool userEditing_ = false;
};

}  // namespace pontavi
