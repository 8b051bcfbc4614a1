#include "ui/binders/spin_edit_binder.h"

#include <QSignalBlocker>
#include <QSpinBox>

namespace pontavi {

SpinEditBinder::SpinEditBinder(SpinEdit& model, QSpinBox* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    connect(widget_, &QSpinBox::valueChanged, this, [this](int value) {
        act([&] { model_.setValue(value); });
        sync();
    });
    install();
}

void SpinEditBinder::sync() {
    syncCommon(widget_);
    const QSignalBlocker blocker(widget_);
    widget_->setRange(model_.MinValue(), model_.MaxValue());
    widget_->setValue(model_.Value());
    takeFocusRequest(widget_);
}

}  // namespace pontavi
