#pragma once

#include <QPointer>
#include <QWidget>

#include "controls/dialogs.h"
#include "ui/errors_report_dialog.h"

namespace pontavi {

// The boxes the core asks for, as modal Qt dialogs. Each runs a nested event
// loop, so the core's timers and sockets keep being served while it is open.
// The errors report alone is modeless: one window, added to by each report.
// The always-on-top bracket is the core's; this class only shows the boxes.
class QtDialogs final : public Dialogs {
  public:
    // parent: the window the boxes belong to (may be hidden, or gone).
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    void ShowMessage(const std::string& text) override;
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& initial) override;
    std::optional<std::string> OpenFile(const std::string& title,
                                        const std::string& filter) override;
    // Lists executable files only while "Programs" is the chosen filter.
    std::optional<std::string> ChooseProgram() override;
    // Shows the report and returns at once; closing it only hides it.
    void ShowErrorsReport(const Memo& errors, const Memo& servers) override;
    void About() override;
    ModalResult ShowModal(ModalForm& form) override;

    // "Programs|*.exe;*.com|Sounds|*.wav" -> "Programs (*.exe *.com);;Sounds (*.wav)",
    // with "All files (*)" last: programs here seldom carry an extension.
    static QString qtFilter(const std::string& filter);

    // The report window, once a report was shown (hidden when closed).
    ErrorsReportDialog* errorsReport() const { return report_.data(); }

  private:
    QPointer<QWidget> parent_;
    // Made on the first report; ours to delete unless its parent took it along.
    QPointer<ErrorsReportDialog> report_;
};

}  // namespace pontavi
