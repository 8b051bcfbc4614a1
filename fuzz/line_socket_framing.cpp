// Arbitrary bytes, in arbitrary chunks, through the line framing of a line
// socket with a chosen buffer size, line end and options. Never crashes or
// hangs; with the line end kept, the lines delivered plus the bytes still held
// are exactly the bytes received, and no line holds a line end before its last
// bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/line_framer.h"

namespace {

using pontavi::EBufferedSocketException;
using pontavi::LineFramer;
using pontavi::SocketBuffer;
using pontavi::TLineEnd;

struct Input {
    const uint8_t* data;
    size_t size;
    uint8_t next() {
        if (size == 0) {
            return 0;
        }
        --size;
        return *data++;
    }
};

void check(bool ok) {
    if (!ok) {
        std::abort();
    }
}

// A line may hold its line-end byte only at its very end (kept terminator).
void checkLine(const std::string& line, TLineEnd end, bool keep) {
    const char mark = end == TLineEnd::leLF ? '\n' : '\r';
    const std::size_t at = line.find(mark);
    if (at == std::string::npos) {
        return;
    }
    check(keep);
    check(at + 1 == line.size() || (end == TLineEnd::leCRLF && at + 2 == line.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    const int bufferSize = 1 + ((in.next() | (in.next() << 8)) % 2048);
    const auto end = static_cast<TLineEnd>(in.next() % 3);
    const unsigned options = in.next() & 0x0F;
    const bool keep = (options & pontavi::lsoKeepTerminator) != 0;
    const bool lineEvents = (options & pontavi::lsoLineEvents) != 0;

    SocketBuffer buffer(bufferSize);
    LineFramer framer(buffer);
    framer.setLineEnd(end);
    framer.setOptions(options);

    std::string fed, delivered, pending;
    auto deliver = [&](const std::string& line) {
        checkLine(line, end, keep);
        delivered += line;
    };
    while (in.size > 0) {
        const size_t chunk = std::min<size_t>(in.next() + 1u, in.size);
        pending.append(reinterpret_cast<const char*>(in.data), chunk);
        in.data += chunk;
        in.size -= chunk;
        try {
            framer.Fill(
                [&](char* room, std::size_t n) {
                    const std::size_t take = std::min(n, pending.size());
                    std::memcpy(room, pending.data(), take);
                    fed.append(pending, 0, take);
                    pending.erase(0, take);
                    return take;
                },
                deliver, [&] { return !pending.empty(); });
        } catch (const EBufferedSocketException&) {
            check(buffer.Full());
            if (lineEvents) {
                break;  // stuck for good: the connection would wait for its peer
            }
        }
        if (!lineEvents) {
            // The program takes its lines with ReadLine.
            std::string line;
            while (framer.Take(line)) {
                deliver(line);
            }
        }
        check(buffer.Count() <= buffer.Size());
    }
    if (keep) {
        check(delivered + std::string(buffer.Held()) == fed);
    }
    return 0;
}
