#include "ui/binders/label_binder.h"

#include <QLabel>

#include "ui/qt_text.h"

namespace pontavi {

LabelBinder::LabelBinder(Label& model, QLabel* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    widget_->setTextFormat(Qt::PlainText);
    install();
}

void LabelBinder::sync() {
    syncCommon(widget_);
    widget_->setText(toQt(model_.Caption()));
}

}  // namespace pontavi
