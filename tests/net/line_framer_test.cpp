#include "net/line_framer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace pontavi {
namespace {

// Feeds chunks through the framer's fill step as a socket would receive them.
class Framing {
  public:
    explicit Framing(std::int64_t size, TLineEnd end = TLineEnd::leCRLF)
        : buffer(size), framer(buffer) {
        framer.setLineEnd(end);
    }

    // `chunk` arrives in the system; read notifications follow, one fill
    // each, while bytes wait (readiness is level-triggered).
    void arrive(const std::string& chunk) {
        pending += chunk;
        while (!pending.empty()) {
            const std::size_t before = lines.size();
            if (fillOnce() == 0) {
                return;
            }
            mostLinesPerFill = std::max(mostLinesPerFill, lines.size() - before);
        }
    }

    std::size_t fillOnce() {
        ++fills;
        return framer.Fill(
            [this](char* room, std::size_t size) {
                const std::size_t n = std::min(size, pending.size());
                std::memcpy(room, pending.data(), n);
                pending.erase(0, n);
                return n;
            },
            [this](const std::string& line, bool complete) {
                lines.push_back(complete ? line : "[cut]" + line);
            });
    }

    SocketBuffer buffer;
    LineFramer framer;
    std::string pending;
    std::vector<std::string> lines;
    int fills = 0;
    std::size_t mostLinesPerFill = 0;
};

TEST(LineFramer, CutsLinesInOrderWithoutTheirLineEnd) {
    Framing f(1024);
    f.arrive("first\r\nsecond\r\npart");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(f.buffer.Held(), "part");
    f.arrive("ial\r\n");
    EXPECT_EQ(f.lines.back(), "partial");
}

TEST(LineFramer, LineOfBufferSizeMinusOneIsDelivered) {
    Framing f(1024);
    const std::string text(1023, 'q');
    f.arrive(text + "\r\nnext\r\n");
    ASSERT_EQ(f.lines.size(), 2u);
    EXPECT_EQ(f.lines[0], text);
    // Its CR was the last byte the buffer could hold; its LF is dropped.
    EXPECT_EQ(f.lines[1], "next");
}

// A line longer than the buffer gives its first part, marked cut; the rest
// is dropped through its line end and the next line comes as usual.
TEST(LineFramer, OverlongLineGivesItsFirstPartAndTheNextLineFollows) {
    const std::string q(16, 'q');
    const struct {
        const char* name;
        std::vector<std::string> chunks;
        TLineEnd end;
        std::vector<std::string> lines;
    } cases[] = {
        {"CR just beyond", {q + "\r\nnext\r\n"}, TLineEnd::leCRLF, {"[cut]" + q, "next"}},
        {"much longer", {q + q + q + "\r\nnext\r\n"}, TLineEnd::leCRLF, {"[cut]" + q, "next"}},
        {"bare CRs",
         {"ab\rx" + q + "\r\nnext\r\n"},
         TLineEnd::leCRLF,
         {"[cut]ab\rx" + q.substr(4), "next"}},
        {"CR LF split at the end",
         {q + q + "\r", "\nnext\r\n"},
         TLineEnd::leCRLF,
         {"[cut]" + q, "next"}},
        {"dropped CR then data",
         {q + q + "\r", "z\r\nnext\r\n"},
         TLineEnd::leCRLF,
         {"[cut]" + q, "z", "next"}},
        {"in small pieces",
         {q, "qq", "q\r", "\nnext\r\n"},
         TLineEnd::leCRLF,
         {"[cut]" + q, "next"}},
        {"LF mode", {q + q + "\nnext\n"}, TLineEnd::leLF, {"[cut]" + q, "next"}},
        {"never ends", {q + q + q + q}, TLineEnd::leCRLF, {"[cut]" + q}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Framing f(16, c.end);
        for (const std::string& chunk : c.chunks) {
            f.arrive(chunk);
        }
        EXPECT_EQ(f.lines, c.lines);
        EXPECT_EQ(f.buffer.Count(), 0u);
    }
}

TEST(LineFramer, BareCrIsDataOfTheLineAndBlocksNothing) {
    Framing f(16);
    f.arrive("ab\rx\r\n");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"ab\rx"}));
    f.arrive("5, 6\r\n\r\r\n");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"ab\rx", "5, 6", "\r"}));
}

// A CR LF split between two reads, in every way the next read may begin.
TEST(LineFramer, CrAsLastByteDeliversAndOnlyItsOwnLfIsDropped) {
    const struct {
        const char* second;
        std::vector<std::string> lines;
        const char* held;
    } cases[] = {
        {"\ndef\r\n", {"abc", "def"}, ""}, {"\n", {"abc"}, ""},
        {"\n\nx\r\n", {"abc", "\nx"}, ""}, {"def\r\n", {"abc", "def"}, ""},
        {"\r\n", {"abc", ""}, ""},         {"\rz", {"abc"}, "\rz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.second);
        Framing f(64);
        f.arrive("abc\r");
        EXPECT_EQ(f.lines, (std::vector<std::string>{"abc"}));
        EXPECT_EQ(f.buffer.Count(), 0u);
        f.arrive(c.second);
        EXPECT_EQ(f.lines, c.lines);
        EXPECT_EQ(f.buffer.Held(), c.held);
    }
}

TEST(LineFramer, LfIsDroppedOnlyRightAfterTheSplit) {
    Framing f(64);
    f.arrive("abc\r");
    f.arrive("x");
    f.arrive("\ny\r\n");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"abc", "x\ny"}));
}

TEST(LineFramer, KeepTerminatorKeepsTheLineEnd) {
    Framing f(64);
    f.framer.setOptions(lsoLineEvents | lsoKeepTerminator);
    f.arrive("one\r\ntwo\r");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"one\r\n", "two\r"}));
    f.arrive("\nthree\r\n");
    EXPECT_EQ(f.lines.back(), "three\r\n");
}

TEST(LineFramer, LfAndCrModesCutAtTheirOwnByte) {
    Framing lf(64, TLineEnd::leLF);
    lf.arrive("a\r\nb\n");
    EXPECT_EQ(lf.lines, (std::vector<std::string>{"a\r", "b"}));
    Framing cr(64, TLineEnd::leCR);
    cr.arrive("a\r\nb\r");
    EXPECT_EQ(cr.lines, (std::vector<std::string>{"a", "\nb"}));
}

// A peer that keeps sending must not hold the loop: each fill receives once,
// into the free part of the buffer, and leaves the rest waiting.
TEST(LineFramer, EachFillReceivesOnceAndDeliversAtMostOneBufferOfLines) {
    Framing f(64);
    std::string burst;
    for (int i = 0; i < 500; ++i) {
        burst += "line " + std::to_string(i) + "\r\n";
    }
    f.pending = burst;
    EXPECT_EQ(f.fillOnce(), 64u);
    EXPECT_EQ(f.pending.size(), burst.size() - 64);
    f.arrive("");
    ASSERT_EQ(f.lines.size(), 500u);
    EXPECT_EQ(f.lines[499], "line 499");
    EXPECT_GE(f.fills, static_cast<int>(burst.size() / 64));
    EXPECT_LE(f.mostLinesPerFill, 64u / 2);
}

TEST(LineFramer, WithoutLineEventsLinesWaitForTake) {
    Framing f(16);
    f.framer.setOptions(lsoAddTerminator);
    f.arrive("x\r\ny\r\n");
    EXPECT_TRUE(f.lines.empty());
    std::string line;
    ASSERT_TRUE(f.framer.Take(line));
    EXPECT_EQ(line, "x");
    ASSERT_TRUE(f.framer.Take(line));
    EXPECT_EQ(line, "y");
    EXPECT_FALSE(f.framer.Take(line));
}

TEST(LineFramer, WithoutLineEventsAFullBufferHoldingALineIsNoError) {
    Framing f(8);
    f.framer.setOptions(lsoAddTerminator);
    EXPECT_NO_THROW(f.arrive("ab\r\ncdef"));
    // A full buffer without a line end waits as the first part of a line.
    for (const std::string held : {"abcdefgh", "ab\rcdefg"}) {
        Framing g(8);
        g.framer.setOptions(lsoAddTerminator);
        EXPECT_NO_THROW(g.arrive(held + "ij\r\nk\r\n"));
        std::string line;
        bool complete = true;
        ASSERT_TRUE(g.framer.Take(line, complete));
        EXPECT_EQ(line, held);
        EXPECT_FALSE(complete);
        g.arrive("");
        ASSERT_TRUE(g.framer.Take(line, complete));
        EXPECT_EQ(line, "k");
        EXPECT_TRUE(complete);
    }
}

TEST(LineFramer, FullBufferFirstGivesUpItsLines) {
    Framing f(8);
    f.arrive("ab\r\ncd\r\nef\r\n");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"ab", "cd", "ef"}));
}

}  // namespace
}  // namespace pontavi
