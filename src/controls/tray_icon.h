#pragma once

#include "controls/control.h"

namespace pontavi {

// The five tray images of the program.
enum class TrayImage {
    IconNotConnected,
    IconConnected,
    IconCheckingMail,
    IconSettingClock,
    IconDialing
};

// The tray icon: Active puts it into the tray; the tip keeps its first 62
// characters, as the tray shows no more.
class TrayIcon : public Control {
  public:
    static constexpr std::size_t kMaxTipLength = 62;

    explicit TrayIcon(std::string name) : Control(std::move(name)) {}

    bool Active() const { return active_; }
    void setActive(bool active) { assign(active_, active); }
    const std::string& ToolTip() const { return toolTip_; }
    void setToolTip(std::string tip) {
        if (tip.size() > kMaxTipLength) {
            tip.resize(kMaxTipLength);
        }
        assign(toolTip_, tip);
    }
    TrayImage Icon() const { return icon_; }
    void setIcon(TrayImage icon) { assign(icon_, icon); }

    void click() {
        if (OnClick) {
            OnClick();
        }
    }
    std::function<void()> OnClick;

  private:
    bool active_ = false;
    std::string toolTip_;
    TrayImage icon_ = TrayImage::IconNotConnected;
};

}  // namespace pontavi
