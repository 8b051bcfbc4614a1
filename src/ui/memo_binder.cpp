#include "ui/memo_binder.h"

#include <QPlainTextEdit>

#include <algorithm>

#include "ui/qt_text.h"

namespace pontavi {

namespace {

// A line added to a log may itself hold line breaks (a reply ends in CR LF,
// which shows as an empty line after it).
QString displayed(const std::string& line) {
    QString text = toQt(line);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

MemoBinder::MemoBinder(Memo& model, QPlainTextEdit* widget, Mode mode, ControlHelp help)
    : ControlBinder(model, std::move(help)), model_(model), widget_(widget), mode_(mode) {
    widget_->setReadOnly(mode_ == Mode::Log);
    widget_->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(widget_, &QPlainTextEdit::textChanged, this, [this] {
        if (applying_ || mode_ == Mode::Log) {
            return;
        }
        // The widget already shows what the user typed; re-setting it
        // would move the cursor under their fingers.
        userEditing_ = true;
        act([this] { model_.userEdit(fromQt(widget_->toPlainText())); });
        userEditing_ = false;
        shown_ = model_.Lines();
    });
    install();
}

void MemoBinder::sync() {
    syncCommon(widget_);
    syncText();
    takeFocusRequest(widget_);
}

void MemoBinder::syncText() {
    const auto& lines = model_.Lines();
    if (userEditing_ || lines == shown_) {
        return;
    }
    if (mode_ == Mode::Editor || !onlyAppended()) {
        showAll();
        return;
    }
    applying_ = true;
    for (std::size_t i = shown_.size(); i < lines.size(); ++i) {
        widget_->appendPlainText(displayed(lines[i]));
        shown_.push_back(lines[i]);
    }
    applying_ = false;
}

bool MemoBinder::onlyAppended() const {
    const auto& lines = model_.Lines();
    return lines.size() > shown_.size() && std::equal(shown_.begin(), shown_.end(), lines.begin());
}

void MemoBinder::showAll() {
    QStringList text;
    for (const auto& line : model_.Lines()) {
        text << displayed(line);
    }
    applying_ = true;
    widget_->setPlainText(text.join(QLatin1Char('\n')));
    applying_ = false;
    shown_ = model_.Lines();
}

}  // namespace pontavi
