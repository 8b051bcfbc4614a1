#pragma once

namespace pontavi {

// The main window as the core sees it: where it is and whether it shows. The
// view implements it over the real window; tests use a fake.
class WindowHost {
  public:
    virtual ~WindowHost() = default;
    virtual bool IsVisible() const = 0;
    virtual int Left() const = 0;
    virtual int Top() const = 0;
    // Moves the window to (left, top) and shows it.
    virtual void ShowAt(int left, int top) = 0;
    virtual void Hide() = 0;
    // Out of the way but still on the taskbar, where the user can bring it
    // back; it then counts as hidden (IsVisible is false).
    virtual void Minimize() = 0;
    virtual void BringToFront() = 0;
};

}  // namespace pontavi
