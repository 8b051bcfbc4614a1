#include "mail/pop3_session.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <memory>
#include <string>
#include <vector>

#include "mail/scripted_pop3.h"
#include "mail/server_address.h"
#include "net/net_fixture.h"
#include "net/test_certificates.h"

namespace pontavi {
namespace {

class Pop3SessionTest : public NetTest {
  protected:
    Pop3SessionTest() {
        resolver.addHost("mail.example", "127.0.0.1");
        first = std::make_unique<ScriptedPop3>(layer, "127.0.0.1", "0");
        port = std::to_string(first->Port());
        limits.port = port;
    }

    Pop3Session& session() {
        if (!session_) {
            session_ = std::make_unique<Pop3Session>(
                layer, Pop3SessionParts{grid, tray, status, seen, errors, cache}, limits, tls);
            session_->OnCycleComplete = [this] { ++completions; };
        }
        return *session_;
    }

    // A cycle as the mail timer starts it, run until it completes.
    bool runCycle(std::vector<MailServerRecord> servers, Millis limit = 600'000) {
        Pop3Session& s = session();
        const int before = completions;
        s.CurrentServer = 0;
        grid.setRowCount(0);
        grid.setRowCount(2);
        s.ResetCycle(std::move(servers));
        s.CheckMail();
        const bool done = runUntil([&] { return completions > before; }, limit);
        EXPECT_FALSE(s.Running());
        return done;
    }

    static MailServerRecord Box(const std::string& name, const std::string& server = "127.0.0.1",
                                const std::string& password = "secret") {
        return {name, server, "joe", password};
    }

    std::vector<std::string> column(int col) const {
        std::vector<std::string> out;
        for (int r = 1; r < grid.RowCount(); ++r) {
            out.push_back(grid.Cell(col, r));
        }
        return out;
    }

    StringGrid grid{"StringGrid1", 3, 2};
    TrayIcon tray{"TrayIcon1"};
    StatusBar status{"MailStatus", {{"Status: IDLE", 220}, {"Last Check: Never", 120}}};
    SeenMessageIdList seen;
    std::vector<std::string> errors;
    Pop3Limits limits;
    LazyTlsContext* tls = nullptr;
    UidlHeaderCache* cache = nullptr;
    std::unique_ptr<ScriptedPop3> first;
    std::string port;
    int completions = 0;

    std::unique_ptr<Pop3Session> session_;
};

// ---- the exchanges of a normal session

TEST_F(Pop3SessionTest, CommandsRowsAndCountsFollowTheStatReply) {
    struct Case {
        const char* stat;
        int messages;
        std::vector<std::string> commands;
        int rows;
        int total;
    };
    const std::vector<Case> cases = {
        {"+OK 3 4500",
         3,
         {"user joe", "pass secret", "stat", "top 1 0", "top 2 0", "top 3 0", "quit"},
         4,
         3},
        {"+OK 2", 2, {"user joe", "pass secret", "stat", "top 1 0", "top 2 0", "quit"}, 3, 2},
        {"+OK 0 0", 0, {"user joe", "pass secret", "stat", "quit"}, 2, 0},
        {"+ok 0 0", 0, {"user joe", "pass secret", "stat", "quit"}, 2, 0},
        {"+OK 0", 0, {"user joe", "pass secret", "stat", "quit"}, 2, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stat);
        first->received.clear();
        first->statReply = c.stat;
        first->mailbox.clear();
        for (int i = 0; i < c.messages; ++i) {
            first->mailbox.push_back(Message("a" + std::to_string(i), "s" + std::to_string(i)));
        }
        ASSERT_TRUE(runCycle({Box("Home")}));
        EXPECT_EQ(first->received, c.commands);
        EXPECT_EQ(grid.RowCount(), c.rows);
        EXPECT_EQ(session().TotalMessages, c.total);
        EXPECT_TRUE(errors.empty());
        for (int i = 0; i < c.messages; ++i) {
            EXPECT_EQ(grid.Cell(0, i + 1), "a" + std::to_string(i));
            EXPECT_EQ(grid.Cell(1, i + 1), "s" + std::to_string(i));
            EXPECT_EQ(grid.Cell(2, i + 1), "Home");
        }
    }
}

TEST_F(Pop3SessionTest, HeaderLinesFillCellsByTheirExactPrefix) {
    struct Case {
        const char* name;
        Headers headers;
        std::string from, subject;
    };
    const std::string longSubject(300, 's');
    const std::vector<Case> cases = {
        {"plain", {"From: Ann <a@b>", "Subject: Hi"}, "Ann <a@b>", "Hi"},
        {"other letter case", {"FROM: Ann", "subject: Hi"}, "", ""},
        {"no space after colon", {"From:Ann", "Subject:Hi"}, "nn", "i"},
        {"second From replaces", {"From: Ann", "From: Bob"}, "Bob", ""},
        {"cut to 255", {"Subject: " + longSubject}, "", std::string(255, 's')},
        {"signing off in a subject",
         {"Subject: I am signing off", "From: x"},
         "x",
         "I am signing off"},
        {"bare prefixes", {"From:", "Subject:"}, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        first->mailbox = {c.headers, Message("next", "after")};
        ASSERT_TRUE(runCycle({Box("Home")}));
        EXPECT_EQ(column(0), (std::vector<std::string>{c.from, "next"}));
        EXPECT_EQ(column(1), (std::vector<std::string>{c.subject, "after"}));
    }
}

TEST_F(Pop3SessionTest, MessageIdLinesCountAsNewOncePerRun) {
    first->mailbox = {Message("a", "1", "<1@x>"), Message("b", "2", "<2@x>"), Message("c", "3")};
    const auto newest = [this] {
        const auto& n = session().NewestNew;
        return n ? n->From + "|" + n->Subject : "none";
    };
    ASSERT_TRUE(runCycle({Box("Home")}));
    EXPECT_EQ(session().NewMessages, 2);
    EXPECT_EQ(session().TotalMessages, 3);
    EXPECT_EQ(newest(), "b|2");  // not the last row: message c is not new

    ASSERT_TRUE(runCycle({Box("Home")}));
    EXPECT_EQ(session().NewMessages, 0);
    EXPECT_EQ(newest(), "none");

    first->mailbox.push_back({"Message-Id: <1@x>"});   // another letter case
    first->mailbox.push_back({"Message-ID:  <2@x>"});  // other spacing
    first->mailbox.push_back({"message-id: <9@x>", "From: z"});
    ASSERT_TRUE(runCycle({Box("Home")}));
    EXPECT_EQ(session().NewMessages, 3);
    EXPECT_EQ(newest(), "z|");
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], "Message-ID: <1@x>");
}

TEST_F(Pop3SessionTest, ServersAreVisitedInOrderAndRowsFollowOn) {
    ScriptedPop3 second(layer, "127.0.0.2", port);
    first->mailbox = {Message("a", "1"), Message("b", "2")};
    second.mailbox = {Message("c", "3")};
    std::vector<std::string> tips;
    tray.OnStateChanged = [&] {
        if (tips.empty() || tips.back() != tray.ToolTip()) {
            tips.push_back(tray.ToolTip());
        }
    };
    std::vector<MailServerRecord> servers = {Box("One"), Box("Two", "127.0.0.2"),
                                             Box("Three", "127.0.0.1", "wrong")};
    Pop3Session& s = session();
    s.CurrentServer = 0;
    s.ResetCycle(servers);
    // The settings dialog may change the list while the cycle runs.
    servers.erase(servers.begin());
    s.CheckMail();
    ASSERT_TRUE(runUntil([&] { return completions == 1; }, 600'000));
    EXPECT_EQ(column(0), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(column(2), (std::vector<std::string>{"One", "One", "Two"}));
    EXPECT_EQ(s.TotalMessages, 3);
    EXPECT_EQ(s.MessageRow, 4);
    EXPECT_EQ(errors, (std::vector<std::string>{"-ERR invalid password@Three"}));
    EXPECT_EQ(tips, (std::vector<std::string>{"Checking Mail at Two", "Checking Mail at Three"}));
    EXPECT_EQ(status.PanelText(0), "Checking Mail at Three");
    EXPECT_EQ(s.CurrentServer, 2);
    EXPECT_EQ(first->connections, 2);
}

// ---- failures: every one makes an entry (or none, where the server did
// nothing wrong) and the cycle goes on with the next server

TEST_F(Pop3SessionTest, FailuresMakeOneEntryAndTheCycleGoesOn) {
    struct Case {
        const char* name;
        std::function<void(ScriptedPop3&)> script;
        std::string server;
        std::vector<std::string> entries;
        std::vector<std::string> commands;
    };
    const std::string ok = "127.0.0.1";
    const std::vector<Case> cases = {
        {"greeting refused",
         [](ScriptedPop3& p) { p.greeting = "-ERR go away"; },
         ok,
         {"-ERR go away@Bad"},
         {"quit"}},
        {"wrong password",
         [](ScriptedPop3& p) { p.password = "other"; },
         ok,
         {"-ERR invalid password@Bad"},
         {"user joe", "pass secret", "quit"}},
        {"stat refused",
         [](ScriptedPop3& p) { p.statReply = "-err mailbox locked"; },
         ok,
         {"-err mailbox locked@Bad"},
         {"user joe", "pass secret", "stat", "quit"}},
        {"stat count not a number",
         [](ScriptedPop3& p) { p.statReply = "+OK many 300"; },
         ok,
         {"-ERR Unreadable message count in the STAT reply@Bad"},
         {"user joe", "pass secret", "stat", "quit"}},
        {"stat count negative",
         [](ScriptedPop3& p) { p.statReply = "+OK -5 300"; },
         ok,
         {"-ERR Unreadable message count in the STAT reply@Bad"},
         {"user joe", "pass secret", "stat", "quit"}},
        {"top refused",
         [](ScriptedPop3& p) {
             p.mailbox = {Message("a", "b")};
             p.statReply = "+OK 2 10";
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line != "top 2 0") {
                     return false;
                 }
                 ScriptedPop3::send(c, "-ERR TOP not supported\r\n");
                 return true;
             };
         },
         ok,
         {"-ERR TOP not supported@Bad"},
         {"user joe", "pass secret", "stat", "top 1 0", "top 2 0", "quit"}},
        {"no end of headers",
         [](ScriptedPop3& p) {
             p.statReply = "+OK 1 10";
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line.rfind("top", 0) != 0) {
                     return false;
                 }
                 ScriptedPop3::send(c, "+OK\r\nFrom: a\r\n");
                 return true;
             };
         },
         ok,
         {"-ERR The server did not finish its reply within 60 seconds@Bad"},
         {"user joe", "pass secret", "stat", "top 1 0"}},
        {"silent after the greeting",
         [](ScriptedPop3& p) {
             p.custom = [](TLineSocketBase&, const std::string&) { return true; };
         },
         ok,
         {"-ERR No reply from the server for 60 seconds@Bad"},
         {"user joe"}},
        {"answers every quit but never closes",
         [](ScriptedPop3& p) { p.closeOnQuit = false; },
         ok,
         {},
         {"user joe", "pass secret", "stat", "quit", "quit", "quit"}},
        {"signing off is answered with one more quit",
         [](ScriptedPop3& p) {
             p.custom = [quits = 0](TLineSocketBase& c, const std::string& line) mutable {
                 if (line != "quit") {
                     return false;
                 }
                 if (++quits == 1) {
                     ScriptedPop3::send(c, "+OK server signing off\r\n");
                 } else {
                     c.Close();
                 }
                 return true;
             };
         },
         ok,
         {},
         {"user joe", "pass secret", "stat", "quit", "quit"}},
        {"connect refused",
         [](ScriptedPop3&) {},
         "127.0.0.3",
         {"-ERR Error 10061 (Connection refused) connecting@Bad"},
         {}},
        {"host not found",
         [](ScriptedPop3&) {},
         "nowhere.example",
         {"-ERR Error 11001 (Host not found) finding address for host@Bad"},
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        errors.clear();
        ScriptedPop3 bad(layer, "127.0.0.4", port);
        c.script(bad);
        ScriptedPop3 good(layer, "127.0.0.5", port);
        good.mailbox = {Message("after", "ok")};
        ASSERT_TRUE(runCycle(
            {Box("Bad", c.server == ok ? "127.0.0.4" : c.server), Box("Good", "127.0.0.5")}));
        EXPECT_EQ(errors, c.entries);
        EXPECT_EQ(bad.received, c.commands);
        EXPECT_EQ(good.received.back(), "quit");
        const auto from = column(0);
        EXPECT_NE(std::find(from.begin(), from.end(), "after"), from.end());
        EXPECT_TRUE(handlerErrors.empty()) << handlerErrors.front();
    }
}

TEST_F(Pop3SessionTest, TimeOutDuringTheLookupEndsTheSessionOnce) {
    resolver.setDelay("hang.example", FakeResolver::kNever);
    first->mailbox = {Message("a", "b")};
    ASSERT_TRUE(runCycle({Box("Slow", "hang.example"), Box("Next")}));
    EXPECT_EQ(errors, (std::vector<std::string>{"-ERR Connection Timed Out@Slow"}));
    EXPECT_EQ(column(0), (std::vector<std::string>{"a"}));
    EXPECT_EQ(first->connections, 1);
    EXPECT_TRUE(handlerErrors.empty());
}

TEST_F(Pop3SessionTest, EmptyServerFieldIsASocketErrorEntry) {
    ASSERT_TRUE(runCycle({Box("Empty", "")}));
    EXPECT_EQ(errors, (std::vector<std::string>{"-ERR No address specified@Empty"}));
}

TEST_F(Pop3SessionTest, LinkDroppedMidSessionKeepsRowsWithoutEntry) {
    first->mailbox = {Message("a", "1"), Message("b", "2")};
    first->custom = [](TLineSocketBase& c, const std::string& line) {
        if (line != "top 2 0") {
            return false;
        }
        c.Close();
        return true;
    };
    ASSERT_TRUE(runCycle({Box("Home")}));
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(column(0), (std::vector<std::string>{"a", ""}));
}

// ---- hostile servers: bounded memory, the cycle always ends

TEST_F(Pop3SessionTest, HostileServersCannotHoldTheCycleOrMemory) {
    limits.maxListedMessages = 50;
    limits.bytesWithoutProgress = 64 * 1024;
    struct Case {
        const char* name;
        std::function<void(ScriptedPop3&)> script;
        std::string entry;  // prefix of the one entry; empty for none
        int maxRows;
    };
    const std::vector<Case> cases = {
        {"huge count, three delivered",
         [](ScriptedPop3& p) {
             p.statReply = "+OK 4000000000 1";
             p.mailbox = {Message("a", "1"), Message("b", "2"), Message("c", "3")};
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line != "top 4 0") {
                     return false;
                 }
                 c.Close();
                 return true;
             };
         },
         "", 51},
        {"huge count, all delivered",
         [](ScriptedPop3& p) {
             p.statReply = "+OK 4000000000 1";
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line.rfind("top", 0) != 0) {
                     return false;
                 }
                 ScriptedPop3::send(c, "+OK\r\nFrom: x\r\n\r\n.\r\n");
                 return true;
             };
         },
         "-ERR Too many messages: only the first 50 are listed", 51},
        {"endless headers",
         [](ScriptedPop3& p) {
             p.statReply = "+OK 1 1";
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line.rfind("top", 0) != 0) {
                     return false;
                 }
                 std::string flood = "+OK\r\n";
                 for (int i = 0; i < 2000; ++i) {
                     flood += "X-Junk: " + std::string(100, 'j') + "\r\n";
                 }
                 ScriptedPop3::send(c, flood);
                 return true;
             };
         },
         "-ERR The server sent more than 65536 bytes without an answer", 2},
        {"junk instead of a STAT reply",
         [](ScriptedPop3& p) {
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line != "stat") {
                     return false;
                 }
                 std::string junk;
                 for (int i = 0; i < 8000; ++i) {
                     junk += "* not yet\r\n";
                 }
                 ScriptedPop3::send(c, junk);
                 return true;
             };
         },
         "-ERR The server sent more than 65536 bytes without an answer", 2},
        {"header line longer than the read buffer",
         [](ScriptedPop3& p) {
             p.statReply = "+OK 1 1";
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line.rfind("top", 0) != 0) {
                     return false;
                 }
                 ScriptedPop3::send(c, "+OK\r\nSubject: " + std::string(20000, 'l') + "\r\n.\r\n");
                 return true;
             };
         },
         "", 2},
        {"talks on after quit",
         [](ScriptedPop3& p) {
             p.closeOnQuit = false;
             p.custom = [](TLineSocketBase& c, const std::string& line) {
                 if (line != "quit") {
                     return false;
                 }
                 for (int i = 0; i < 3000; ++i) {
                     ScriptedPop3::send(c, "+OK still here\r\n");
                 }
                 return true;
             };
         },
         "", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        errors.clear();
        handlerErrors.clear();
        ScriptedPop3 bad(layer, "127.0.0.6", port);
        c.script(bad);
        ASSERT_TRUE(runCycle({Box("Bad", "127.0.0.6")}));
        if (c.entry.empty()) {
            EXPECT_TRUE(errors.empty()) << errors.front();
        } else {
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_EQ(errors[0], c.entry + "@Bad");
        }
        EXPECT_LE(grid.RowCount(), c.maxRows);
    }
}

// Hostile field contents and line shapes: nothing but single-line commands
// goes out, no line stalls the session, a dripping server is bounded by time,
// and every row begun is finished with its own values and mailbox.
TEST_F(Pop3SessionTest, HostileFieldsAndLineShapesNeverInjectStallOrCarryOver) {
    struct Case {
        const char* name;
        MailServerRecord box;
        std::function<void(ScriptedPop3&, Timer&)> script;
        std::vector<std::string> entries;
        std::vector<std::string> rows;  // From|Subject|MailBox
    };
    const std::string injected =
        "-ERR The user name or password holds a line break or NUL character";
    const auto plain = [](ScriptedPop3& p, Timer&) { p.mailbox = {Message("a", "1")}; };
    const auto withTop = [](std::string n, std::function<void(TLineSocketBase&)> answer) {
        return [n, answer](TLineSocketBase& c, const std::string& line) {
            if (line != "top " + n + " 0") {
                return false;
            }
            answer(c);
            return true;
        };
    };
    const std::vector<Case> cases = {
        {"password with CR LF",
         {"Bad", "127.0.0.4", "joe", "secret\r\ndele 1"},
         plain,
         {injected},
         {"after|ok|Good"}},
        {"user name with LF",
         {"Bad", "127.0.0.4", "joe\ndele 1", "secret"},
         plain,
         {injected},
         {"after|ok|Good"}},
        {"password with NUL",
         {"Bad", "127.0.0.4", "joe", std::string("se\0cret", 7)},
         plain,
         {injected},
         {"after|ok|Good"}},
        {"server with CR LF",
         {"Bad", "127.0.0.4\r\ndele 1", "joe", "secret"},
         plain,
         {"-ERR The server name holds a line break or NUL character"},
         {"after|ok|Good"}},
        {"1 MB header line",
         Box("Bad", "127.0.0.4"),
         [](ScriptedPop3& p, Timer&) {
             p.mailbox = {Message("a", std::string(1 << 20, 'l')), Message("b", "2")};
         },
         {},
         {"a|" + std::string(255, 'l') + "|Bad", "b|2|Bad", "after|ok|Good"}},
        {"drips a line every 20 s",
         Box("Bad", "127.0.0.4"),
         [withTop](ScriptedPop3& p, Timer& drip) {
             p.mailbox = {Message("a", "1")};
             p.custom = withTop("1", [&drip](TLineSocketBase& c) {
                 ScriptedPop3::send(c, "+OK\r\nFrom: drip\r\n");
                 drip.OnTimer = [&c] { ScriptedPop3::send(c, "X-Drip: more\r\n"); };
                 drip.setEnabled(true);
             });
         },
         {"-ERR The server did not finish its reply within 60 seconds"},
         {"drip||Bad", "after|ok|Good"}},
        {"cut in the middle of a message",
         Box("Bad", "127.0.0.4"),
         [withTop](ScriptedPop3& p, Timer&) {
             p.mailbox = {Message("a", "1"), Message("b", "2")};
             p.custom = withTop("2", [](TLineSocketBase& c) {
                 ScriptedPop3::send(c, "+OK\r\nFrom: half\r\n");
                 c.Close();
             });
         },
         {},
         {"a|1|Bad", "half||Bad", "after|ok|Good"}},
        {"messages without From or Subject",
         Box("Bad", "127.0.0.4"),
         [](ScriptedPop3& p, Timer&) {
             p.mailbox = {Message("a", "1"), {"Subject: only"}, {"From: only"}, {"X: none"}};
         },
         {},
         {"a|1|Bad", "|only|Bad", "only||Bad", "||Bad", "after|ok|Good"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        errors.clear();
        ScriptedPop3 bad(layer, "127.0.0.4", port);
        Timer drip(loop, 20'000, false);
        c.script(bad, drip);
        ScriptedPop3 good(layer, "127.0.0.5", port);
        good.mailbox = {Message("after", "ok")};
        // A dripping server must not hold the cycle much beyond one time-out.
        ASSERT_TRUE(runCycle({c.box, Box("Good", "127.0.0.5")}, 70'000));
        std::vector<std::string> entries;
        for (const std::string& e : c.entries) {
            entries.push_back(e + "@Bad");
        }
        EXPECT_EQ(errors, entries);
        std::vector<std::string> rows;
        for (int r = 1; r < session().MessageRow; ++r) {
            rows.push_back(grid.Cell(0, r) + "|" + grid.Cell(1, r) + "|" + grid.Cell(2, r));
        }
        EXPECT_EQ(rows, c.rows);
        for (const std::string& line : bad.received) {
            EXPECT_TRUE(IsSingleLine(line) && line.rfind("dele", 0) != 0) << line;
        }
        if (c.entries.size() == 1 && c.entries[0] == injected) {
            EXPECT_EQ(bad.connections, 0);
        }
    }
}

TEST_F(Pop3SessionTest, CommandsWhileNotConnectedAreDropped) {
    Pop3Session& s = session();
    s.PopSend("stat");
    s.PopQuit();
    EXPECT_EQ(s.State, SessionState::Quitting);
    EXPECT_STREQ(ToText(s.State), "Quitting");
    loop.runFor(100);
    EXPECT_TRUE(first->received.empty());
}

// ---- the header cache: a cycle asks TOP only for what the listings vouch
// for and it has not read, and shows the same rows and counts

class Pop3CacheTest : public Pop3SessionTest {
  protected:
    // A fresh run (cache, seen lines, session) against a fresh server with
    // three well-listed messages.
    void freshRun() {
        session_.reset();
        first.reset();
        first = std::make_unique<ScriptedPop3>(layer, "127.0.0.1", "0");
        limits.port = std::to_string(first->Port());
        kept = std::make_unique<UidlHeaderCache>();
        cache = kept.get();
        seen.clear();
        first->mailbox = {Message("a1", "s1", "<1@x>"), Message("a2", "s2", "<2@x>"),
                          Message("a3", "s3", "<3@x>")};
        first->uids = {"u1", "u2", "u3"};
    }

    // The message numbers of the TOPs the server received.
    std::vector<std::string> tops() const {
        std::vector<std::string> out;
        for (const auto& line : first->received) {
            if (line.rfind("top ", 0) == 0) {
                out.push_back(line.substr(4, line.size() - 6));
            }
        }
        return out;
    }

    std::unique_ptr<UidlHeaderCache> kept;
};

TEST_F(Pop3CacheTest, DoubtfulListingsFallBackToTop) {
    struct Case {
        const char* name;
        std::function<void(ScriptedPop3&)> script;   // before both cycles
        std::function<void(ScriptedPop3&)> between;  // before the second
        std::vector<std::string> secondTops;
        int secondNew = 0;
    };
    const auto none = [](ScriptedPop3&) {};
    const auto listing = [](std::string text) {
        return [text](ScriptedPop3& p) { p.uidlReply = "+OK\r\n" + text + ".\r\n"; };
    };
    const std::vector<Case> cases = {
        {"well listed", none, none, {}},
        {"uidl refused",
         [](ScriptedPop3& p) { p.uidlReply = "-ERR no\r\n"; },
         none,
         {"1", "2", "3"}},
        {"list refused",
         [](ScriptedPop3& p) { p.listReply = "-ERR no\r\n"; },
         none,
         {"1", "2", "3"}},
        {"shared id",
         [](ScriptedPop3& p) {
             p.uids = {"u1", "u1", "u3"};
         },
         none,
         {"1", "2"}},
        {"id over 70", [](ScriptedPop3& p) { p.uids[1] = std::string(71, 'x'); }, none, {"2"}},
        {"id with DEL", [](ScriptedPop3& p) { p.uids[1] = "u\x7f"; }, none, {"2"}},
        {"id with a space", listing("1 u1\r\n2 u 2\r\n3 u3\r\n"), none, {"2"}},
        {"number twice", listing("1 u1\r\n2 u2\r\n2 u9\r\n3 u3\r\n"), none, {"2"}},
        {"missing number", listing("1 u1\r\n3 u3\r\n"), none, {"2"}},
        {"more lines than STAT",
         listing("1 u1\r\n2 u2\r\n3 u3\r\n4 u4\r\n"),
         none,
         {"1", "2", "3"}},
        {"no number", listing("1 u1\r\nu2\r\n3 u3\r\n"), none, {"1", "2", "3"}},
        {"changed message",
         none,
         [](ScriptedPop3& p) { p.mailbox[0] = Message("mallory", "other", "<9@x>"); },
         {"1"},
         1},
        {"message gone",
         none,
         [](ScriptedPop3& p) {
             p.mailbox.erase(p.mailbox.begin());
             p.uids.erase(p.uids.begin());
         },
         {}},
    };
    for (const auto& c : cases) {
        for (const bool pipelining : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (pipelining ? ", pipelining" : ""));
            freshRun();
            first->pipelining = pipelining;
            c.script(*first);
            ASSERT_TRUE(runCycle({Box("Home")}));
            EXPECT_EQ(tops(), (std::vector<std::string>{"1", "2", "3"}));
            EXPECT_EQ(session().NewMessages, 3);
            c.between(*first);
            first->received.clear();
            ASSERT_TRUE(runCycle({Box("Home")}));
            EXPECT_EQ(tops(), c.secondTops);
            EXPECT_EQ(session().NewMessages, c.secondNew);
            EXPECT_EQ(session().TotalMessages, static_cast<int>(first->mailbox.size()));
            EXPECT_TRUE(errors.empty()) << errors.front();
            for (std::size_t i = 0; i < first->mailbox.size(); ++i) {
                EXPECT_EQ("From: " + grid.Cell(0, static_cast<int>(i + 1)), first->mailbox[i][1]);
                EXPECT_EQ("Subject: " + grid.Cell(1, static_cast<int>(i + 1)),
                          first->mailbox[i][2]);
            }
            EXPECT_LE(cache->Size(Box("Home")), first->mailbox.size());
        }
    }
}

// "uidl" and "list" go out with "stat" to a pipelining server; when the STAT
// reply ends the session, or the mailbox is over the listed cap, their
// replies make no entries.
TEST_F(Pop3CacheTest, ListingsSentWithStatLeaveTheEntriesAsWithout) {
    limits.maxListedMessages = 2;
    limits.bytesWithoutProgress = 16 * 1024;
    std::string listing = "+OK\r\n";
    for (int n = 1; n <= 3000; ++n) {
        listing += std::to_string(n) + " u" + std::to_string(n) + "\r\n";
    }
    for (const char* stat :
         {"+OK 0 0", "+OK 0", "-ERR locked", "+OK many", "+OK 3 signing off", "+OK 3000 1"}) {
        SCOPED_TRACE(stat);
        std::vector<std::string> entries[2];
        for (const bool cached : {false, true}) {
            freshRun();
            cache = cached ? kept.get() : nullptr;
            first->pipelining = true;
            first->statReply = stat;
            first->uidlReply = listing + ".\r\n";
            errors.clear();
            ASSERT_TRUE(runCycle({Box("Home")}));
            entries[cached] = errors;
        }
        EXPECT_EQ(entries[0], entries[1]);
    }
}

// The server holds its TOP answers until all three wait: only a client that
// pipelines gets them; one that waits for each answer meets the time-out.
TEST_F(Pop3CacheTest, CapaAnswersDecideWhetherTopsArePipelined) {
    struct Case {
        const char* capa;
        bool pipelined;
    };
    const std::vector<Case> cases = {
        {"+OK\r\nTOP\r\nPIPELINING\r\n.\r\n", true},
        {"+OK\r\npipelining\r\n.\r\n", true},
        {"+OK\r\nTOP\r\nX-PIPELINING\r\n.\r\n", false},
        {"-ERR unknown command\r\n", false},
        {"+OK\r\n.\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.capa);
        freshRun();
        errors.clear();
        first->capaReply = c.capa;
        first->holdTops = 3;
        ASSERT_TRUE(runCycle({Box("Home")}));
        EXPECT_EQ(tops().size(), c.pipelined ? 3u : 1u);
        EXPECT_EQ(errors.size(), c.pipelined ? 0u : 1u);
        EXPECT_EQ(grid.Cell(0, 3), c.pipelined ? "a3" : "");
    }
}

// ---- mailboxes over TLS: a test CA signed the server's certificate for
// "mail.test", which the fake resolver maps to 127.0.0.4

class Pop3TlsTest : public Pop3SessionTest {
  protected:
    Pop3TlsTest() {
        resolver.addHost("mail.test", "127.0.0.4");
        resolver.addHost("other.test", "127.0.0.4");
        tls = &clientTls;
    }

    static MailServerRecord Secure(const std::string& name, const std::string& server,
                                   MailSecurity security) {
        MailServerRecord r = Box(name, server);
        r.Security = security;
        return r;
    }

    const TestCertificates& certs = TestCertificates::Get();
    LazyTlsContext clientTls{certs.caFile};
    TlsContext serverTls = TlsContext::ForServers(certs.chainFile, certs.keyFile);
    TlsContext selfSigned = TlsContext::ForServers(certs.selfSignedChain, certs.selfSignedKey);
};

TEST_F(Pop3TlsTest, ProtectedCyclesFillTheGridLikeClearText) {
    struct Case {
        const char* name;
        MailSecurity security;
        bool hostPort;  // the Server field names the port
        std::vector<std::string> commands;
    };
    const std::vector<std::string> login = {"user joe", "pass secret", "stat",
                                            "top 1 0",  "top 2 0",     "quit"};
    std::vector<std::string> upgraded = {"CAPA", "STLS"};
    upgraded.insert(upgraded.end(), login.begin(), login.end());
    const std::vector<Case> cases = {
        {"TLS, host:port", MailSecurity::Tls, true, login},
        {"TLS, default port", MailSecurity::Tls, false, login},
        {"STARTTLS, host:port", MailSecurity::StartTls, true, upgraded},
        {"STARTTLS, default port", MailSecurity::StartTls, false, upgraded},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        errors.clear();
        ScriptedPop3 server(layer, "127.0.0.4", "0");
        (c.security == MailSecurity::Tls ? server.tls : server.startTls) = &serverTls;
        server.mailbox = {Message("Ann", "one", "<1@x>"), Message("Bob", "two")};
        const std::string portText = std::to_string(server.Port());
        limits.port = limits.tlsPort = c.hostPort ? "1" : portText;
        session_.reset();
        ASSERT_TRUE(runCycle(
            {Secure("Safe", c.hostPort ? "mail.test:" + portText : "mail.test", c.security)}));
        EXPECT_TRUE(errors.empty()) << errors.front();
        EXPECT_EQ(server.received, c.commands);
        EXPECT_EQ(server.handshakes, (std::vector<std::string>{"ok"}));
        EXPECT_EQ(column(0), (std::vector<std::string>{"Ann", "Bob"}));
        EXPECT_EQ(column(1), (std::vector<std::string>{"one", "two"}));
        EXPECT_EQ(column(2), (std::vector<std::string>{"Safe", "Safe"}));
        EXPECT_EQ(session().TotalMessages, 2);
        EXPECT_TRUE(handlerErrors.empty()) << handlerErrors.front();
    }
}

// What a server offers before TLS is forgotten (RFC 2595): it lists
// PIPELINING in clear but not after the login, so it holds its TOP answers
// for a batch that must never come.
TEST_F(Pop3TlsTest, CapabilitiesBeforeTlsAreForgotten) {
    ScriptedPop3 server(layer, "127.0.0.4", "0");
    server.startTls = &serverTls;
    server.pipelining = true;
    server.mailbox = {Message("Ann", "one"), Message("Bob", "two")};
    server.uids = {"u1", "u2"};
    server.holdTops = 2;
    server.custom = [](TLineSocketBase& c, const std::string& line) {
        if (line != "capa") {
            return false;
        }
        ScriptedPop3::send(c, "+OK\r\nTOP\r\nUIDL\r\n.\r\n");
        return true;
    };
    limits.port = std::to_string(server.Port());
    UidlHeaderCache kept;
    cache = &kept;
    ASSERT_TRUE(runCycle({Secure("Safe", "mail.test", MailSecurity::StartTls)}));
    EXPECT_EQ(std::count(server.received.begin(), server.received.end(), "top 1 0"), 1);
    EXPECT_EQ(std::count(server.received.begin(), server.received.end(), "top 2 0"), 0);
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(Pop3TlsTest, UnsafeServersAreOneEntryAndNeverHearTheLogin) {
    struct Case {
        const char* name;
        MailSecurity security;
        std::function<void(ScriptedPop3&)> script;
        std::string server;  // "" for mail.test:<port>
        std::string entry;
        std::vector<std::string> commands;
        bool checkCommands = true;
    };
    const std::vector<Case> cases = {
        {"no STLS in CAPA",
         MailSecurity::StartTls,
         [](ScriptedPop3&) {},
         "",
         "-ERR The server does not offer STARTTLS (no STLS in its capabilities)",
         {"CAPA", "quit"}},
        {"CAPA refused",
         MailSecurity::StartTls,
         [](ScriptedPop3& p) { p.capaReply = "-ERR unknown command\r\n"; },
         "",
         "-ERR The server does not offer STARTTLS (its answer to CAPA: -ERR unknown command)",
         {"CAPA", "quit"}},
        {"STLS refused",
         MailSecurity::StartTls,
         [this](ScriptedPop3& p) {
             p.startTls = &serverTls;
             p.stlsReply = "-ERR not now";
         },
         "",
         "-ERR The server refused STARTTLS (-ERR not now)",
         {"CAPA", "STLS", "quit"}},
        {"STARTTLS to a self-signed certificate",
         MailSecurity::StartTls,
         [this](ScriptedPop3& p) { p.startTls = &selfSigned; },
         "",
         "-ERR certificate verify failed: self-signed certificate",
         {"CAPA", "STLS"}},
        {"TLS to a self-signed certificate",
         MailSecurity::Tls,
         [this](ScriptedPop3& p) { p.tls = &selfSigned; },
         "",
         "-ERR certificate verify failed: self-signed certificate",
         {}},
        {"TLS to the wrong host",
         MailSecurity::Tls,
         [this](ScriptedPop3& p) { p.tls = &serverTls; },
         "other.test",
         "-ERR certificate verify failed: hostname mismatch",
         {}},
        {"STLS accepted but no handshake follows",
         MailSecurity::StartTls,
         [](ScriptedPop3& p) {
             p.capaReply = "+OK\r\nSTLS\r\n.\r\n";
             p.custom = [](TLineSocketBase&, const std::string& line) {
                 return line != "CAPA" && line != "STLS";
             };
             p.stlsReply = "+OK";
         },
         "",
         "-ERR Connection Timed Out",
         {},
         false},
        {"IPv6 address",
         MailSecurity::Tls,
         [](ScriptedPop3&) {},
         "[::1]:995",
         "-ERR IPv6 server addresses are not supported: \"[::1]:995\"",
         {}},
        {"port out of range",
         MailSecurity::Tls,
         [](ScriptedPop3&) {},
         "mail.test:99999",
         "-ERR Bad port in the server address \"mail.test:99999\" (1 to 65535)",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        errors.clear();
        ScriptedPop3 bad(layer, "127.0.0.4", "0");
        c.script(bad);
        ScriptedPop3 good(layer, "127.0.0.5", port);
        good.mailbox = {Message("after", "ok")};
        const std::string portText = std::to_string(bad.Port());
        const std::string server = c.server.empty() ? "mail.test:" + portText
                                   : c.server.find(':') == std::string::npos
                                       ? c.server + ":" + portText
                                       : c.server;
        ASSERT_TRUE(runCycle({Secure("Bad", server, c.security), Box("Good", "127.0.0.5")}));
        EXPECT_EQ(errors, (std::vector<std::string>{c.entry + "@Bad"}));
        if (c.checkCommands) {
            EXPECT_EQ(bad.received, c.commands);
        }
        for (const auto& line : bad.received) {
            EXPECT_NE(line.rfind("user", 0), 0u);
            EXPECT_NE(line.rfind("pass", 0), 0u);
        }
        EXPECT_EQ(column(0), (std::vector<std::string>{"after"}));
        EXPECT_TRUE(handlerErrors.empty()) << handlerErrors.front();
    }
}

TEST_F(Pop3TlsTest, MixedListKeepsTheClearTextEntryAsBefore) {
    ScriptedPop3 pops(layer, "127.0.0.4", "0");
    pops.tls = &serverTls;
    pops.mailbox = {Message("a", "1")};
    ScriptedPop3 upgrade(layer, "127.0.0.4", port);
    upgrade.startTls = &serverTls;
    upgrade.mailbox = {Message("c", "3")};
    first->mailbox = {Message("b", "2")};
    ASSERT_TRUE(
        runCycle({Secure("Pops", "mail.test:" + std::to_string(pops.Port()), MailSecurity::Tls),
                  Box("Plain"), Secure("Upgrade", "mail.test", MailSecurity::StartTls)}));
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(column(0), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(column(2), (std::vector<std::string>{"Pops", "Plain", "Upgrade"}));
    EXPECT_EQ(first->received,
              (std::vector<std::string>{"user joe", "pass secret", "stat", "top 1 0", "quit"}));
    EXPECT_EQ(upgrade.received.front(), "CAPA");
}

TEST(ServerAddressTest, HostAndPortOfProtectedEntries) {
    struct Case {
        std::string field, host, port, error;
    };
    const std::vector<Case> cases = {
        {"pop.example", "pop.example", "995", ""},
        {"pop.example:1995", "pop.example", "1995", ""},
        {"10.0.0.1:65535", "10.0.0.1", "65535", ""},
        {"pop.example:0", "", "", "Bad port in the server address \"pop.example:0\" (1 to 65535)"},
        {"pop.example:", "", "", "Bad port in the server address \"pop.example:\" (1 to 65535)"},
        {"pop.example:x1", "", "",
         "Bad port in the server address \"pop.example:x1\" (1 to 65535)"},
        {":995", "", "", "No host name before the port in the server address \":995\""},
        {"[::1]:995", "", "", "IPv6 server addresses are not supported: \"[::1]:995\""},
        {"fe80::1", "", "", "IPv6 server addresses are not supported: \"fe80::1\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        const ServerAddress a = SplitServerAddress(c.field, "995");
        EXPECT_EQ(a.host, c.host);
        EXPECT_EQ(a.port, c.port);
        EXPECT_EQ(a.error, c.error);
    }
}

TEST(SeenMessageIdsTest, KeepsOrderFindsExactlyAndForgetsOldestPastItsLimit) {
    SeenMessageIdList seen(30);
    EXPECT_TRUE(seen.Add("Message-ID: <1>"));  // 15 bytes
    EXPECT_FALSE(seen.Add("Message-ID: <1>"));
    EXPECT_FALSE(seen.Contains("message-id: <1>"));
    EXPECT_TRUE(seen.Add("Message-ID: <2>"));
    EXPECT_EQ(seen.Bytes(), 30u);
    EXPECT_TRUE(seen.Add("Message-ID: <3>"));
    EXPECT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen.Contains("Message-ID: <1>"));
    EXPECT_EQ(seen[0], "Message-ID: <2>");
    EXPECT_EQ(seen[1], "Message-ID: <3>");
    seen.clear();
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(seen.Add("Message-ID: <1>"));
}

}  // namespace
}  // namespace pontavi
