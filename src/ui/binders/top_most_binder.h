#pragma once

#include "controls/top_most.h"
#include "ui/binders/control_binder.h"

class QWidget;

namespace pontavi {

// TopMost <-> the window's stay-on-top hint, without moving it.
class TopMostBinder final : public ControlBinder {
  public:
    TopMostBinder(TopMost& model, QWidget* window, CallbackGuard guard = {});
    void sync() override;

  private:
    TopMost& model_;
    QWidget* window_;
};

}  // namespace pontavi
