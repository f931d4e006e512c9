#pragma once
// A port on 127.0.0.1 where nothing listens, for as long as this object lives. The port stays
// bound (without listening), so a test running beside this one cannot take it: a connect there
// is refused.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

class ClosedPort {
public:
    ClosedPort() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof a;
        if (fd_ >= 0 && ::bind(fd_, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~ClosedPort()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};
