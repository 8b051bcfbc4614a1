#include "ui/binders/top_most_binder.h"

#include <QWidget>

namespace pontavi {

TopMostBinder::TopMostBinder(TopMost& model, QWidget* window, CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), window_(window) {
    install();
}

void TopMostBinder::sync() {
    const bool on = model_.IsTopMost();
    if (window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) {
        return;
    }
    // Changing a window's flags hides it; put it back where it was.
    const bool visible = window_->isVisible();
    const QPoint at = window_->pos();
    window_->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
        window_->move(at);
        window_->show();
    }
}

}  // namespace pontavi
