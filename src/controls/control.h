#pragma once

#include <functional>
#include <string>

namespace pontavi {

// What the window's design gives a control, written once where the window
// declares it: its name, the caption it shows (buttons, check boxes, labels
// and menu items show one), its help context number (What's This, F1) and its
// hint (tool tip).
// Every field has a default, so a declaration names only what it gives.
struct ControlInfo {
    std::string name{};
    std::string caption{};
    int help = 0;
    std::string hint{};
};

// Base of every control model: the state the behaviour talks about, owned by
// the core. The view (or a test) listens through OnStateChanged and re-reads
// the state; the core's handlers are separate events on each model.
class Control {
  public:
    explicit Control(std::string name) : name_(std::move(name)) {}
    explicit Control(const ControlInfo& info)
        : name_(info.name), helpContext_(info.help), hint_(info.hint) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const std::string& Name() const { return name_; }

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled) { assign(enabled_, enabled); }
    bool Visible() const { return visible_; }
    void setVisible(bool visible) { assign(visible_, visible); }

    int HelpContext() const { return helpContext_; }
    void setHelpContext(int context) { helpContext_ = context; }
    const std::string& Hint() const { return hint_; }
    void setHint(std::string hint) { hint_ = std::move(hint); }

    // Asks the view to give this control the keyboard focus; the count lets a
    // view (and a test) tell a new request from an old one.
    void setFocus() {
        ++focusRequests_;
        changed();
    }
    int FocusRequests() const { return focusRequests_; }

    // Called after any state change made through the model.
    std::function<void()> OnStateChanged;

  protected:
    void changed() {
        if (OnStateChanged) {
            OnStateChanged();
        }
    }
    template <typename T>
    bool assign(T& field, const T& value) {
        if (field == value) {
            return false;
        }
        field = value;
        changed();
        return true;
    }

  private:
    std::string name_;
    bool enabled_ = true;
    bool visible_ = true;
    int helpContext_ = 0;
    int focusRequests_ = 0;
    std::string hint_;
};

}  // namespace pontavi
