#pragma once

#include <string>

namespace pontavi {

// Desktop notifications (the bubbles a desktop shows beside the tray). Loop
// thread only; never blocks the loop. Without a notification service the
// call does nothing, silently.
class Notifier {
  public:
    Notifier() = default;
    virtual ~Notifier() = default;
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

    virtual void Notify(const std::string& summary, const std::string& body) = 0;
};

}  // namespace pontavi
