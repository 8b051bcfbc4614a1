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
// A line ends at the first CR (LF for leLF). For leCRLF the CR must be followed
// by LF or be the last byte held; a CR followed by anything else means no line
// for now, even if a CR LF comes later. A CR accepted as the last byte leaves
// the buffer alone, and the LF that arrives later begins the next line.
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

    // The fill step of a line connection. Each round receives once into the
    // free part (`receive(room, size)` returns the bytes received, 0 for
    // none); a buffer that is now full runs the full rule; with lsoLineEvents
    // every complete line is then taken and handed to `deliver(line)`. Rounds
    // repeat while lsoLineEvents is set and `more()` says bytes still wait
    // (asked only after a receive that filled all the room).
    // Raises "Read buffer full, user did not flush" when the buffer is full
    // and no line can be taken out. Returns the bytes received.
    template <typename Receive, typename Deliver, typename More>
    std::size_t Fill(Receive&& receive, Deliver&& deliver, More&& more) {
        std::size_t total = 0;
        for (;;) {
            const std::size_t room = buffer_->Free();
            const std::size_t n = room == 0 ? 0 : receive(buffer_->Room(), room);
            if (n == 0) {
                return total;
            }
            buffer_->Commit(n);
            total += n;
            if (buffer_->Full()) {
                FullRule(deliver);
            }
            if (!LineEvents()) {
                return total;
            }
            DeliverAll(deliver);
            // Less than the room means the system held no more just now.
            if (n < room || !more()) {
                return total;
            }
        }
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
    SocketBuffer* buffer_;
    TLineEnd lineEnd_ = TLineEnd::leCRLF;
    TLineOptions options_ = lsoAddTerminator | lsoLineEvents;
};

}  // namespace pontavi
