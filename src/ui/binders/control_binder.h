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
    // Applies the batched changes now, if any wait (see batchSyncs).
    void syncIfPending();
    // Runs after every user action this binder passes to the core; a view
    // brings its batched widgets up to date there, so what a user's action
    // changed is shown when it returns.
    void setAfterAction(std::function<void()> after) { afterAction_ = std::move(after); }

    bool eventFilter(QObject* watched, QEvent* event) override;

  protected:
    // guard: runs the handlers the user's actions call in the core.
    ControlBinder(Control& model, CallbackGuard guard);

    // Hooks the model and runs the first sync; derived constructors call it last.
    void install();
    // For controls a stranger changes at network pace (the Ident log and the
    // next ident): the changes made in one turn of the event loop reach
    // `widget` together, in one sync after the turn, or sooner when the
    // widget is about to be shown or syncIfPending is called. The model keeps
    // every change, so what is finally shown is the same. Called after
    // install().
    void batchSyncs(QWidget* widget);
    // Enabled, visible, tool tip and What's This, common to every widget.
    void syncCommon(QWidget* widget) const;
    void syncCommon(QAction* action) const;
    // Runs what a user's action asks of the core, reporting its failure.
    void act(const std::function<void()>& action);
    // Gives the widget the focus when the model asked for it since last time.
    bool takeFocusRequest(QWidget* widget);

  private:
    void changedInTurn();

    Control& model_;
    CallbackGuard guard_;
    int focusSeen_ = 0;
    std::function<void()> afterAction_;
    QWidget* batchedWidget_ = nullptr;
    bool syncPending_ = false;
};

}  // namespace pontavi
