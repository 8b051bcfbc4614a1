#pragma once

#include "controls/control.h"

namespace pontavi {

// A check box. Setting Checked, from code or by the user, runs OnClick when
// the state changes (the settings loader relies on this).
class CheckBox : public Control {
  public:
    CheckBox(std::string name, std::string caption)
        : Control(std::move(name)), caption_(std::move(caption)) {}
    explicit CheckBox(const ControlInfo& info) : Control(info), caption_(info.caption) {}

    const std::string& Caption() const { return caption_; }
    bool Checked() const { return checked_; }
    void setChecked(bool checked) {
        if (assign(checked_, checked) && OnClick) {
            OnClick();
        }
    }

    std::function<void()> OnClick;

  private:
    std::string caption_;
    bool checked_ = false;
};

}  // namespace pontavi
