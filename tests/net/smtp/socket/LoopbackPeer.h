#pragma once
// The far end of a test connection: plain blocking POSIX sockets on 127.0.0.1, port 0, driven by
// the test between its waits.

#include "platform/FdHandle.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>

namespace loopback {

inline sockaddr_in address(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    return a;
}

inline int localPort(int fd)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
}

// A listening TCP socket on 127.0.0.1 and a free port.
class Listener {
public:
    Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        const sockaddr_in a = address(0);
        if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_.get(), 8) != 0)
            ADD_FAILURE() << "loopback listener failed";
        port_ = localPort(fd_.get());
    }
    int port() const { return port_; }
    std::string portText() const { return std::to_string(port_); }

    // The connection a client has completed (the handshake is done by then, so this returns).
    FdHandle accept(int timeoutMs = 5000)
    {
        pollfd p{fd_.get(), POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) return {};
        return FdHandle(::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    }

private:
    FdHandle fd_;
    int port_ = 0;
};

inline bool sendAll(int fd, const std::string& data)
{
    std::size_t off = 0;
    while (off < data.size()) {
        const auto n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
        if (n <= 0) return false;
        off += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads until `count` bytes came, the peer closed or nothing arrived for `timeoutMs`.
inline std::string readBytes(int fd, std::size_t count, int timeoutMs = 5000)
{
    std::string out;
    char buf[65536];
    while (out.size() < count) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) != 1) break;
        const auto n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

// Closing with SO_LINGER 0 sends a reset instead of a FIN.
inline void resetConnection(FdHandle& fd)
{
    linger l{1, 0};
    setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &l, sizeof l);
    (void)fd.reset();
}

}  // namespace loopback
