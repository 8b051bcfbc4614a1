#include "ui/errors_report_dialog.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStringList>
#include <QTextCursor>
#include <QVBoxLayout>

#include "mail/errors_form.h"
#include "ui/qt_text.h"

namespace pontavi {

namespace {

// Appends the memo's lines and drops the oldest beyond `limit`.
void append(QStringList& rows, const Memo& memo, qsizetype limit) {
    for (const std::string& line : memo.Lines()) {
        rows << toQt(line);
    }
    if (rows.size() > limit) {
        rows.remove(0, rows.size() - limit);
    }
}

void fill(QPlainTextEdit* box, const QStringList& rows) {
    box->setPlainText(rows.join(QLatin1Char('\n')));
    box->moveCursor(QTextCursor::End);  // the newest rows in view
}

QPlainTextEdit* readOnlyBox(bool bothScrollBars, QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);  // owned by the dialog
    box->setReadOnly(true);
    // The boxes only show: a click into one leaves the keyboard on "&Ok".
    box->setFocusPolicy(Qt::NoFocus);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QColor(0xc0, 0xc0, 0xc0));  // silver
    box->setPalette(palette);
    if (bothScrollBars) {
        box->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    }
    return box;
}

}  // namespace

ErrorsReportDialog::ErrorsReportDialog(const Memo& errors, const Memo& servers, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(TErrorsForm::kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);  // owned by the dialog
    layout->addWidget(new QLabel(QString::fromLatin1(TErrorsForm::kIntro), this));

    auto* boxes = new QGridLayout;  // owned by the layout
    boxes->addWidget(new QLabel(QString::fromLatin1(TErrorsForm::kErrorLabel), this), 0, 0);
    boxes->addWidget(new QLabel(QString::fromLatin1(TErrorsForm::kServerLabel), this), 0, 1);
    errorBox_ = readOnlyBox(true, this);
    serverBox_ = readOnlyBox(false, this);
    boxes->addWidget(errorBox_, 1, 0);
    boxes->addWidget(serverBox_, 1, 1);
    boxes->setColumnStretch(0, 3);
    boxes->setColumnStretch(1, 1);
    layout->addLayout(boxes);

    ok_ = new QPushButton(QString::fromLatin1(TErrorsForm::kOkCaption), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;  // owned by the layout
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addStretch();
    layout->addLayout(buttons);

    resize(520, 260);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    addReport(errors, servers);
}

void ErrorsReportDialog::addReport(const Memo& errors, const Memo& servers) {
    if (!isVisible()) {
        errors_.clear();
        servers_.clear();
    }
    append(errors_, errors, kMaxRows);
    append(servers_, servers, kMaxRows);
    fill(errorBox_, errors_);
    fill(serverBox_, servers_);
    ok_->setFocus();
}

}  // namespace pontavi
