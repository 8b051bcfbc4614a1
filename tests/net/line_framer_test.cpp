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

    // One read notification with `chunk` waiting in the system.
    void arrive(const std::string& chunk) {
        pending += chunk;
        framer.Fill(
            [this](char* room, std::size_t size) {
                const std::size_t n = std::min(size, pending.size());
                std::memcpy(room, pending.data(), n);
                pending.erase(0, n);
                return n;
            },
            [this](const std::string& line) { lines.push_back(line); },
            [this] { return !pending.empty(); });
    }

    SocketBuffer buffer;
    LineFramer framer;
    std::string pending;
    std::vector<std::string> lines;
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
    // Its CR was the last byte the buffer could hold: the LF begins the next line.
    EXPECT_EQ(f.lines[1], "\nnext");
}

TEST(LineFramer, CrBeyondTheBufferRaisesReadBufferFull) {
    Framing f(1024);
    try {
        f.arrive(std::string(1024, 'q') + "\r\n");
        FAIL();
    } catch (const EBufferedSocketException& e) {
        EXPECT_STREQ(e.what(), "Read buffer full, user did not flush");
    }
    EXPECT_TRUE(f.lines.empty());
}

TEST(LineFramer, CrFollowedByAnotherByteBlocksEveryLaterLine) {
    Framing f(16);
    f.arrive("ab\rx\r\n");
    EXPECT_TRUE(f.lines.empty());
    f.arrive("more\r\n");
    EXPECT_TRUE(f.lines.empty());
    EXPECT_THROW(f.arrive("filling"), EBufferedSocketException);
    EXPECT_TRUE(f.lines.empty());
}

TEST(LineFramer, CrAsLastByteDeliversAndLfStartsTheNextLine) {
    Framing f(64);
    f.arrive("abc\r");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"abc"}));
    EXPECT_EQ(f.buffer.Count(), 0u);
    f.arrive("\ndef\r\n");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"abc", "\ndef"}));
}

TEST(LineFramer, KeepTerminatorKeepsTheLineEnd) {
    Framing f(64);
    f.framer.setOptions(lsoLineEvents | lsoKeepTerminator);
    f.arrive("one\r\ntwo\r");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"one\r\n", "two\r"}));
}

TEST(LineFramer, LfAndCrModesCutAtTheirOwnByte) {
    Framing lf(64, TLineEnd::leLF);
    lf.arrive("a\r\nb\n");
    EXPECT_EQ(lf.lines, (std::vector<std::string>{"a\r", "b"}));
    Framing cr(64, TLineEnd::leCR);
    cr.arrive("a\r\nb\r");
    EXPECT_EQ(cr.lines, (std::vector<std::string>{"a", "\nb"}));
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
    Framing g(8);
    g.framer.setOptions(lsoAddTerminator);
    EXPECT_THROW(g.arrive("abcdefgh"), EBufferedSocketException);
}

TEST(LineFramer, FullBufferFirstGivesUpItsLines) {
    Framing f(8);
    f.arrive("ab\r\ncd\r\nef\r\n");
    EXPECT_EQ(f.lines, (std::vector<std::string>{"ab", "cd", "ef"}));
}

}  // namespace
}  // namespace pontavi
