#include "ui/qt_dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

#include "mail/mail_form.h"
#include "ui/about_box.h"
#include "ui/errors_report_dialog.h"
#include "ui/mail_settings_dialog.h"
#include "ui/qt_text.h"

namespace pontavi {

QtDialogs::~QtDialogs() {
    delete report_.data();  // null when its parent already deleted it
}

void QtDialogs::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pontavi!"), toQt(text), QMessageBox::Ok,
                    parent_);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

std::optional<std::string> QtDialogs::InputQuery(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& initial) {
    QInputDialog box(parent_);
    box.setWindowTitle(toQt(caption));
    box.setLabelText(toQt(prompt));
    box.setTextValue(toQt(initial));
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return fromQt(box.textValue());
}

std::optional<std::string> QtDialogs::OpenFile(const std::string& title,
                                               const std::string& filter) {
    QFileDialog box(parent_, toQt(title));
    box.setFileMode(QFileDialog::ExistingFile);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setNameFilter(qtFilter(filter));
    // A shortcut is returned as itself, not followed to its target.
    box.setOption(QFileDialog::DontResolveSymlinks);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return fromQt(box.selectedFiles().constFirst());
}

std::optional<std::string> QtDialogs::ChooseProgram() {
    QFileDialog box(parent_, QString::fromUtf8(kProgramChooserTitle));
    // Qt's own dialog: a platform one may not honour the executable filter.
    box.setOption(QFileDialog::DontUseNativeDialog);
    box.setOption(QFileDialog::DontResolveSymlinks);
    box.setFileMode(QFileDialog::ExistingFile);
    box.setAcceptMode(QFileDialog::AcceptOpen);
    box.setNameFilter(qtFilter(kProgramChooserFilter));
    const QString programs = box.nameFilters().constFirst();
    const auto listFor = [&box, programs](const QString& filter) {
        const QDir::Filters all = QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot;
        box.setFilter(filter == programs ? all | QDir::Executable : all);
    };
    listFor(programs);
    QObject::connect(&box, &QFileDialog::filterSelected, &box, listFor);
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return fromQt(box.selectedFiles().constFirst());
}

// Modeless: a failing server must not hold the rest of the cycle's end (the
// new-mail alerts, the hang-up of a line dialled for mail) until a person
// closes the window. A report still open is added to, never stacked.
void QtDialogs::ShowErrorsReport(const Memo& errors, const Memo& servers) {
    if (report_ == nullptr) {
        report_ = new ErrorsReportDialog(errors, servers, parent_);  // see ~QtDialogs
    } else {
        report_->addReport(errors, servers);
    }
    // Above the main window even when the user keeps that one on top.
    const bool onTop =
        parent_ != nullptr && parent_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    if (report_->windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop) {
        report_->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides it; shown below
    }
    report_->show();
    report_->raise();
    report_->activateWindow();
}

ModalResult QtDialogs::ShowModal(ModalForm& form) {
    if (auto* mail = dynamic_cast<TMailForm*>(&form)) {
        MailSettingsDialog dialog(*mail, parent_);
        mail->FormShow();
        dialog.exec();
    }
    if (form.Result() == ModalResult::None) {
        form.setResult(ModalResult::Cancel);
    }
    return form.Result();
}

void QtDialogs::About() {
    AboutBox box(parent_);
    box.exec();
}

QString QtDialogs::qtFilter(const std::string& filter) {
    const QStringList parts = toQt(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    filters << QStringLiteral("All files (*)");
    return filters.join(QStringLiteral(";;"));
}

}  // namespace pontavi
