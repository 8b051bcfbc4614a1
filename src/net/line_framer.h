#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "net/sock_error.h"
#include "net/socket_buffer.h"

namespace pontavi {

enum class TLineEnd { leCR, leLF, leCRLF };

enum TLineOption : unsigned {
    lsoAddTerminator = 1,   // SendLine appends the line end
    lsoAutoFlush = 2,       // SendLine flushes
    lsoKeepTerminator = 4,  // received lines keep their line end
    lsoLineEvents = 8,      // received lines are delivered through OnLine
};
using TLineOptions = unsigned;

// The line end's bytes: "\r", "\n" or "\r\n".
const char* LineEndText(TLineEnd end);

// Cuts lines out of a read buffer. Kept apart from the socket so the rules can
// be exercised on plain bytes.
//
// A line ends at the first CR (LF for leLF). For leCRLF a line ends at the
// first CR LF; a CR followed by anything else is ordinary data of the line
// (otherwise a stray CR would block the connection until its buffer filled).
// A CR that is the last byte held also ends the line, as its LF may still be
// on its way; that LF, when it comes as the next byte, is dropped, so a CR LF
// split across two reads never puts a stray LF at the start of the next line.
class LineFramer {
  public:
    struct FoundLine {
        std::size_t textLength;  // bytes before the line end
        std::size_t length;      // bytes to remove: through the line end, as far as held
    };

    explicit LineFramer(SocketBuffer& buffer) : buffer_(&buffer) {}

    TLineEnd LineEnd() const { return lineEnd_; }
    void setLineEnd(TLineEnd end) { lineEnd_ = end; }
    TLineOptions Options() const { return options_; }
    void setOptions(TLineOptions options) { options_ = options; }
    bool LineEvents() const { return (options_ & lsoLineEvents) != 0; }

    std::optional<FoundLine> Find() const;
    // Takes the first complete line out; without lsoKeepTerminator the line
    // end is cut off. False when no complete line is held.
    bool Take(std::string& line);

    // The fill step of a line connection, run once per read notification.
    // It receives once into the free part (`receive(room, size)` returns the
    // bytes received, 0 for none); a buffer that is now full runs the full
    // rule; with lsoLineEvents every complete line is then taken and handed
    // to `deliver(line)`. Bytes still waiting in the system are left for the
    // next notification, which level-triggered readiness brings on the next
    // loop turn: the work per turn stays bounded by the buffer's size, so a
    // peer that never stops sending cannot hold the loop.
    // Raises "Read buffer full, user did not flush" when the buffer is full
    // and no line can be taken out. Returns the bytes received.
    template <typename Receive, typename Deliver>
    std::size_t Fill(Receive&& receive, Deliver&& deliver) {
        const std::size_t room = buffer_->Free();
        const std::size_t n = room == 0 ? 0 : receive(buffer_->Room(), room);
        if (n == 0) {
            return 0;
        }
        buffer_->Commit(n);
        DropSplitLineFeed();
        if (buffer_->Full()) {
            FullRule(deliver);
        }
        if (LineEvents()) {
            DeliverAll(deliver);
        }
        return n;
    }

    // Takes every complete line out and delivers it, in order.
    template <typename Deliver>
    void DeliverAll(Deliver&& deliver) {
        std::string line;
        while (Take(line)) {
            deliver(line);
        }
    }

    // A full buffer first gives up its complete lines (with lsoLineEvents);
    // still full with no line for the program to take: the error. Without
    // lsoLineEvents a held complete line is not an error: ReadLine makes room.
    template <typename Deliver>
    void FullRule(Deliver&& deliver) {
        if (LineEvents()) {
            DeliverAll(deliver);
        }
        if (buffer_->Full() && (LineEvents() || !Find())) {
            throw EBufferedSocketException("Read buffer full, user did not flush");
        }
    }

  private:
    // Drops the LF that completes a CR LF whose CR already ended a line.
    void DropSplitLineFeed();

    SocketBuffer* buffer_;
    TLineEnd lineEnd_ = TLineEnd::leCRLF;
    TLineOptions options_ = lsoAddTerminator | lsoLineEvents;
    bool lineFeedDue_ = false;  // the last line ended at a CR that was the last byte held
};

}  // namespace pontavi
