#pragma once

#include "controls/control.h"

namespace pontavi {

// A push button; click() is what the view calls when the user presses it.
class Button : public Control {
  public:
    Button(std::string name, std::string caption)
        : Control(std::move(name)), caption_(std::move(caption)) {}
    explicit Button(const ControlInfo& info) : Control(info), caption_(info.caption) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(std::string caption) { assign(caption_, caption); }

    void click() {
        if (Enabled() && OnClick) {
            OnClick();
        }
    }
    std::function<void()> OnClick;

  private:
    std::string caption_;
};

}  // namespace pontavi
