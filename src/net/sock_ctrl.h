#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/socket_layer.h"

namespace pontavi {

class TSockCtrl;
class TSocketBase;

// Which notifications a connection asks for.
enum TAsyncOption : unsigned { csoRead = 1, csoWrite = 2, csoOOB = 4 };
using TAsyncOptions = unsigned;

// Every component event: the component, and the socket object concerned
// (null only for a server's OnTimeOut when it has no listening object).
using TSocketEvent = std::function<void(TSockCtrl& sender, TSocketBase* socket)>;

// How a component makes its socket objects (TStreamSocket, TLineSocket, ...).
using TSocketClass = std::function<std::shared_ptr<TSocketBase>(TSockCtrl& owner)>;
template <typename T>
TSocketClass SocketClassOf() {
    return [](TSockCtrl& owner) { return std::make_shared<T>(owner); };
}

// The common part of the client and server components: where to connect or
// listen, the time-out, the events every component has, and the routing of
// socket notifications. Components own their socket objects.
class TSockCtrl {
  public:
    explicit TSockCtrl(SocketLayer& layer);
    virtual ~TSockCtrl();
    TSockCtrl(const TSockCtrl&) = delete;
    TSockCtrl& operator=(const TSockCtrl&) = delete;

    SocketLayer& Layer() const { return layer_; }

    // Remote host (client) or local address (server). A dotted IPv4 text is
    // kept as an address, anything else as a host name looked up at every
    // Open/Listen. "0.0.0.0" means any address. At most 255 characters.
    std::string Address() const { return hostName_.empty() ? dotted_ : hostName_; }
    void setAddress(const std::string& address);
    const std::string& HostName() const { return hostName_; }
    const std::string& DottedAddress() const { return dotted_; }

    // Service name or decimal port, as set. A number also stores its service
    // name for Protocol (empty when unknown); a name stores its port (0 when
    // unknown). "0" asks the system for any free port when listening.
    const std::string& Port() const { return portText_; }
    void setPort(const std::string& port);
    int PortNumber() const { return portNumber_; }
    const std::string& ServiceName() const { return serviceName_; }

    // Protocol name or number; service lookups are made for its name.
    const std::string& Protocol() const { return protocolName_; }
    void setProtocol(const std::string& protocol);
    int ProtocolNumber() const { return protocolNumber_; }

    // Seconds for each lookup and for the connect phase; applies only while
    // OnTimeOut is assigned. Negative values are stored as 0 (none).
    int TimeOut() const { return timeOut_; }
    void setTimeOut(int seconds) { timeOut_ = seconds < 0 ? 0 : seconds; }

    TSocketEvent OnDisconnect;  // the peer closed the connection
    TSocketEvent OnRead;        // data arrived (buffered sockets: after taking it in)
    TSocketEvent OnWrite;       // writable again after a send that would block
    TSocketEvent OnTimeOut;     // a lookup or the connect phase ran too long

    // ---- for socket objects and the layer ----

    // The socket object OnTimeOut reports.
    virtual std::shared_ptr<TSocketBase> TimeOutSocket() = 0;
    // Component part of the notifications of one of its socket objects.
    virtual void ConnectFinished(TSocketBase& socket, int error);
    virtual void AcceptWaiting(TSocketBase& listener);
    void PeerClosed(TSocketBase& socket);
    virtual void RaiseConnect(TSocketBase& socket);
    virtual void RaiseAccept(TSocketBase& socket);
    virtual void RaiseReject(TSocketBase& socket);
    void Raise(const TSocketEvent& event, TSocketBase* socket);
    // A Close posts a notice that is handled one loop turn later.
    void PostCloseNotice(std::weak_ptr<TSocketBase> socket);

    // Time-out bookkeeping, kept by the layer.
    bool WantsTimeOut() const { return timeOut_ > 0 && static_cast<bool>(OnTimeOut); }
    int Countdown() const { return countdown_; }
    void setCountdown(int seconds) { countdown_ = seconds; }
    // Counts expiries, so a wait can tell that one happened during it.
    unsigned TimeOuts() const { return timeOuts_; }
    bool TimedOut() const { return timedOut_; }
    void markTimedOut() {
        timedOut_ = true;
        ++timeOuts_;
    }
    void clearTimedOut() { timedOut_ = false; }
    std::weak_ptr<int> LifeToken() const { return life_; }

  protected:
    // Handles the close notice of one of this component's socket objects.
    virtual void CloseNoticed(TSocketBase& socket);

    // The two ends for a connect or listen: the address (forward lookup of a
    // host name) and the port (service lookup of a name; unknown gives 0).
    // nullopt when `abandon` ended a lookup wait (the caller stops quietly).
    std::optional<sockaddr_in> ResolveEnds(const std::function<bool()>& abandon);

  private:
    SocketLayer& layer_;
    std::string hostName_;
    std::string dotted_ = "0.0.0.0";
    std::string portText_;
    int portNumber_ = 0;
    std::string serviceName_;
    std::string protocolName_ = "tcp";
    int protocolNumber_ = 6;
    int timeOut_ = 0;
    int countdown_ = 0;
    bool timedOut_ = false;
    unsigned timeOuts_ = 0;
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace pontavi
