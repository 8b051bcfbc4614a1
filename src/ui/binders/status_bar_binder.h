#pragma once

#include <vector>

#include "controls/status_bar.h"
#include "ui/binders/control_binder.h"

class QLabel;
class QStatusBar;

namespace pontavi {

// StatusBar <-> QStatusBar: one sunken label per panel, of the panel's
// width (scaled by `scale` for the system font), widened to show its whole text.
class StatusBarBinder final : public ControlBinder {
  public:
    StatusBarBinder(StatusBar& model, QStatusBar* widget, double scale, CallbackGuard guard = {});
    void sync() override;
    QLabel* panelLabel(std::size_t i) const { return panels_.at(i); }

  private:
    StatusBar& model_;
    QStatusBar* widget_;
    std::vector<QLabel*> panels_;
    std::vector<int> widths_;  // the designed widths, scaled
};

}  // namespace pontavi
