#pragma once

#include <string>
#include <vector>

#include "controls/control.h"

namespace pontavi {

// A status bar of text panels with fixed widths.
class StatusBar : public Control {
  public:
    struct Panel {
        std::string text;
        int width;
    };

    StatusBar(std::string name, std::vector<Panel> panels)
        : Control(std::move(name)), panels_(std::move(panels)) {}
    StatusBar(const ControlInfo& info, std::vector<Panel> panels)
        : Control(info), panels_(std::move(panels)) {}

    std::size_t PanelCount() const { return panels_.size(); }
    const Panel& panel(std::size_t i) const { return panels_.at(i); }
    const std::string& PanelText(std::size_t i) const { return panels_.at(i).text; }
    void setPanelText(std::size_t i, std::string text) {
        if (i < panels_.size()) {
            assign(panels_[i].text, text);
        }
    }

  private:
    std::vector<Panel> panels_;
};

}  // namespace pontavi
