#include "ui/binders/combo_box_binder.h"

#include <QComboBox>
#include <QSignalBlocker>

#include "ui/qt_text.h"

namespace pontavi {

ComboBoxBinder::ComboBoxBinder(ComboBox& model, QComboBox* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    widget_->setEditable(false);
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
    // Some lists change while shown (a dialog's entries): follow the model's items.
    const auto& items = model_.Items();
    bool same = widget_->count() == static_cast<int>(items.size());
    for (int i = 0; same && i < widget_->count(); ++i) {
        same = widget_->itemText(i) == toQt(items[static_cast<std::size_t>(i)]);
    }
    if (!same) {
        widget_->clear();
        for (const auto& item : items) {
            widget_->addItem(toQt(item));
        }
    }
    widget_->setCurrentIndex(model_.ItemIndex());
    takeFocusRequest(widget_);
}

}  // namespace pontavi
