#pragma once

#include <QPointer>
#include <QWidget>

#include "controls/dialogs.h"

namespace pontavi {

// The boxes the core asks for, as modal Qt dialogs. Each runs a nested event
// loop, so the core's timers and sockets keep being served while it is open.
// The always-on-top bracket is the core's; this class only shows the boxes.
class QtDialogs final : public Dialogs {
  public:
    // parent: the window the boxes belong to (may be hidden, or gone).
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}

    void ShowMessage(const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    std::optional<std::string> OpenFile(const std::string& title,
                                        const std::string& filter) override;
    void ShowErrorsReport(const Memo& errors, const Memo& servers) override;
    void About() override;
    ModalResult ShowModal(ModalForm& form) override;

    // "Programs|*.exe;*.com|Sounds|*.wav" -> "Programs (*.exe *.com);;Sounds (*.wav)",
    // with "All files (*)" last: programs here seldom carry an extension.
    static QString qtFilter(const std::string& filter);

  private:
    QPointer<QWidget> parent_;
};

}  // namespace pontavi
