#include "SockTestSupport.h"

#include "platform/Wait.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace socktest {

namespace {

// The event loop the component waits on; made once for the whole test program, unless the
// program's own main has made one already.
class AppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (QCoreApplication::instance()) return;
        static int argc = 1;
        static char name[] = "test_ftp_socket";
        static char* argv[] = {name, nullptr};
        app_ = new QCoreApplication(argc, argv);
    }

private:
    QCoreApplication* app_ = nullptr;  // lives until the process ends
};

[[maybe_unused]] ::testing::Environment* const gApp =
    ::testing::AddGlobalTestEnvironment(new AppEnvironment);

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void limitIo(int fd)
{
    const timeval limit{10, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

}  // namespace

Listener::Listener(int backlog) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address = loopback(0);
    if (::bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_.get(), backlog) != 0)
        throw std::runtime_error("loopback listener failed");
    socklen_t length = sizeof address;
    ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

FdHandle Listener::accept()
{
    pollfd p{fd_.get(), POLLIN, 0};
    if (::poll(&p, 1, 10000) != 1) return {};
    FdHandle peer(::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC));
    if (peer) limitIo(peer.get());
    return peer;
}

FdHandle connectLoopback(int port)
{
    FdHandle fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    limitIo(fd.get());
    const sockaddr_in address = loopback(port);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return {};
    return fd;
}

void sendAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string recvAll(int fd)
{
    std::string out;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return out;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string recvSome(int fd, std::size_t n)
{
    std::string out;
    char buffer[65536];
    while (out.size() < n) {
        const ssize_t got = ::recv(fd, buffer, std::min(sizeof buffer, n - out.size()), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        out.append(buffer, static_cast<std::size_t>(got));
    }
    return out;
}

void closeWithReset(FdHandle& fd)
{
    const linger reset{1, 0};
    ::setsockopt(fd.get(), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    fd.reset();
}

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "ftpsock-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string makeBytes(std::size_t n, unsigned seed)
{
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

void writeFile(const std::string& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool pumpUntil(const std::function<bool()>& condition, int ms)
{
    return waiting::waitUntil(condition, ms) == waiting::WaitResult::Condition;
}

void later(int ms, std::function<void()> action)
{
    QTimer::singleShot(ms, QCoreApplication::instance(), std::move(action));
}

}  // namespace socktest

namespace socktest {
void later(int ms, QObject* context, std::function<void()> action)
{
    QTimer::singleShot(ms, context, std::move(action));
}
std::string failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no failure)";
}

}  // namespace socktest
