#pragma once

#include "controls/control.h"

namespace pontavi {

// The main window's always-on-top switch; the view applies it to the window.
class TopMost : public Control {
  public:
    explicit TopMost(std::string name) : Control(std::move(name)) {}
    bool IsTopMost() const { return topMost_; }
    void setTopMost(bool topMost) { assign(topMost_, topMost); }

  private:
    bool topMost_ = false;
};

}  // namespace pontavi
