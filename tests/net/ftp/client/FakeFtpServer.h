#pragma once
// A scripted FTP server for the replies real servers won't give (a 426 after the data, a 150
// and then no data connection, a dropped control connection, odd greetings). It serves one
// control connection on 127.0.0.1 from a thread of its own, with blocking sockets limited to
// 10 s per call, and records every command line it receives.

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ftpfake {

class Session {
public:
    explicit Session(int fd) : fd_(fd) {}
    // False once the client has gone.
    bool send(const std::string& text);
    // Connects to the address of the last PORT command, sends `bytes`, waits `pauseMs` and closes.
    void sendData(const std::string& bytes, int pauseMs = 0);
    // Connects to the last PORT address and reads until the client closes; `received` (when
    // given) hears the count so far after every read.
    std::string receiveData(const std::function<void(std::size_t)>& received = {});
    // Connects to the last PORT address, sends `bytes`, then holds the connection open until
    // the client closes it (a transfer that stalls half way).
    void sendDataAndHold(const std::string& bytes);
    void close();  // drops the control connection
    bool closed() const { return fd_ < 0; }
    std::string lastPort;

private:
    int fd_;
};

using Handler = std::function<void(Session&, const std::string& line)>;

// The replies of a plain server: USER 331, PASS 230, PORT/TYPE 200, QUIT 221 (and close),
// anything else 500.
void standardReply(Session& s, const std::string& line);

class FakeFtpServer {
public:
    // `start` runs when the client has connected (it sends the greeting); `handler` gets every
    // command line without its line end.
    FakeFtpServer(std::function<void(Session&)> start, Handler handler);
    ~FakeFtpServer();
    int port() const { return port_; }
    // The command lines received; waits for the session to end first.
    std::vector<std::string> lines();

private:
    void serve();

    int listener_ = -1;
    int port_ = 0;
    std::function<void(Session&)> start_;
    Handler handler_;
    std::mutex mutex_;
    std::vector<std::string> lines_;
    std::thread thread_;
};

}  // namespace ftpfake
