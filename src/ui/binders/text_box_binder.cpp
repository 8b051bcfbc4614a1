#include "ui/binders/text_box_binder.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "ui/qt_text.h"

namespace pontavi {

TextBoxBinder::TextBoxBinder(TextBox& model, QLineEdit* widget, bool readOnly, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget), readOnly_(readOnly) {
    // textEdited: typing only, never our own setText.
    connect(widget_, &QLineEdit::textEdited, this, [this](const QString& text) {
        act([&] { model_.userEdit(fromQt(text)); });
        sync();
    });
    install();
}

void TextBoxBinder::sync() {
    syncCommon(widget_);
    const QSignalBlocker blocker(widget_);
    const QString text = toQt(model_.Text());
    if (widget_->text() != text) {
        widget_->setText(text);
    }
    widget_->setReadOnly(readOnly_ || model_.ReadOnly());
    if (model_.PasswordChar() != 0) {
        widget_->setEchoMode(QLineEdit::Password);
        widget_->setStyleSheet(QStringLiteral("lineedit-password-character: %1;")
                                   .arg(static_cast<int>(model_.PasswordChar())));
    }
    syncSelection(takeFocusRequest(widget_));
}

void TextBoxBinder::batchSyncs() {
    ControlBinder::batchSyncs(widget_);
}

void TextBoxBinder::syncSelection(bool focused) {
    const std::size_t start = model_.SelStart();
    const std::size_t length = model_.SelLength();
    // The core's selection is applied when it makes a new one or asks for the
    // focus; between those the user's own selection is left alone.
    if (!focused && start == selStart_ && length == selLength_) {
        return;
    }
    selStart_ = start;
    selLength_ = length;
    if (length == 0) {
        return;
    }
    const std::string& text = model_.Text();
    const std::size_t at = std::min(start, text.size());
    const auto from = static_cast<int>(toQt(text.substr(0, at)).size());
    const auto count = static_cast<int>(toQt(text.substr(at, length)).size());
    widget_->setSelection(from, count);
}

}  // namespace pontavi
