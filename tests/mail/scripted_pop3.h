#pragma once

#include <functional>
#include <string>
#include <vector>

#include "net/line_socket.h"
#include "net/server_socket.h"
#include "net/socket_layer.h"
#include "net/tls_context.h"

namespace pontavi {

// One message as the scripted server holds it: its header lines.
using Headers = std::vector<std::string>;

// A POP3 server on loopback, driven by the same loop as the session. It
// answers like a plain server by default; each test changes what it needs.
class ScriptedPop3 {
  public:
    ScriptedPop3(SocketLayer& layer, const std::string& address, const std::string& port)
        : server_(layer) {
        server_.OnAccept = [this](TSockCtrl&, TSocketBase* socket) {
            auto* c = dynamic_cast<TLineSocket*>(socket);
            c->setWriteBufferSize(4 << 20);
            c->OnLine = [this](TLineSocketBase& conn, const std::string& line, bool) {
                received.push_back(line);
                answer(conn, line);
            };
            ++connections;
            if (tls != nullptr) {
                c->OnHandshake = [this](TSocketBase& s) {
                    handshakes.push_back(s.Encrypted() ? "ok" : s.TlsFailure());
                    if (s.Encrypted() && !greeting.empty()) {
                        send(dynamic_cast<TLineSocket&>(s), greeting + "\r\n");
                    }
                };
                c->StartTls(*tls, "");
                return;
            }
            if (!greeting.empty()) {
                send(*c, greeting + "\r\n");
            }
        };
        server_.setAddress(address);
        server_.setPort(port);
        server_.Listen<TLineSocket>();
    }

    int Port() const { return server_.LocalPort(); }

    static void send(TLineSocketBase& c, const std::string& bytes) {
        std::size_t at = 0;
        while (at < bytes.size()) {
            at += c.Write(bytes.data() + at, bytes.size() - at);
            c.Flush();
        }
    }

    std::string greeting = "+OK POP3 ready";
    std::string password = "secret";
    std::vector<Headers> mailbox;
    std::string statReply;  // empty: "+OK <count> <size>"
    std::string quitReply = "+OK bye";
    bool closeOnQuit = true;
    // TLS from the first byte (the greeting follows the handshake).
    const TlsContext* tls = nullptr;
    // Offers STLS in its CAPA reply and upgrades on "+OK" to it.
    const TlsContext* startTls = nullptr;
    std::string capaReply;  // empty: "+OK", USER, TOP, STLS when offered, "."
    std::string stlsReply = "+OK Begin TLS negotiation";
    bool pipelining = false;  // CAPA lists PIPELINING
    // "uidl" lists these ids in message order; without any it is unknown.
    std::vector<std::string> uids;
    std::string uidlReply;  // replaces the listing of `uids` when set
    std::string listReply;  // empty: each message's header bytes as its size
    // TOPs are answered only once this many wait: only a pipelining client
    // gets its answers.
    std::size_t holdTops = 0;
    std::vector<std::string> handshakes;
    // Answers a command instead of the default; true when it did.
    std::function<bool(TLineSocketBase&, const std::string&)> custom;
    std::vector<std::string> received;
    int connections = 0;

  private:
    void answer(TLineSocketBase& c, const std::string& line) {
        if (custom && custom(c, line)) {
            return;
        }
        if (line == "CAPA" || line == "capa") {
            send(c, !capaReply.empty()
                        ? capaReply
                        : std::string("+OK Capability list follows\r\nUSER\r\nTOP\r\n") +
                              (startTls != nullptr ? "STLS\r\n" : "") +
                              (pipelining ? "PIPELINING\r\n" : "") + ".\r\n");
        } else if (line == "uidl" && (!uids.empty() || !uidlReply.empty())) {
            std::string reply = "+OK\r\n";
            for (std::size_t i = 0; i < uids.size(); ++i) {
                reply += std::to_string(i + 1) + " " + uids[i] + "\r\n";
            }
            send(c, uidlReply.empty() ? reply + ".\r\n" : uidlReply);
        } else if (line == "list") {
            std::string reply = "+OK\r\n";
            for (std::size_t i = 0; i < mailbox.size(); ++i) {
                std::size_t size = 0;
                for (const auto& h : mailbox[i]) {
                    size += h.size() + 2;
                }
                reply += std::to_string(i + 1) + " " + std::to_string(size) + "\r\n";
            }
            send(c, listReply.empty() ? reply + ".\r\n" : listReply);
        } else if (line.rfind("top ", 0) == 0 && holdTops > 0) {
            held_.push_back(line);
            if (held_.size() >= holdTops) {
                for (const auto& top : std::exchange(held_, {})) {
                    answerTop(c, top);
                }
            }
        } else if (line == "STLS") {
            send(c, stlsReply + "\r\n");
            if (startTls != nullptr && stlsReply.rfind("+OK", 0) == 0) {
                c.OnHandshake = [this](TSocketBase& s) {
                    handshakes.push_back(s.Encrypted() ? "ok" : s.TlsFailure());
                };
                c.StartTls(*startTls, "");
            }
        } else if (line.rfind("user ", 0) == 0) {
            send(c, "+OK\r\n");
        } else if (line.rfind("pass ", 0) == 0) {
            send(c, line.substr(5) == password ? "+OK logged in\r\n" : "-ERR invalid password\r\n");
        } else if (line == "stat") {
            send(c, (statReply.empty() ? "+OK " + std::to_string(mailbox.size()) + " 4500"
                                       : statReply) +
                        "\r\n");
        } else if (line.rfind("top ", 0) == 0) {
            answerTop(c, line);
        } else if (line == "quit") {
            send(c, quitReply + "\r\n");
            if (closeOnQuit) {
                c.Close();
            }
        } else {
            send(c, "-ERR unknown command\r\n");
        }
    }

    void answerTop(TLineSocketBase& c, const std::string& line) {
        const std::size_t n = std::stoul(line.substr(4));
        if (n < 1 || n > mailbox.size()) {
            send(c, "-ERR no such message\r\n");
            return;
        }
        std::string reply = "+OK\r\n";
        for (const auto& h : mailbox[n - 1]) {
            reply += h + "\r\n";
        }
        send(c, reply + "\r\n.\r\n");
    }

    TServerSocket server_;
    std::vector<std::string> held_;
};

inline Headers Message(const std::string& from, const std::string& subject,
                       const std::string& id = "") {
    Headers h{"Return-Path: <x@y>", "From: " + from, "Subject: " + subject};
    if (!id.empty()) {
        h.push_back("Message-ID: " + id);
    }
    return h;
}

}  // namespace pontavi
