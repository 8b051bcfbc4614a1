#pragma once

#include "controls/control.h"

namespace pontavi {

// An item of a popup menu: caption, check mark, enabled state.
class MenuItem : public Control {
  public:
    MenuItem(std::string name, std::string caption)
        : Control(std::move(name)), caption_(std::move(caption)) {}
    explicit MenuItem(const ControlInfo& info) : Control(info), caption_(info.caption) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(std::string caption) { assign(caption_, caption); }
    bool Checked() const { return checked_; }
    // Unlike a check box, a menu item's check mark runs no handler.
    void setChecked(bool checked) { assign(checked_, checked); }
    bool IsSeparator() const { return caption_ == "-"; }

    void click() {
        if (Enabled() && OnClick) {
            OnClick();
        }
    }
    std::function<void()> OnClick;

  private:
    std::string caption_;
    bool checked_ = false;
};

}  // namespace pontavi
