#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/unique_fd.h"
#include "fakes/fake_resolver.h"
#include "net/client_socket.h"
#include "net/line_socket.h"
#include "net/server_socket.h"
#include "net/socket_layer.h"
#include "net/stream_socket.h"
#include "platform/linux/poll_loop.h"

namespace pontavi {

// A virtual-clock loop, a fake resolver and a socket layer whose handler
// errors are collected instead of printed.
class NetTest : public ::testing::Test {
  protected:
    NetTest() {
        layer.OnHandlerError = [this](const std::string& message) {
            handlerErrors.push_back(message);
        };
    }

    // Starts `server` listening on a free loopback port; returns the port.
    template <typename T>
    int listenOnLoopback(TServerSocket& server) {
        server.setAddress("127.0.0.1");
        server.setPort("0");
        server.Listen<T>();
        return server.LocalPort();
    }

    // Points `client` at a loopback port.
    static void aimAt(TClientSocket& client, int port) {
        client.setAddress("127.0.0.1");
        client.setPort(std::to_string(port));
    }

    // A plain blocking peer on loopback, outside the layer.
    static UniqueFd connectRaw(int port) {
        UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(static_cast<std::uint16_t>(port));
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
            ADD_FAILURE() << "connect to port " << port << " failed";
        }
        return fd;
    }
    static void sendRaw(const UniqueFd& fd, const std::string& bytes) {
        ASSERT_EQ(::send(fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // What the peer has received within `waitMs` of real time.
    static std::string receiveRaw(const UniqueFd& fd, int waitMs = 200) {
        std::string got;
        pollfd p{fd.get(), POLLIN, 0};
        while (::poll(&p, 1, waitMs) == 1) {
            char buffer[4096];
            const ssize_t n = ::recv(fd.get(), buffer, sizeof buffer, 0);
            if (n <= 0) {
                break;
            }
            got.append(buffer, static_cast<std::size_t>(n));
            waitMs = 20;
        }
        return got;
    }

    bool runUntil(const std::function<bool()>& done, Millis limit = 5000) {
        return loop.runUntil(done, limit);
    }

    PollLoop loop{PollLoop::ClockKind::Virtual};
    FakeResolver resolver{loop};
    SocketLayer layer{loop, resolver};
    std::vector<std::string> handlerErrors;
};

}  // namespace pontavi
