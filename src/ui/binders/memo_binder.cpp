#include "ui/binders/memo_binder.h"

#include <QPlainTextEdit>

#include "ui/qt_text.h"

namespace pontavi {

MemoBinder::MemoBinder(Memo& model, QPlainTextEdit* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    widget_->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(widget_, &QPlainTextEdit::textChanged, this, [this] {
        if (applying_) {
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
    if (!userEditing_ && model_.Lines() != shown_) {
        showAll();
    }
    takeFocusRequest(widget_);
}

void MemoBinder::showAll() {
    QStringList text;
    for (const auto& line : model_.Lines()) {
        text << toQt(line);
    }
    applying_ = true;
    widget_->setPlainText(text.join(QLatin1Char('\n')));
    applying_ = false;
    shown_ = model_.Lines();
}

}  // namespace pontavi
