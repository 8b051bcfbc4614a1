#pragma once

#include <algorithm>

#include "controls/control.h"

namespace pontavi {

// A number field kept within MinValue..MaxValue.
class SpinEdit : public Control {
  public:
    SpinEdit(std::string name, int minValue, int maxValue, int value)
        : Control(std::move(name)), min_(minValue), max_(maxValue), value_(clamp(value)) {}
    SpinEdit(const ControlInfo& info, int minValue, int maxValue, int value)
        : Control(info), min_(minValue), max_(maxValue), value_(clamp(value)) {}

    int Value() const { return value_; }
    void setValue(int value) {
        if (assign(value_, clamp(value)) && OnChange) {
            OnChange();
        }
    }
    int MinValue() const { return min_; }
    int MaxValue() const { return max_; }

    std::function<void()> OnChange;

  private:
    int clamp(int v) const { return std::clamp(v, min_, max_); }
    int min_;
    int max_;
    int value_;
};

}  // namespace pontavi
