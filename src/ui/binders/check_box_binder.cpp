#include "ui/binders/check_box_binder.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include "ui/qt_text.h"

namespace pontavi {

CheckBoxBinder::CheckBoxBinder(CheckBox& model, QCheckBox* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    connect(widget_, &QCheckBox::clicked, this, [this](bool checked) {
        act([&] { model_.setChecked(checked); });
        sync();
    });
    install();
}

void CheckBoxBinder::sync() {
    syncCommon(widget_);
    const QSignalBlocker blocker(widget_);
    widget_->setText(toQt(model_.Caption()));
    widget_->setChecked(model_.Checked());
    takeFocusRequest(widget_);
}

}  // namespace pontavi
