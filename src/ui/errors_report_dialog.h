#pragma once

#include <QDialog>
#include <QStringList>

#include "controls/memo.h"

class QPlainTextEdit;
class QPushButton;

namespace pontavi {

// The "Mail Errors Report" window: the error texts and their servers side by
// side in two read-only boxes without line wrapping, and "&Ok" to close it.
// Created for each report, centred on the screen.
class ErrorsReportDialog : public QDialog {
    Q_OBJECT

  public:
    ErrorsReportDialog(const Memo& errors, const Memo& servers, QWidget* parent = nullptr);

    // The most rows the window keeps; older ones go first.
    static constexpr qsizetype kMaxRows = 200;

    // Adds a cycle's rows below those still shown (a window the user has
    // closed starts afresh), so an unread earlier cycle's errors stay.
    void addReport(const Memo& errors, const Memo& servers);

    QPlainTextEdit* errorBox() const { return errorBox_; }
    QPlainTextEdit* serverBox() const { return serverBox_; }
    QPushButton* okButton() const { return ok_; }

  private:
    QStringList errors_;
    QStringList servers_;
    QPlainTextEdit* errorBox_;
    QPlainTextEdit* serverBox_;
    QPushButton* ok_;
};

}  // namespace pontavi
