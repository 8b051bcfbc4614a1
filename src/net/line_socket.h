#pragma once

#include <functional>
#include <string>

#include "net/buffered_socket.h"
#include "net/line_framer.h"

namespace pontavi {

class TLineSocketBase;

// A received line: the socket, the text (without its line end unless
// lsoKeepTerminator) and whether it is complete: false for the first part of
// a line longer than the read buffer, whose rest is dropped (see LineFramer).
using TLineEvent =
    std::function<void(TLineSocketBase& sender, const std::string& line, bool complete)>;

// A buffered connection that talks in lines: received bytes are cut into
// lines at LineEnd and, with lsoLineEvents, each line goes to OnLine before
// the component's OnRead; SendLine queues a text and its line end.
class TLineSocketBase : public TBufferedSocketBase {
  public:
    explicit TLineSocketBase(TSockCtrl& owner);

    TLineEnd LineEnd() const { return framer_.LineEnd(); }
    void setLineEnd(TLineEnd end) { framer_.setLineEnd(end); }
    TLineOptions LineOptions() const { return framer_.Options(); }
    void setLineOptions(TLineOptions options) { framer_.setOptions(options); }

    // Belongs to the socket object: set it on each new connection.
    TLineEvent OnLine;

    // Queues the text (and, with lsoAddTerminator, the line end); false with
    // nothing queued when the write buffer's free space is smaller than both
    // together, or when the text holds a CR, LF or NUL (it would reach the
    // peer as more than one command; callers check outside values with
    // IsSingleLine first to say why). Flushes with lsoAutoFlush.
    bool SendLine(const std::string& text);
    // Takes the next line; false when none is held. `complete` as for OnLine.
    bool ReadLine(std::string& line, bool& complete);
    bool ReadLine(std::string& line) {
        bool complete = true;
        return ReadLine(line, complete);
    }

  protected:
    void FillReadBuffer() override;
    void ReadBufferFull() override;
    // Raises OnLine.
    virtual void LineNotification(const std::string& line, bool complete);

  private:
    LineFramer framer_;
};

class TLineSocket final : public TLineSocketBase {
  public:
    using TLineSocketBase::TLineSocketBase;
};

}  // namespace pontavi
