#include "FakeFtpServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <thread>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ftpfake {

namespace {

void limitIo(int fd)
{
    const timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    // Replies are written piecemeal; without this each one waits for a delayed ACK.
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

bool sendAll(int fd, const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int connectToPort(const std::string& portLine)
{
    unsigned h1, h2, h3, h4, p1, p2;
    if (std::sscanf(portLine.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) != 6) return -1;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    limitIo(fd);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(p1 * 256 + p2));
    address.sin_addr.s_addr = htonl((h1 << 24) | (h2 << 16) | (h3 << 8) | h4);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool Session::send(const std::string& text) { return fd_ >= 0 && sendAll(fd_, text); }

void Session::sendData(const std::string& bytes, int pauseMs)
{
    const int fd = connectToPort(lastPort);
    if (fd < 0) return;
    sendAll(fd, bytes);
    if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    ::close(fd);
}

std::string Session::receiveData(const std::function<void(std::size_t)>& received)
{
    const int fd = connectToPort(lastPort);
    std::string out;
    char buf[16384];
    for (ssize_t n; fd >= 0 && (n = ::recv(fd, buf, sizeof buf, 0)) > 0;) {
        out.append(buf, static_cast<std::size_t>(n));
        if (received) received(out.size());
    }
    if (fd >= 0) ::close(fd);
    return out;
}

void Session::sendDataAndHold(const std::string& bytes)
{
    const int fd = connectToPort(lastPort);
    if (fd < 0) return;
    sendAll(fd, bytes);
    char buf[4096];
    while (::recv(fd, buf, sizeof buf, 0) > 0) {
    }
    ::close(fd);
}

void Session::close()
{
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

void standardReply(Session& s, const std::string& line)
{
    const std::string verb = line.substr(0, line.find(' '));
    if (verb == "USER") s.send("331 Password required\r\n");
    else if (verb == "PASS") s.send("230 Logged in\r\n");
    else if (verb == "PORT") {
        s.lastPort = line;
        s.send("200 PORT command successful\r\n");
    } else if (verb == "TYPE") s.send("200 Type set\r\n");
    else if (verb == "QUIT") {
        s.send("221 Goodbye\r\n");
        s.close();
    } else s.send("500 Unknown command\r\n");
}

FakeFtpServer::FakeFtpServer(std::function<void(Session&)> start, Handler handler)
    : start_(std::move(start)), handler_(std::move(handler))
{
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 1);
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

FakeFtpServer::~FakeFtpServer()
{
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
}

std::vector<std::string> FakeFtpServer::lines()
{
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    return lines_;
}

void FakeFtpServer::serve()
{
    pollfd p{listener_, POLLIN, 0};
    if (::poll(&p, 1, 10000) != 1) return;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    limitIo(fd);
    Session session(fd);
    if (start_) start_(session);
    std::string buffer;
    char chunk[4096];
    while (!session.closed()) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        buffer.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t lf; !session.closed() && (lf = buffer.find('\n')) != std::string::npos;) {
            std::string line = buffer.substr(0, lf);
            buffer.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            {
                std::lock_guard lock(mutex_);
                lines_.push_back(line);
            }
            handler_(session, line);
        }
    }
    session.close();
}

}  // namespace ftpfake
