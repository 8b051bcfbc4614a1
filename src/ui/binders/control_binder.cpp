#include "ui/binders/control_binder.h"

#include <QAction>
#include <QEvent>
#include <QMetaObject>
#include <QWidget>

#include "ui/help_texts.h"
#include "ui/qt_text.h"

namespace pontavi {

ControlBinder::ControlBinder(Control& model, CallbackGuard guard)
    : model_(model), guard_(std::move(guard)), focusSeen_(model.FocusRequests()) {}

ControlBinder::~ControlBinder() {
    model_.OnStateChanged = nullptr;
}

void ControlBinder::install() {
    model_.OnStateChanged = [this] { sync(); };
    sync();
}

void ControlBinder::batchSyncs(QWidget* widget) {
    batchedWidget_ = widget;
    widget->installEventFilter(this);
    model_.OnStateChanged = [this] { changedInTurn(); };
}

void ControlBinder::changedInTurn() {
    if (syncPending_) {
        return;
    }
    syncPending_ = true;
    // Posted: runs after the events of this turn, and never once the binder is gone.
    QMetaObject::invokeMethod(
        this, [this] { syncIfPending(); }, Qt::QueuedConnection);
}

void ControlBinder::syncIfPending() {
    if (syncPending_) {
        syncPending_ = false;
        sync();
    }
}

bool ControlBinder::eventFilter(QObject* watched, QEvent* event) {
    if (watched == batchedWidget_ && event->type() == QEvent::Show) {
        syncIfPending();
    }
    return QObject::eventFilter(watched, event);
}

void ControlBinder::syncCommon(QWidget* widget) const {
    widget->setEnabled(model_.Enabled());
    if (widget->isHidden() == model_.Visible()) {
        widget->setVisible(model_.Visible());
    }
    // Help number and hint are the model's, given where the window declares it.
    const std::string& tip = model_.Hint();
    widget->setToolTip(toQt(tip));
    widget->setWhatsThis(whatsThisText(model_.HelpContext(), tip));
}

void ControlBinder::syncCommon(QAction* action) const {
    action->setEnabled(model_.Enabled());
    action->setVisible(model_.Visible());
    const std::string& tip = model_.Hint();
    if (!tip.empty()) {
        action->setToolTip(toQt(tip));
    }
    action->setWhatsThis(whatsThisText(model_.HelpContext(), tip));
}

void ControlBinder::act(const std::function<void()>& action) {
    guard_(action);
    if (afterAction_) {
        afterAction_();
    }
}

bool ControlBinder::takeFocusRequest(QWidget* widget) {
    if (model_.FocusRequests() == focusSeen_) {
        return false;
    }
    focusSeen_ = model_.FocusRequests();
    widget->setFocus(Qt::OtherFocusReason);
    return true;
}

}  // namespace pontavi
