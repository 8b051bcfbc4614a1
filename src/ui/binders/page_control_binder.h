#pragma once

#include "controls/page_control.h"
#include "ui/binders/control_binder.h"

class QTabWidget;

namespace pontavi {

// PageControl <-> QTabWidget: the active page both ways; a switch by the
// user runs the model's OnChange (the core's PageControl1Change).
class PageControlBinder final : public ControlBinder {
  public:
    PageControlBinder(PageControl& model, QTabWidget* widget, CallbackGuard guard = {});
    void sync() override;

  private:
    PageControl& model_;
    QTabWidget* widget_;
};

}  // namespace pontavi
