#include "ui/binders/control_binder.h"

#include <QAction>
#include <QWidget>

#include "ui/help_texts.h"
#include "ui/qt_text.h"

namespace pontavi {

ControlBinder::ControlBinder(Control& model, ControlHelp help, CallbackGuard guard)
    : model_(model),
      help_(std::move(help)),
      guard_(std::move(guard)),
      focusSeen_(model.FocusRequests()) {}

ControlBinder::~ControlBinder() {
    model_.OnStateChanged = nullptr;
}

int ControlBinder::helpContext() const {
    return model_.HelpContext() != 0 ? model_.HelpContext() : help_.context;
}

std::string ControlBinder::hint() const {
    return model_.Hint().empty() ? help_.hint : model_.Hint();
}

void ControlBinder::install() {
    model_.OnStateChanged = [this] { sync(); };
    sync();
}

void ControlBinder::syncCommon(QWidget* widget) const {
    widget->setEnabled(model_.Enabled());
    if (widget->isHidden() == model_.Visible()) {
        widget->setVisible(model_.Visible());
    }
    const std::string tip = hint();
    widget->setToolTip(toQt(tip));
    widget->setWhatsThis(whatsThisText(helpContext(), tip));
}

void ControlBinder::syncCommon(QAction* action) const {
    action->setEnabled(model_.Enabled());
    action->setVisible(model_.Visible());
    const std::string tip = hint();
    if (!tip.empty()) {
        action->setToolTip(toQt(tip));
    }
    action->setWhatsThis(whatsThisText(helpContext(), tip));
}

void ControlBinder::act(const std::function<void()>& action) {
    guard_(action);
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
