#pragma once

#include <string>
#include <vector>

#include "controls/control.h"

namespace pontavi {

// A drop-down list with a fixed set of items; ItemIndex -1 means no item.
class ComboBox : public Control {
  public:
    ComboBox(std::string name, std::vector<std::string> items)
        : Control(std::move(name)), items_(std::move(items)) {}
    ComboBox(const ControlInfo& info, std::vector<std::string> items)
        : Control(info), items_(std::move(items)) {}

    const std::vector<std::string>& Items() const { return items_; }
    // Replaces the items; the selection is cleared without OnChange.
    void setItems(std::vector<std::string> items) {
        items_ = std::move(items);
        itemIndex_ = -1;
        changed();
    }
    int ItemIndex() const { return itemIndex_; }
    void setItemIndex(int index) {
        if (index < -1 || index >= static_cast<int>(items_.size())) {
            index = -1;
        }
        if (assign(itemIndex_, index) && OnChange) {
            OnChange();
        }
    }

    std::function<void()> OnChange;

  private:
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

}  // namespace pontavi
