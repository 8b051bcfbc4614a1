#include "mail/pop3_session.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "mail/server_address.h"
#include "net/line_framer.h"
#include "net/line_socket.h"
#include "net/sock_error.h"

namespace pontavi {

namespace {

constexpr int kBufferSize = 8192;
constexpr std::size_t kMaxAddress = 255;
constexpr std::size_t kMaxCell = 255;
constexpr int kMaxQuits = 3;
const std::string kNoName;

std::string Lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

// The first `n` characters, lowercased (fewer when the text is shorter).
std::string LoweredPrefix(const std::string& text, std::size_t n) {
    return Lowered(std::string_view(text).substr(0, n));
}

bool StartsWith(const std::string& text, std::string_view prefix) {
    return std::string_view(text).substr(0, prefix.size()) == prefix;
}

// The message count of a STAT reply: the text after "+OK " up to its first
// space, as a decimal number. Only plain digits are a count; anything else
// (empty, a sign, letters, more digits than any mailbox holds) is not.
std::optional<std::int64_t> StatCount(const std::string& line) {
    if (line.size() <= 4) {
        return std::nullopt;
    }
    std::string_view rest = std::string_view(line).substr(4);
    rest = rest.substr(0, rest.find(' '));
    if (rest.empty() || rest.size() > 15) {
        return std::nullopt;
    }
    std::int64_t count = 0;
    for (const char c : rest) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        count = count * 10 + (c - '0');
    }
    return count;
}

int GridRows(std::int64_t rows) {
    return static_cast<int>(std::min<std::int64_t>(rows, 0x7fffffff));
}

}  // namespace

const char* ToText(SessionState state) {
    switch (state) {
        case SessionState::AwaitGreeting:
            return "AwaitGreeting";
        case SessionState::AwaitUserReply:
            return "AwaitUserReply";
        case SessionState::AwaitPassReply:
            return "AwaitPassReply";
        case SessionState::AwaitStat:
            return "AwaitStat";
        case SessionState::ReadingHeaders:
            return "ReadingHeaders";
        case SessionState::Quitting:
            return "Quitting";
        case SessionState::AwaitCapa:
            return "AwaitCapa";
        case SessionState::AwaitStls:
            return "AwaitStls";
        case SessionState::Handshaking:
            return "Handshaking";
        case SessionState::AwaitLoginCapa:
            return "AwaitLoginCapa";
        case SessionState::ReadingUidl:
            return "ReadingUidl";
        case SessionState::ReadingList:
            return "ReadingList";
    }
    return "?";
}

Pop3Session::Pop3Session(SocketLayer& layer, Pop3SessionParts parts, Pop3Limits limits,
                         LazyTlsContext* tls)
    : PopClient(layer),
      layer_(layer),
      parts_(parts),
      limits_(std::move(limits)),
      tls_(tls != nullptr ? tls : &ownTls_),
      dialogue_(layer.Loop(), limits_.dialogueTimeOut, false),
      quitGrace_(layer.Loop(), limits_.quitGrace, false) {
    PopClient.setPort(limits_.port);
    PopClient.setProtocol("tcp");
    PopClient.setTimeOut(limits_.connectTimeOut);
    PopClient.OnTimeOut = [this](TSockCtrl&, TSocketBase* socket) { PopClientTimeOut(socket); };
    PopClient.OnDisconnect = [this](TSockCtrl&, TSocketBase* socket) {
        PopClientDisconnect(socket);
    };
    PopClient.OnConnect = [this](TSockCtrl&, TSocketBase* socket) { onConnect(socket); };
    dialogue_.OnTimer = [this] { dialogueTimedOut(); };
    // A server that does not close after "quit" has said all it will say.
    quitGrace_.OnTimer = [this] { PopClientDisconnect(PopClient.Connection()); };
}

Pop3Session::~Pop3Session() = default;

void Pop3Session::ResetCycle(std::vector<MailServerRecord> servers) {
    Servers = std::move(servers);
    TotalMessages = 0;
    MessageRow = 1;
    MessageCount = 0;
    NewMessages = 0;
    State = SessionState::AwaitGreeting;
    listed_ = 0;
    NewestNew.reset();
    plan_.clear();
    if (parts_.Cache != nullptr) {
        parts_.Cache->KeepOnly(Servers);
    }
}

const MailServerRecord* Pop3Session::record() const {
    if (CurrentServer < 0 || CurrentServer >= static_cast<int>(Servers.size())) {
        return nullptr;
    }
    return &Servers[static_cast<std::size_t>(CurrentServer)];
}

const std::string& Pop3Session::ServerName() const {
    const MailServerRecord* r = record();
    return r != nullptr ? r->Name : kNoName;
}

void Pop3Session::addError(const std::string& text) {
    parts_.MailErrorList.push_back(text + "@" + ServerName());
}

// A session that has not moved on within the dialogue time-out is given up,
// whether the server said nothing or kept sending without ending its reply
// (a server dripping lines must not hold the cycle and the line).
void Pop3Session::dialogueTimedOut() {
    const std::string seconds = std::to_string(limits_.dialogueTimeOut / 1000);
    addError(bytesSinceProgress_ == 0
                 ? "-ERR No reply from the server for " + seconds + " seconds"
                 : "-ERR The server did not finish its reply within " + seconds + " seconds");
    PopClientDisconnect(PopClient.Connection());
}

// What the session would send of the record must each be one line: a value
// holding CR, LF or NUL (a hand-edited settings file) would smuggle a second
// command (a "dele") to the server. Such a mailbox is not contacted at all.
std::string Pop3Session::unsendableField() const {
    const MailServerRecord* r = record();
    if (r == nullptr) {
        return {};
    }
    if (!IsSingleLine(r->Server)) {
        return "-ERR The server name holds a line break or NUL character";
    }
    if (!IsSingleLine(r->UserName) || !IsSingleLine(r->Password)) {
        return "-ERR The user name or password holds a line break or NUL character";
    }
    return {};
}

void Pop3Session::CheckMail() {
    running_ = true;
    sessionOpen_ = true;
    topStatusPending_ = false;
    rowBegun_ = false;
    bytesSinceProgress_ = 0;
    quitsSent_ = 0;
    capaOpen_ = false;
    stlsOffered_ = false;
    capa_ = {};
    pipelining_ = false;
    listingsAhead_ = false;
    skipReplies_ = 0;
    skipProgress_ = 0;
    skipOpen_ = false;
    listing_.reset();
    plan_.clear();
    inFlight_.clear();
    inFlightBytes_ = 0;
    reading_ = {};
    if (const std::string refusal = unsendableField(); !refusal.empty()) {
        addError(refusal);
        PopClientDisconnect(nullptr);
        return;
    }
    const MailServerRecord* r = record();
    const std::string server = r != nullptr ? r->Server : std::string();
    const MailSecurity security = r != nullptr ? r->Security : MailSecurity::None;
    try {
        const TlsContext* context = nullptr;
        if (security == MailSecurity::None) {
            if (PopClient.Port() != limits_.port) {
                PopClient.setPort(limits_.port);
            }
            PopClient.setAddress(server.substr(0, kMaxAddress));
        } else {
            const ServerAddress to = SplitServerAddress(
                server, security == MailSecurity::Tls ? limits_.tlsPort : limits_.port);
            if (!to.error.empty()) {
                addError("-ERR " + to.error);
                PopClientDisconnect(nullptr);
                return;
            }
            context = &tls_->Get();
            tlsHost_ = to.host;
            if (PopClient.Port() != to.port) {
                PopClient.setPort(to.port);
            }
            PopClient.setAddress(to.host);
        }
        PopClient.Open<TLineSocket>();
        if (!sessionOpen_) {
            return;  // the time-out ended this session during the lookup wait
        }
        auto* connection = PopClient.ConnectionAs<TLineSocketBase>();
        if (security == MailSecurity::Tls) {
            connection->UseTls(*context, tlsHost_);
        }
        connection->OnLine = [this](TLineSocketBase&, const std::string& line, bool) {
            PopClientLineRead(line);
        };
        connection->setWriteBufferSize(kBufferSize);
        connection->setReadBufferSize(kBufferSize);
        connection->setLineEnd(TLineEnd::leCRLF);
    } catch (const ESockError& e) {
        if (!sessionOpen_) {
            return;
        }
        addError(std::string("-ERR ") + e.what());
        PopClientDisconnect(PopClient.Connection());
    }
}

void Pop3Session::onConnect(TSocketBase* socket) {
    if (!sessionOpen_) {
        return;
    }
    if (socket != nullptr && socket->Connected()) {
        dialogue_.setEnabled(true);
        return;
    }
    // A refused or unreachable connect, or a failed TLS handshake: no
    // OnDisconnect follows it.
    if (socket != nullptr && !socket->TlsFailure().empty()) {
        addError("-ERR " + socket->TlsFailure());
    } else {
        const int error = socket != nullptr ? socket->LastError() : sockcode::kNotConnected;
        addError("-ERR " + SockErrorMessage("Error %d (%s) connecting", error));
    }
    PopClientDisconnect(socket);
}

void Pop3Session::PopSend(const std::string& text) {
    auto* connection = dynamic_cast<TLineSocketBase*>(PopClient.Connection());
    if (connection == nullptr || !connection->Connected()) {
        return;
    }
    connection->SendLine(text);  // a line that cannot fit is dropped like one sent too late
    connection->Flush();
}

void Pop3Session::PopQuit() {
    State = SessionState::Quitting;
    // "quit" goes out again for a line that follows it, but a server that
    // answers every "quit" without closing must not start an endless exchange.
    if (quitsSent_ >= kMaxQuits) {
        return;
    }
    ++quitsSent_;
    PopSend("quit");
    if (sessionOpen_ && !quitGrace_.Enabled()) {
        dialogue_.setEnabled(false);
        quitGrace_.setEnabled(true);
    }
}

void Pop3Session::failAndQuit(const std::string& text) {
    addError(text);
    PopQuit();
}

// The dialogue moved on: a reply completed (or a listing line accounted for
// one more message). The dialogue's time-out and the byte bound start anew.
// Nothing else restarts them, so a server that sends lines without moving
// the dialogue on is bounded in time and in bytes.
void Pop3Session::progress() {
    bytesSinceProgress_ = 0;
    if (sessionOpen_ && State != SessionState::Quitting && State != SessionState::Handshaking) {
        dialogue_.setEnabled(false);
        dialogue_.setEnabled(true);
    }
}

void Pop3Session::PopClientLineRead(const std::string& line) {
    if (!sessionOpen_) {
        return;
    }
    if (State == SessionState::Handshaking) {
        return;  // nothing is read in clear once the upgrade has begun
    }
    if (State != SessionState::Quitting) {
        bytesSinceProgress_ += line.size() + 2;
        if (bytesSinceProgress_ > limits_.bytesWithoutProgress) {
            failAndQuit("-ERR The server sent more than " +
                        std::to_string(limits_.bytesWithoutProgress) + " bytes without an answer");
            return;
        }
    }
    if (State == SessionState::AwaitCapa) {
        capaLine(line);
        return;
    }
    if (State == SessionState::AwaitStls) {
        stlsReply(line);
        return;
    }
    // Refusals here are no errors: they only cost the cache its use.
    if (State == SessionState::AwaitLoginCapa) {
        loginCapaLine(line);
        return;
    }
    if (State == SessionState::ReadingUidl || State == SessionState::ReadingList) {
        listingLine(line);
        return;
    }
    if (skipLine(line)) {
        return;
    }
    const bool statWithListings = State == SessionState::AwaitStat && listingsAhead_;
    dialogueLine(line);
    if (statWithListings && State != SessionState::AwaitStat) {
        listingsAhead_ = false;
        if (State != SessionState::ReadingUidl) {
            skipReplies_ = 2;
            // Past the listed cap the TOPs wait behind listings of the whole
            // mailbox: their lines are expected, up to what STAT announced.
            skipProgress_ = State == SessionState::ReadingHeaders ? 2 * (MessageCount + 2) : 0;
        }
    }
}

// A line of the login, STAT and TOP dialogue.
void Pop3Session::dialogueLine(const std::string& line) {
    if (State != SessionState::ReadingHeaders) {
        if (LoweredPrefix(line, 4) == "-err") {
            failAndQuit(line);
            return;
        }
        if (Lowered(line).find("signing off") != std::string::npos) {
            State = SessionState::Quitting;
        }
    }
    const MailServerRecord* r = record();
    switch (State) {
        case SessionState::Quitting:
            PopQuit();
            break;
        case SessionState::AwaitGreeting:
            progress();
            if (r != nullptr && r->Security == MailSecurity::StartTls) {
                PopSend("CAPA");
                State = SessionState::AwaitCapa;
                break;
            }
            sendUser();
            break;
        case SessionState::AwaitUserReply:
            progress();
            PopSend("pass " + (r != nullptr ? r->Password : std::string()));
            State = SessionState::AwaitPassReply;
            break;
        case SessionState::AwaitPassReply:
            progress();
            if (parts_.Cache != nullptr) {
                // After the login: what a server offers before it (or before
                // TLS) need not hold now.
                PopSend("capa");
                State = SessionState::AwaitLoginCapa;
                break;
            }
            PopSend("stat");
            State = SessionState::AwaitStat;
            break;
        case SessionState::AwaitStat:
            statReply(line);
            break;
        case SessionState::ReadingHeaders:
            headerLine(line);
            break;
        case SessionState::AwaitCapa:
        case SessionState::AwaitStls:
        case SessionState::Handshaking:
        case SessionState::AwaitLoginCapa:
        case SessionState::ReadingUidl:
        case SessionState::ReadingList:
            break;  // handled above
    }
}

void Pop3Session::sendUser() {
    const MailServerRecord* r = record();
    PopSend("user " + (r != nullptr ? r->UserName : std::string()));
    State = SessionState::AwaitUserReply;
}

// The CAPA reply (RFC 2449): a status line, then one capability per line up
// to ".". Only the word STLS matters; anything short of it is no offer.
void Pop3Session::capaLine(const std::string& line) {
    if (!capaOpen_) {
        if (LoweredPrefix(line, 3) != "+ok") {
            failAndQuit("-ERR The server does not offer STARTTLS (its answer to CAPA: " +
                        line.substr(0, 200) + ")");
            return;
        }
        progress();
        capaOpen_ = true;
        return;
    }
    if (line != ".") {
        const std::string word = Lowered(std::string_view(line).substr(0, line.find(' ')));
        if (word == "stls") {
            stlsOffered_ = true;
        }
        return;
    }
    progress();
    if (!stlsOffered_) {
        failAndQuit("-ERR The server does not offer STARTTLS (no STLS in its capabilities)");
        return;
    }
    PopSend("STLS");
    State = SessionState::AwaitStls;
}

void Pop3Session::stlsReply(const std::string& line) {
    if (LoweredPrefix(line, 3) != "+ok") {
        failAndQuit("-ERR The server refused STARTTLS (" + line.substr(0, 200) + ")");
        return;
    }
    progress();
    auto* connection = dynamic_cast<TLineSocketBase*>(PopClient.Connection());
    if (connection == nullptr || !connection->Connected()) {
        return;
    }
    State = SessionState::Handshaking;
    // The connect time-out bounds the handshake; the dialogue's wait resumes after it.
    dialogue_.setEnabled(false);
    connection->OnHandshake = [this](TSocketBase& socket) { handshakeDone(socket); };
    try {
        connection->StartTls(tls_->Get(), tlsHost_);
    } catch (const ESockError& e) {
        addError(std::string("-ERR ") + e.what());
        PopClientDisconnect(connection);
    }
}

void Pop3Session::handshakeDone(TSocketBase& socket) {
    if (!sessionOpen_ || &socket != PopClient.Connection()) {
        return;
    }
    if (!socket.Encrypted()) {
        // Nothing more is said on a connection whose server could not be trusted.
        addError("-ERR " + socket.TlsFailure());
        PopClientDisconnect(&socket);
        return;
    }
    // What the server said before TLS is forgotten (RFC 2595); the login
    // begins as after a greeting.
    progress();
    dialogue_.setEnabled(true);
    sendUser();
}

void Pop3Session::statReply(const std::string& line) {
    if (LoweredPrefix(line, 7) == "+ok 0 0") {
        PopQuit();
        return;
    }
    if (LoweredPrefix(line, 3) != "+ok") {
        return;  // not the reply yet
    }
    const std::optional<std::int64_t> count = StatCount(line);
    if (!count) {
        failAndQuit("-ERR Unreadable message count in the STAT reply");
        return;
    }
    progress();
    MessageCount = *count;
    TotalMessages += MessageCount;
    if (MessageCount == 0) {
        PopQuit();  // "+OK 0 <size>" or "+OK 0": there is nothing to ask for
        return;
    }
    // The grid is sized for what is waiting, but never beyond what a cycle lists.
    parts_.StringGrid1.setRowCount(
        GridRows(std::min(TotalMessages, limits_.maxListedMessages) + 1));
    if (listed_ >= limits_.maxListedMessages) {
        failAndQuit("-ERR Too many messages: only the first " +
                    std::to_string(limits_.maxListedMessages) + " are listed");
        return;
    }
    planned_ = std::min(MessageCount, limits_.maxListedMessages - listed_);
    if (parts_.Cache != nullptr && planned_ == MessageCount) {
        askListings();
        return;
    }
    startHeaders();
}

void Pop3Session::loginCapaLine(const std::string& line) {
    if (!capa_.Add(line)) {
        return;
    }
    progress();
    pipelining_ = capa_.Pipelining();
    State = SessionState::AwaitStat;
    if (!pipelining_) {
        PopSend("stat");
        return;
    }
    // The listings go with STAT; should its reply not call for them, their
    // replies are skipped.
    listingsAhead_ = true;
    sendTogether({"stat", "uidl", "list"});
}

void Pop3Session::sendTogether(std::initializer_list<const char*> commands) {
    auto* connection = dynamic_cast<TLineSocketBase*>(PopClient.Connection());
    if (connection == nullptr || !connection->Connected()) {
        return;
    }
    for (const char* command : commands) {
        connection->SendLine(command);
    }
    connection->Flush();
}

// Takes the line when it belongs to a reply that is being skipped.
bool Pop3Session::skipLine(const std::string& line) {
    if (skipReplies_ == 0) {
        return false;
    }
    if (skipProgress_ > 0) {
        --skipProgress_;
        progress();
    }
    if (!skipOpen_) {
        skipOpen_ = LoweredPrefix(line, 3) == "+ok";
        skipReplies_ -= skipOpen_ ? 0 : 1;
    } else if (line == ".") {
        skipOpen_ = false;
        --skipReplies_;
    }
    return true;
}

void Pop3Session::askListings() {
    listing_.emplace(MessageCount);
    listingOpen_ = false;
    State = SessionState::ReadingUidl;
    listPending_ = pipelining_;
    if (!pipelining_) {
        PopSend("uidl");
    }
}

// One line of the UIDL or LIST reply. A refusal (one line, not "+OK") is no
// error entry: the messages are read with TOP as without the cache.
void Pop3Session::listingLine(const std::string& line) {
    if (!listingOpen_) {
        if (LoweredPrefix(line, 3) != "+ok") {
            listing_->Discard();
            listingReplyDone(true);
            return;
        }
        listingOpen_ = true;
        return;
    }
    if (line == ".") {
        listingReplyDone(false);
        return;
    }
    const bool moved = State == SessionState::ReadingUidl ? listing_->AddIdLine(line)
                                                          : listing_->AddSizeLine(line);
    if (moved) {
        progress();
    }
}

void Pop3Session::listingReplyDone(bool refused) {
    progress();
    listingOpen_ = false;
    if (State == SessionState::ReadingUidl && (listPending_ || !refused)) {
        if (!listPending_) {
            PopSend("list");
        }
        State = SessionState::ReadingList;
        return;
    }
    startHeaders();
}

void Pop3Session::startHeaders() {
    plan_.clear();
    if (listing_ && parts_.Cache != nullptr && record() != nullptr) {
        listing_->Finish();
        plan_ = parts_.Cache->Match(*record(), *listing_);
    }
    MessageNumber = 1;
    next_ = 0;
    sentUpTo_ = 0;
    inFlight_.clear();
    inFlightBytes_ = 0;
    reading_ = {};
    State = SessionState::ReadingHeaders;
    topStatusPending_ = true;
    advance();
}

const CachedHeaders* Pop3Session::cachedAt(std::int64_t index) const {
    return index < static_cast<std::int64_t>(plan_.size()) ? plan_[static_cast<std::size_t>(index)]
                                                           : nullptr;
}

// Fills the rows of kept messages up to the next one TOP must read, then
// makes sure its TOP (and, when pipelining, the following ones) is on its way.
void Pop3Session::advance() {
    while (next_ < planned_ && cachedAt(next_) != nullptr) {
        replay(*cachedAt(next_));
        finishRow();
    }
    if (next_ < planned_) {
        sendTops();
        return;
    }
    if (planned_ < MessageCount) {
        failAndQuit("-ERR Too many messages: only the first " +
                    std::to_string(limits_.maxListedMessages) + " are listed");
        return;
    }
    PopQuit();
}

void Pop3Session::sendTops() {
    auto* connection = dynamic_cast<TLineSocketBase*>(PopClient.Connection());
    if (connection == nullptr || !connection->Connected()) {
        return;
    }
    sentUpTo_ = std::max(sentUpTo_, next_);
    // Without pipelining one TOP waits for the answer to the one before.
    const std::size_t budget = pipelining_ ? static_cast<std::size_t>(kBufferSize) : 1;
    while (sentUpTo_ < planned_) {
        if (cachedAt(sentUpTo_) != nullptr) {
            ++sentUpTo_;
            continue;
        }
        const std::string command = "top " + std::to_string(sentUpTo_ + 1) + " 0";
        const std::size_t bytes = command.size() + 2;
        if (!inFlight_.empty() && inFlightBytes_ + bytes > budget) {
            break;
        }
        if (!connection->SendLine(command)) {
            break;  // a buffer still full of older commands takes the rest later
        }
        inFlight_.push_back(bytes);
        inFlightBytes_ += bytes;
        ++sentUpTo_;
    }
    connection->Flush();
}

void Pop3Session::replay(const CachedHeaders& headers) {
    beginRow();
    if (headers.from) {
        setRowCell(0, *headers.from);
    }
    if (headers.subject) {
        setRowCell(1, *headers.subject);
    }
    for (const std::string& line : headers.messageIds) {
        seenId(line);
    }
}

// A message's row begins empty, whatever an earlier cycle or session left in
// it: a message without From or Subject shows none.
void Pop3Session::beginRow() {
    rowBegun_ = true;
    rowIsNew_ = false;
    for (int col = 0; col < 3; ++col) {
        setRowCell(col, std::string());
    }
}

void Pop3Session::setRowCell(int col, const std::string& text) {
    ensureRow(MessageRow);
    parts_.StringGrid1.setCell(col, GridRows(MessageRow), text);
}

void Pop3Session::seenId(const std::string& line) {
    if (parts_.Seen.Add(line)) {
        ++NewMessages;
        rowIsNew_ = true;
    }
}

// The row gets its mailbox and the next message the next row; also a row
// begun by a session that ends before the message's "." (the next mailbox
// must not write into it).
void Pop3Session::finishRow() {
    rowBegun_ = false;
    setRowCell(2, ServerName());
    if (rowIsNew_) {
        const int row = GridRows(MessageRow);
        NewestNew = ListedMessage{parts_.StringGrid1.Cell(0, row), parts_.StringGrid1.Cell(1, row)};
    }
    ++listed_;
    ++MessageRow;
    ++next_;
    MessageNumber = std::min(next_ + 1, MessageCount);
}

void Pop3Session::ensureRow(std::int64_t row) {
    if (row >= parts_.StringGrid1.RowCount()) {
        parts_.StringGrid1.setRowCount(GridRows(row + 1));
    }
}

void Pop3Session::headerLine(const std::string& line) {
    if (std::exchange(topStatusPending_, false)) {
        if (LoweredPrefix(line, 4) == "-err") {
            // TOP is optional in POP3: a server without it says so here, and
            // waiting for a "." that will never come would only stall the cycle.
            failAndQuit(line);
            return;
        }
        progress();  // the TOP reply's status line
        beginRow();
    }
    if (StartsWith(line, "From:")) {
        reading_.from = line.size() > 6 ? line.substr(6, kMaxCell) : std::string();
        setRowCell(0, *reading_.from);
    } else if (StartsWith(line, "Subject:")) {
        reading_.subject = line.size() > 9 ? line.substr(9, kMaxCell) : std::string();
        setRowCell(1, *reading_.subject);
    } else if (LoweredPrefix(line, 11) == "message-id:") {
        seenId(line);
        if (reading_.messageIds.size() <= UidlHeaderCache::kMaxIdLines) {
            reading_.messageIds.push_back(line);  // one too many is not kept
        }
    } else if (line == ".") {
        endOfHeaders();
    }
}

// What TOP read is kept under the message's id when the listings vouch for it.
void Pop3Session::keepHeaders() {
    CachedHeaders headers = std::exchange(reading_, {});
    if (!listing_ || parts_.Cache == nullptr || record() == nullptr) {
        return;
    }
    const auto id = listing_->TrustedId(next_ + 1);
    if (id) {
        headers.size = listing_->Size(next_ + 1);
        parts_.Cache->Store(*record(), *id, std::move(headers));
    }
}

void Pop3Session::endOfHeaders() {
    progress();
    keepHeaders();
    if (!inFlight_.empty()) {
        inFlightBytes_ -= inFlight_.front();
        inFlight_.pop_front();
    }
    finishRow();
    topStatusPending_ = true;
    advance();
}

void Pop3Session::PopClientTimeOut(TSocketBase* socket) {
    if (!sessionOpen_) {
        return;
    }
    addError("-ERR Connection Timed Out");
    PopClientDisconnect(socket);
}

void Pop3Session::stopTimers() {
    dialogue_.setEnabled(false);
    quitGrace_.setEnabled(false);
}

void Pop3Session::PopClientDisconnect(TSocketBase* socket) {
    if (socket != nullptr) {
        socket->Close();  // a local close raises no further OnDisconnect
    }
    if (!sessionOpen_) {
        return;  // this session has already ended
    }
    sessionOpen_ = false;
    stopTimers();
    if (rowBegun_) {
        finishRow();
    }
    // The next session opens once this one has unwound (it may have ended
    // inside a lookup wait or inside Open).
    layer_.Loop().post([this, alive = std::weak_ptr<int>(life_)] {
        if (!alive.expired()) {
            handOver();
        }
    });
}

void Pop3Session::handOver() {
    if (CurrentServer < static_cast<int>(Servers.size()) - 1) {
        ++CurrentServer;
        const std::string text = "Checking Mail at " + ServerName();
        parts_.TrayIcon1.setToolTip(text);
        parts_.MailStatus.setPanelText(0, text);
        State = SessionState::AwaitGreeting;
        CheckMail();
        return;
    }
    running_ = false;
    if (OnCycleComplete) {
        OnCycleComplete();
    }
}

}  // namespace pontavi
