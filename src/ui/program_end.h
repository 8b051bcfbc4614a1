#pragma once

#include <QObject>

#include <functional>

#include "platform/event_loop.h"

namespace pontavi {

// The one way the program ends other than "&Exit": a termination signal or
// the session's end, whenever it comes (during start-up, inside a modal box,
// in a lookup's nested wait). The first request leaves every running Qt
// event loop, so an open box closes and any box opened later returns at once,
// then runs `onEnd` (the core's session end, which saves only settings it has
// read) and quits the core's loop. Later requests do nothing.
//
// Installed on the application, it also takes the session manager's quit
// (which Qt would otherwise refuse, as the main window refuses every close)
// as the session's end.
class ProgramEnd final : public QObject {
  public:
    ProgramEnd(EventLoop& loop, std::function<void()> onEnd);
    ~ProgramEnd() override;

    void request();
    bool requested() const { return requested_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    EventLoop& loop_;
    std::function<void()> onEnd_;
    bool requested_ = false;
};

}  // namespace pontavi
