#pragma once

#include "controls/window_host.h"

namespace pontavi {

// A window that only records where it is and whether it shows; the user
// "drags" it by setting left/top.
class FakeWindowHost final : public WindowHost {
  public:
    bool IsVisible() const override { return visible; }
    int Left() const override { return left; }
    int Top() const override { return top; }
    void ShowAt(int l, int t) override {
        left = l;
        top = t;
        visible = true;
    }
    void Hide() override { visible = false; }
    void Minimize() override {
        visible = false;
        ++minimized;
    }
    void BringToFront() override { ++broughtToFront; }

    bool visible = false;
    int left = 0;
    int top = 0;
    int broughtToFront = 0;
    int minimized = 0;
};

}  // namespace pontavi
