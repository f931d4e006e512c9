#pragma once
// Loopback peers for the socket tests: plain blocking POSIX sockets on 127.0.0.1, driven from a
// thread of their own or from timers of the component's event loop.

#include "platform/FdHandle.h"

#include <functional>
#include <string>
#include <string_view>
#include <thread>

class QObject;

namespace socktest {


// A listening socket on 127.0.0.1 and a free port.
class Listener {
public:
    explicit Listener(int backlog = 8);
    int port() const { return port_; }
    // Blocks until a connection is there (at most 10 s); invalid on failure.
    FdHandle accept();

private:
    FdHandle fd_;
    int port_ = 0;
};

// A blocking connection to 127.0.0.1:port with 10 s send and receive limits.
FdHandle connectLoopback(int port);

void sendAll(int fd, std::string_view bytes);
std::string recvAll(int fd);                 // until the peer closes or an error
std::string recvSome(int fd, std::size_t n);  // exactly n bytes unless the peer closes first
void closeWithReset(FdHandle& fd);           // the peer sees a reset, not an end

// Runs a peer on its own thread and joins it when it goes out of scope.
class PeerThread {
public:
    explicit PeerThread(std::function<void()> body) : thread_(std::move(body)) {}
    ~PeerThread() { join(); }
    void join()
    {
        if (thread_.joinable()) thread_.join();
    }

private:
    std::thread thread_;
};

// A temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string makeBytes(std::size_t n, unsigned seed = 1);
void writeFile(const std::string& path, std::string_view bytes);
std::string readFile(const std::string& path);

// The message of what `action` throws, or "(no failure)".
std::string failureOf(const std::function<void()>& action);

// Runs the event loop until `condition` holds or `ms` passed; true when it held.
bool pumpUntil(const std::function<bool()>& condition, int ms = 5000);
// Calls `action` from the event loop after `ms` milliseconds (not once `context` is gone).
void later(int ms, std::function<void()> action);
void later(int ms, QObject* context, std::function<void()> action);

}  // namespace socktest
