#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/status_bar.h"
#include "controls/string_grid.h"
#include "controls/tray_icon.h"
#include "mail/capa_reply.h"
#include "mail/mail_server_record.h"
#include "mail/mailbox_listing.h"
#include "mail/seen_message_ids.h"
#include "mail/uidl_cache.h"
#include "net/client_socket.h"
#include "net/tls_context.h"
#include "platform/timer.h"

namespace pontavi {

class TLineSocketBase;

// Where the dialogue with the current server stands.
enum class SessionState {
    AwaitGreeting,
    AwaitUserReply,
    AwaitPassReply,
    AwaitStat,
    ReadingHeaders,
    Quitting,
    // STARTTLS entries only, between the greeting and USER:
    AwaitCapa,    // "CAPA" sent; its reply must list STLS
    AwaitStls,    // "STLS" sent
    Handshaking,  // the server said go ahead; the TLS handshake runs
    // With a header cache, between PASS and TOP:
    AwaitLoginCapa,  // "capa" sent after the login: does the server pipeline?
    ReadingUidl,     // "uidl" sent after a positive STAT
    ReadingList,     // "list" sent (with "uidl" when pipelining)
};
const char* ToText(SessionState state);

// What a check cycle writes to: the Messages page's grid, the tray tip and the
// mail status bar, the Message-ID lines seen so far and the cycle's errors.
struct Pop3SessionParts {
    StringGrid& StringGrid1;
    TrayIcon& TrayIcon1;
    StatusBar& MailStatus;
    SeenMessageIdList& Seen;
    std::vector<std::string>& MailErrorList;
    // The headers read so far in this run. Without it every cycle reads every
    // message's headers, one command at a time.
    UidlHeaderCache* Cache = nullptr;
};

// Limits that keep a hostile or broken server from holding the cycle or the
// program's memory. The defaults are the program's; tests shorten them.
struct Pop3Limits {
    std::string port = "110";     // clear text and STARTTLS
    std::string tlsPort = "995";  // TLS from the first byte (POP3S)
    int connectTimeOut = 30;      // seconds, the lookup and the connect phase (PopClient's TimeOut)
    // A connected server that does not move the dialogue on for this long is
    // given up with an entry (a server gone silent, a TOP it never ends, one
    // that drips lines). Only a completed reply (the greeting, a status line,
    // the "." of a listing) or a listing line for one more message restarts it.
    Millis dialogueTimeOut = 60'000;
    // After "quit" the server has this long to close, whatever it still sends.
    Millis quitGrace = 10'000;
    // Bytes of lines accepted without the dialogue moving on (one message's
    // headers, junk while waiting for the STAT reply). A line longer than the
    // read buffer counts with its first part only; the rest is dropped.
    std::size_t bytesWithoutProgress = 64u << 10;
    // Messages listed in the grid per cycle; the counts still take the STAT
    // figures.
    std::int64_t maxListedMessages = 100'000;
};

// The POP3 check: one session per configured server, visited in order over
// the one client connection PopClient; each logs in, asks STAT, reads the
// header lines of every message with "top n 0", fills the grid, counts the
// Message-ID lines not seen before, records errors and quits. Nothing is
// downloaded but header lines and nothing is deleted.
//
// With a header cache the session also asks "capa" after the login and, after
// a positive STAT, "uidl" and "list"; TOP then goes only to messages whose id
// (and size) it has not read before, the others are filled from the cache.
// The grid, the counts and the error entries are the same as without it: a
// kept message's Message-ID lines still go through SeenMessageIdList. A
// server that lists PIPELINING gets its TOPs in batches as large as the write
// buffer holds; refusals of CAPA, UIDL or LIST are no error entries, they
// only mean more TOPs.
//
// Every session ends through PopClientDisconnect, exactly once; the hand-over
// to the next server (or the cycle's completion) then runs on the next loop
// turn, so a session never opens while an earlier one is still unwinding (a
// time-out inside a lookup wait, an error raised inside Open).
//
// The cycle works on the server list as it stood when it began (ResetCycle),
// so New and Delete in the settings dialog cannot shift it. Loop thread only.
//
// A mailbox's Security picks the connection: None is the clear-text dialogue
// above, unchanged. Tls runs TLS from the first byte (port 995 unless the
// Server field says "host:port"); StartTls asks CAPA after the greeting and
// upgrades with STLS before USER. Both check the server's certificate
// against the host; the connect time-out covers the handshake. A server that
// cannot be reached safely is an error entry, never a clear-text fall-back,
// and nothing of the login is sent before the handshake has succeeded.
class Pop3Session {
  public:
    // `tls`: the program's client TLS context; without one, the session makes
    // its own on first use.
    Pop3Session(SocketLayer& layer, Pop3SessionParts parts, Pop3Limits limits = {},
                LazyTlsContext* tls = nullptr);
    ~Pop3Session();
    Pop3Session(const Pop3Session&) = delete;
    Pop3Session& operator=(const Pop3Session&) = delete;

    TClientSocket PopClient;

    // ---- cycle state
    // The cycle's servers; names and records taken together when it began.
    std::vector<MailServerRecord> Servers;
    int CurrentServer = 0;
    SessionState State = SessionState::AwaitGreeting;
    std::int64_t MessageCount = 0;
    std::int64_t MessageNumber = 0;
    std::int64_t MessageRow = 1;
    std::int64_t TotalMessages = 0;
    int NewMessages = 0;
    // Sender and subject of the newest new message: the last one listed this
    // cycle whose Message-ID had not been seen before. Empty without one.
    struct ListedMessage {
        std::string From;
        std::string Subject;
    };
    std::optional<ListedMessage> NewestNew;

    // Runs (one loop turn after the last session ended) when the cycle is
    // complete; CurrentServer still names the last server.
    std::function<void()> OnCycleComplete;

    // Starts a cycle's bookkeeping over `servers`: the counters to their
    // start, the state AwaitGreeting. Does not touch the grid or CurrentServer.
    void ResetCycle(std::vector<MailServerRecord> servers);
    // True from CheckMail until the cycle completes.
    bool Running() const { return running_; }
    const std::string& ServerName() const;

    // ---- the session's operations
    void CheckMail();
    void PopSend(const std::string& text);
    void PopQuit();
    void PopClientLineRead(const std::string& line);
    void PopClientTimeOut(TSocketBase* socket);
    void PopClientDisconnect(TSocketBase* socket);

  private:
    void onConnect(TSocketBase* socket);
    void capaLine(const std::string& line);
    void stlsReply(const std::string& line);
    void handshakeDone(TSocketBase& socket);
    void sendUser();
    void addError(const std::string& text);
    void failAndQuit(const std::string& text);
    void statReply(const std::string& line);
    void headerLine(const std::string& line);
    void endOfHeaders();
    void dialogueLine(const std::string& line);
    void loginCapaLine(const std::string& line);
    void sendTogether(std::initializer_list<const char*> commands);
    bool skipLine(const std::string& line);
    void askListings();
    void listingLine(const std::string& line);
    void listingReplyDone(bool refused);
    void startHeaders();
    void advance();
    void sendTops();
    void beginRow();
    void setRowCell(int col, const std::string& text);
    void seenId(const std::string& line);
    void finishRow();
    void dialogueTimedOut();
    std::string unsendableField() const;
    void replay(const CachedHeaders& headers);
    void keepHeaders();
    const CachedHeaders* cachedAt(std::int64_t index) const;
    void progress();
    void ensureRow(std::int64_t row);
    void handOver();
    void stopTimers();
    const MailServerRecord* record() const;

    SocketLayer& layer_;
    Pop3SessionParts parts_;
    Pop3Limits limits_;
    LazyTlsContext ownTls_;
    LazyTlsContext* tls_;
    std::string tlsHost_;       // the current session's host, for the certificate
    bool capaOpen_ = false;     // the CAPA reply's status line has come
    bool stlsOffered_ = false;  // its list holds STLS
    Timer dialogue_;
    Timer quitGrace_;
    bool running_ = false;
    bool sessionOpen_ = false;       // between CheckMail and the session's end
    bool topStatusPending_ = false;  // the next line opens a TOP reply
    bool rowBegun_ = false;          // the row at MessageRow belongs to a message being read
    bool rowIsNew_ = false;          // that message's Message-ID was not seen before
    std::size_t bytesSinceProgress_ = 0;
    int quitsSent_ = 0;
    std::int64_t listed_ = 0;  // messages given a grid row this cycle
    // The header cache's part of a session.
    CapaReply capa_;
    bool pipelining_ = false;
    bool listingsAhead_ = false;     // "uidl" and "list" went out with "stat"
    int skipReplies_ = 0;            // replies of no more use, still to come
    bool skipOpen_ = false;          // inside a multi-line one of them
    std::int64_t skipProgress_ = 0;  // their lines that count as progress
    std::optional<MailboxListing> listing_;
    bool listingOpen_ = false;                // the UIDL or LIST reply's status line has come
    bool listPending_ = false;                // "list" went out with "uidl"
    std::vector<const CachedHeaders*> plan_;  // per message: kept headers or nullptr
    std::int64_t planned_ = 0;                // messages this session lists
    std::int64_t next_ = 0;                   // index of the next message to finish
    std::int64_t sentUpTo_ = 0;               // TOPs have gone out for indexes below this
    std::deque<std::size_t> inFlight_;        // bytes of each TOP not yet answered
    std::size_t inFlightBytes_ = 0;
    CachedHeaders reading_;  // what the TOP being read holds so far
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace pontavi
