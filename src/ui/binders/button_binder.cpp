#include "ui/binders/button_binder.h"

#include <QAbstractButton>

#include "ui/qt_text.h"

namespace pontavi {

ButtonBinder::ButtonBinder(Button& model, QAbstractButton* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    connect(widget_, &QAbstractButton::clicked, this, [this] { act([this] { model_.click(); }); });
    install();
}

void ButtonBinder::sync() {
    syncCommon(widget_);
    widget_->setText(toQt(model_.Caption()));
    takeFocusRequest(widget_);
}

}  // namespace pontavi
