#include "ui/binders/combo_box_binder.h"

#include <QComboBox>
#include <QSignalBlocker>

#include "ui/qt_text.h"

namespace pontavi {

ComboBoxBinder::ComboBoxBinder(ComboBox& model, QComboBox* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    widget_->setEditable(false);
    {
        const QSignalBlocker blocker(widget_);
        for (const auto& item : model_.Items()) {
            widget_->addItem(toQt(item));
        }
    }
    // activated: the user's choices only, not our own setCurrentIndex.
    connect(widget_, &QComboBox::activated, this, [this](int index) {
        act([&] { model_.setItemIndex(index); });
        sync();
    });
    install();
}

void ComboBoxBinder::sync() {
    syncCommon(widget_);
    const QSignalBlocker blocker(widget_);
    widget_->setCurrentIndex(model_.ItemIndex());
    takeFocusRequest(widget_);
}

}  // namespace pontavi
