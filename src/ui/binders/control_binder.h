#pragma once

#include <QObject>

#include <functional>
#include <string>

#include "controls/control.h"
#include "ui/callback_guard.h"

class QAction;
class QWidget;

namespace pontavi {

// Base of the binders that keep one control model and one widget in step.
// Model -> widget runs on every OnStateChanged; widget -> model goes through
// the model's setters, after which the widget is re-read from the model (the
// core may have refused or changed the value). A binder takes the model's
// OnStateChanged for its life and releases it when destroyed, so it must die
// before the model does.
class ControlBinder : public QObject {
  public:
    ~ControlBinder() override;
    ControlBinder(const ControlBinder&) = delete;
    ControlBinder& operator=(const ControlBinder&) = delete;

    Control& model() const { return model_; }

    // Re-reads the whole model into the widget.
    virtual void sync() = 0;

  protected:
    // guard: runs the handlers the user's actions call in the core.
    ControlBinder(Control& model, CallbackGuard guard);

    // Hooks the model and runs the first sync; derived constructors call it last.
    void install();
    // Enabled, visible, tool tip and What's This, common to every widget.
    void syncCommon(QWidget* widget) const;
    void syncCommon(QAction* action) const;
    // Runs what a user's action asks of the core, reporting its failure.
    void act(const std::function<void()>& action);
    // Gives the widget the focus when the model asked for it since last time.
    bool takeFocusRequest(QWidget* widget);

  private:
    Control& model_;
    CallbackGuard guard_;
    int focusSeen_ = 0;
};

}  // namespace pontavi
