#pragma once

#include "controls/control.h"

namespace pontavi {

// The tabbed pages of the main window. OnChange runs when the user switches
// to another page (userSelect); a page set by code (setActivePage) runs
// nothing, the code that sets it does what its own step says.
class PageControl : public Control {
  public:
    PageControl(std::string name, int pageCount, int activePage)
        : Control(std::move(name)), pageCount_(pageCount), active_(activePage) {}
    PageControl(const ControlInfo& info, int pageCount, int activePage)
        : Control(info), pageCount_(pageCount), active_(activePage) {}

    int PageCount() const { return pageCount_; }
    int ActivePage() const { return active_; }
    void setActivePage(int page) {
        if (page >= 0 && page < pageCount_) {
            assign(active_, page);
        }
    }
    void userSelect(int page) {
        if (page >= 0 && page < pageCount_ && assign(active_, page) && OnChange) {
            OnChange();
        }
    }

    std::function<void()> OnChange;

  private:
    int pageCount_;
    int active_;
};

}  // namespace pontavi
