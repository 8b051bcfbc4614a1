#pragma once

#include <string>
#include <vector>

#include "controls/memo.h"
#include "ui/control_binder.h"

class QPlainTextEdit;

namespace pontavi {

// Memo <-> QPlainTextEdit. As a log (read-only widget) lines added by the
// core are appended, never the whole text re-set, so a long log stays cheap;
// as an editor every change by the user becomes the model's userEdit.
class MemoBinder final : public ControlBinder {
  public:
    enum class Mode { Log, Editor };

    MemoBinder(Memo& model, QPlainTextEdit* widget, Mode mode, ControlHelp help = {});
    void sync() override;

  private:
    void syncText();
    void showAll();
    bool onlyAppended() const;

    Memo& model_;
    QPlainTextEdit* widget_;
    Mode mode_;
    // The lines the widget shows (for an editor: the lines of the last user edit).
    std::vector<std::string> shown_;
    bool applying_ = false;
    bool userEditing_ = false;
};

}  // namespace pontavi
