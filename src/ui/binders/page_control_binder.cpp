#include "ui/binders/page_control_binder.h"

#include <QSignalBlocker>
#include <QTabWidget>

namespace pontavi {

PageControlBinder::PageControlBinder(PageControl& model, QTabWidget* widget, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    connect(widget_, &QTabWidget::currentChanged, this, [this](int index) {
        act([&] { model_.userSelect(index); });
        sync();
    });
    install();
}

void PageControlBinder::sync() {
    widget_->setEnabled(model_.Enabled());
    const QSignalBlocker blocker(widget_);
    if (widget_->currentIndex() != model_.ActivePage()) {
        widget_->setCurrentIndex(model_.ActivePage());
    }
}

}  // namespace pontavi
