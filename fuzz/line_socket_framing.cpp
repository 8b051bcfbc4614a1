// Arbitrary bytes, in arbitrary chunks, through the line framing of a line
// socket with a chosen buffer size, line end and options. Never crashes,
// raises or stalls: with line events the buffer always has room after a
// fill, and no line is longer than the buffer; each fill takes at most the
// buffer's free part; until a line is cut for its length, with the line end
// kept, the lines delivered plus the bytes still held are exactly the bytes
// received, except for the LF of a CR LF split across two reads, which is
// dropped; no line holds a line end before its last bytes, and no line
// starts with the LF of a CR LF that ended the line before it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "net/line_framer.h"

namespace {

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

// A line may hold its line end only at its very end (kept terminator). In
// CR LF mode a CR alone is data and may stand anywhere.
void checkLine(const std::string& line, TLineEnd end, bool keep) {
    if (end == TLineEnd::leCRLF) {
        const std::size_t at = line.find("\r\n");
        check(at == std::string::npos || (keep && at + 2 == line.size()));
        return;
    }
    const std::size_t at = line.find(end == TLineEnd::leLF ? '\n' : '\r');
    check(at == std::string::npos || (keep && at + 1 == line.size()));
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

    // `fed` is what the framer received, less the LF it is expected to drop.
    std::string fed, delivered, pending;
    bool lineFeedDue = false;
    bool cut = false;  // a line was cut for its length: the rest of it is not delivered
    auto deliver = [&](const std::string& line, bool complete) {
        checkLine(line, end, keep);
        check(line.size() <= static_cast<std::size_t>(bufferSize));
        check(complete || line.size() == static_cast<std::size_t>(bufferSize));
        cut = cut || !complete;
        delivered += line;
        // With the line end kept, a line ending in a lone CR ended at the last
        // byte held.
        lineFeedDue = keep && end == TLineEnd::leCRLF && !line.empty() && line.back() == '\r' &&
                      line.find("\r\n") == std::string::npos && buffer.Count() == 0;
    };
    while (in.size > 0) {
        const size_t chunk = std::min<size_t>(in.next() + 1u, in.size);
        pending.append(reinterpret_cast<const char*>(in.data), chunk);
        in.data += chunk;
        in.size -= chunk;
        // Readiness brings one fill per turn while bytes wait; a few turns
        // here, the rest with the next chunk.
        for (int turn = 0; turn < 4 && !pending.empty(); ++turn) {
            const std::size_t room = buffer.Free();
            std::size_t got = 0;
            framer.Fill(
                [&](char* area, std::size_t n) {
                    const std::size_t take = std::min(n, pending.size());
                    std::memcpy(area, pending.data(), take);
                    const bool drop = lineFeedDue && take > 0 && pending[0] == '\n';
                    fed.append(pending, drop ? 1 : 0, take - (drop ? 1 : 0));
                    lineFeedDue = false;
                    pending.erase(0, take);
                    got = take;
                    return take;
                },
                deliver);
            check(got <= room);
            check(!lineEvents || !buffer.Full());
        }
        if (!lineEvents) {
            // The program takes its lines with ReadLine.
            std::string line;
            bool complete = true;
            while (framer.Take(line, complete)) {
                deliver(line, complete);
            }
        }
        check(buffer.Count() <= buffer.Size());
    }
    if (keep && !cut) {
        check(delivered + std::string(buffer.Held()) == fed);
    }
    return 0;
}
