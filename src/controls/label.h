#pragma once

#include "controls/control.h"

namespace pontavi {

// A label or panel that shows one caption.
class Label : public Control {
  public:
    Label(std::string name, std::string caption = {})
        : Control(std::move(name)), caption_(std::move(caption)) {}
    explicit Label(const ControlInfo& info) : Control(info), caption_(info.caption) {}

    const std::string& Caption() const { return caption_; }
    void setCaption(std::string caption) { assign(caption_, caption); }

  private:
    std::string caption_;
};

}  // namespace pontavi
