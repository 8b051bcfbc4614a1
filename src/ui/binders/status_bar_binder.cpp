#include "ui/binders/status_bar_binder.h"

#include <algorithm>

#include <QLabel>
#include <QStatusBar>

#include "ui/qt_text.h"

namespace pontavi {

StatusBarBinder::StatusBarBinder(StatusBar& model, QStatusBar* widget, double scale,
                                 CallbackGuard guard)
    : ControlBinder(model, std::move(guard)), model_(model), widget_(widget) {
    widget_->setSizeGripEnabled(false);
    for (std::size_t i = 0; i < model_.PanelCount(); ++i) {
        auto* label = new QLabel(widget_);  // owned by the status bar
        label->setTextFormat(Qt::PlainText);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        widths_.push_back(static_cast<int>(model_.panel(i).width * scale));
        label->setFixedWidth(widths_.back());
        widget_->addWidget(label);
        panels_.push_back(label);
    }
    install();
}

void StatusBarBinder::sync() {
    syncCommon(widget_);
    for (std::size_t i = 0; i < panels_.size(); ++i) {
        QLabel* panel = panels_[i];
        panel->setText(toQt(model_.PanelText(i)));
        // The designed width, or more when the text (a long time format, a
        // large font) would be clipped in it.
        panel->setFixedWidth(std::max(widths_[i], panel->sizeHint().width()));
    }
}

}  // namespace pontavi
