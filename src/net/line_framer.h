#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

// True when the text holds no CR, LF or NUL, so that a peer reads it as one
// line and one line only. Whatever comes from outside (a settings file, a
// request) must pass this before it is sent as, or inside, a line.
bool IsSingleLine(std::string_view text);

// Cuts lines out of a read buffer. Kept apart from the socket so the rules can
// be exercised on plain bytes.
//
// A line ends at the first CR (LF for leLF). For leCRLF a line ends at the
// first CR LF; a CR followed by anything else is ordinary data of the line
// (otherwise a stray CR would block the connection until its buffer filled).
// A CR that is the last byte held also ends the line, as its LF may still be
// on its way; that LF, when it comes as the next byte, is dropped, so a CR LF
// split across two reads never puts a stray LF at the start of the next line.
//
// A line longer than the buffer never stalls the connection: when the buffer
// is full and holds no line end, what it holds is taken as the first part of
// that line (delivered as not complete), and the rest of the line is dropped
// as it arrives, up to and including its line end. The next line is read as
// usual. So a line is at most the buffer's size, and a peer sending one
// endless line costs its bytes, never the connection.
class LineFramer {
  public:
    struct FoundLine {
        std::size_t textLength;  // bytes before the line end
        std::size_t length;      // bytes to remove: through the line end, as far as held
        bool complete = true;    // false: the first part of an over-long line
    };

    explicit LineFramer(SocketBuffer& buffer) : buffer_(&buffer) {}

    TLineEnd LineEnd() const { return lineEnd_; }
    void setLineEnd(TLineEnd end) { lineEnd_ = end; }
    TLineOptions Options() const { return options_; }
    void setOptions(TLineOptions options) { options_ = options; }
    bool LineEvents() const { return (options_ & lsoLineEvents) != 0; }

    std::optional<FoundLine> Find() const;
    // Takes the first line out; without lsoKeepTerminator the line end is cut
    // off. False when no line is held. `complete` is false for the first part
    // of an over-long line.
    bool Take(std::string& line, bool& complete);
    bool Take(std::string& line) {
        bool complete = true;
        return Take(line, complete);
    }

    // The fill step of a line connection, run once per read notification.
    // It receives once into the free part (`receive(room, size)` returns the
    // bytes received, 0 for none); a buffer that is now full runs the full
    // rule; with lsoLineEvents every line is then taken and handed to
    // `deliver(line, complete)`. Bytes still waiting in the system are left for the
    // next notification, which level-triggered readiness brings on the next
    // loop turn: the work per turn stays bounded by the buffer's size, so a
    // peer that never stops sending cannot hold the loop.
    // Returns the bytes received.
    template <typename Receive, typename Deliver>
    std::size_t Fill(Receive&& receive, Deliver&& deliver) {
        const std::size_t room = buffer_->Free();
        const std::size_t n = room == 0 ? 0 : receive(buffer_->Room(), room);
        if (n == 0) {
            return 0;
        }
        buffer_->Commit(n);
        DropSplitLineFeed();
        DropOverlongRest();
        if (buffer_->Full()) {
            FullRule(deliver);
        }
        if (LineEvents()) {
            DeliverAll(deliver);
        }
        return n;
    }

    // Takes every line out and delivers it, in order.
    template <typename Deliver>
    void DeliverAll(Deliver&& deliver) {
        std::string line;
        bool complete = true;
        while (Take(line, complete)) {
            deliver(line, complete);
        }
    }

    // A full buffer first gives up its complete lines (with lsoLineEvents);
    // still full with no line end, it holds the first part of an over-long
    // line, which becomes the next line to take. Without lsoLineEvents a held
    // complete line needs nothing: ReadLine makes room.
    template <typename Deliver>
    void FullRule(Deliver&& deliver) {
        if (LineEvents()) {
            DeliverAll(deliver);
        }
        if (buffer_->Full() && !Find()) {
            cutDue_ = true;
        }
    }

  private:
    // Drops the LF that completes a CR LF whose CR already ended a line.
    void DropSplitLineFeed();
    // Drops what arrives of an over-long line after its first part.
    void DropOverlongRest();

    SocketBuffer* buffer_;
    TLineEnd lineEnd_ = TLineEnd::leCRLF;
    TLineOptions options_ = lsoAddTerminator | lsoLineEvents;
    bool lineFeedDue_ = false;  // the last line ended at a CR that was the last byte held
    bool cutDue_ = false;       // the full buffer is the first part of an over-long line
    bool dropping_ = false;     // the rest of an over-long line is being dropped
};

}  // namespace pontavi
