#pragma once

namespace pontavi {

// The desktop's list of programs started when the user logs in, as far as
// this program is concerned: whether it is on it, and putting it on or off.
class StartAtLogin {
  public:
    virtual ~StartAtLogin() = default;

    // What the desktop will do at the next login (read each time: the user
    // may change it by hand).
    virtual bool Enabled() const = 0;
    // Throws std::runtime_error with a message for the user when it cannot.
    virtual void SetEnabled(bool enabled) = 0;
};

}  // namespace pontavi
