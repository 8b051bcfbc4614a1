#pragma once

#include <functional>
#include <string>

namespace pontavi {

// Runs a callback that Qt (a signal, an event filter, a timer) called into
// the core, so that an exception never unwinds through Qt's own frames: the
// failure goes to the report given at construction and the program goes on.
// Without a report the exception propagates (tests want to see it).
class CallbackGuard {
  public:
    using Report = std::function<void(const std::string& message)>;

    CallbackGuard() = default;
    explicit CallbackGuard(Report report) : report_(std::move(report)) {}

    void operator()(const std::function<void()>& callback) const;

  private:
    Report report_;
};

}  // namespace pontavi
