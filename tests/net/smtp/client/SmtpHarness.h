#pragma once
// Test harness for the SMTP client: a driver that starts requests and waits for their posted
// end, and a scripted fake server on its own thread for replies a real server will not give.

#include "net/smtp/client/SmtpSender.h"
#include "platform/FdHandle.h"
#include "platform/Wait.h"
#include "tests/net/smtp/socket/LoopbackPeer.h"

#include <QDeadlineTimer>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>
#include <vector>

namespace smtptest {

// Pumps events until the condition holds or the bound passes; for conditions no event announces.
inline bool pumpUntil(const std::function<bool()>& cond, int ms = 5000)
{
    const QDeadlineTimer deadline(ms);
    while (!cond()) {
        if (deadline.hasExpired()) return false;
        waiting::pauseFor(2);
    }
    return true;
}

struct Done {
    TSmtpRequest rq;
    int error;
};

// A client with its events recorded; body texts come from `body`.
class Driver {
public:
    Driver()
    {
        client.OnRequestDone = [this](TCustomSmtpSender*, TSmtpRequest rq, std::uint16_t e) { done.push_back({rq, e}); };
        client.OnDisplay = [this](TCustomSmtpSender*, const std::string& m) { display.push_back(m); };
        client.OnGetData = [this](TCustomSmtpSender*, int n, std::string& line, int, bool& more) {
            if (n > static_cast<int>(body.size())) {
                more = false;
                return;
            }
            line = body[static_cast<std::size_t>(n - 1)];
        };
        client.Host = "127.0.0.1";
        client.SignOn = "client.test";
        client.FromName = "sender@x.test";
        client.SetRcptName({"rcpt@y.test"});
    }

    // Starts a request and waits for its end; the error, or -1 when it never ended.
    int request(const std::function<void()>& start, int ms = 5000)
    {
        const std::size_t before = done.size();
        start();
        // The end is posted: it never arrives inside the starting call.
        EXPECT_EQ(done.size(), before);
        if (waiting::waitUntil([&] { return done.size() > before; }, ms) != waiting::WaitResult::Condition)
            return -1;
        last = done.back();
        return last.error;
    }

    TSmtpSender client;
    std::vector<Done> done;
    Done last{smtpConnect, -1};
    std::vector<std::string> display;
    std::vector<std::string> body{"Hello"};
};

// A scripted SMTP server: sends `greeting`, then answers each command line with `reply(line)`
// (nothing when it returns ""). After a 354 it takes text lines until ".", without replies.
class FakeServer {
public:
    using Reply = std::function<std::string(const std::string& line)>;

    FakeServer(std::string greeting, Reply reply) : greeting_(std::move(greeting)), reply_(std::move(reply))
    {
        thread_ = std::thread([this] { Serve(); });
    }
    ~FakeServer()
    {
        stop_ = true;
        thread_.join();
    }

    std::string port() const { return listener_.portText(); }
    std::vector<std::string> commands() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return commands_;
    }
    std::vector<std::string> text() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    bool peerClosed() const { return peerClosed_; }

    // Common replies: the usual positive answer to each command.
    static std::string usual(const std::string& line)
    {
        if (line.rfind("HELO", 0) == 0 || line.rfind("MAIL", 0) == 0 || line.rfind("RCPT", 0) == 0 ||
            line.rfind("RSET", 0) == 0 || line == ".")
            return "250 OK\r\n";
        if (line == "DATA") return "354 go ahead\r\n";
        if (line == "QUIT") return "221 bye\r\n";
        return "500 what\r\n";
    }

private:
    void Serve()
    {
        FdHandle conn;
        while (!stop_ && !conn.valid()) conn = listener_.accept(50);
        if (!conn.valid()) return;
        loopback::sendAll(conn.get(), greeting_);
        std::string pending;
        bool inText = false;
        char buf[65536];
        while (!stop_) {
            pollfd p{conn.get(), POLLIN, 0};
            if (::poll(&p, 1, 50) != 1) continue;
            const auto n = ::recv(conn.get(), buf, sizeof buf, 0);
            if (n <= 0) {
                peerClosed_ = true;
                return;
            }
            pending.append(buf, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find("\r\n")) != std::string::npos;) {
                const std::string line = pending.substr(0, end);
                pending.erase(0, end + 2);
                if (inText && line != ".") {
                    std::lock_guard<std::mutex> lock(mutex_);
                    text_.push_back(line);
                    continue;
                }
                inText = false;
                {
                    std::lock_guard<std::mutex> lock(mutex_);
                    commands_.push_back(line);
                }
                const std::string answer = reply_(line);
                if (answer.rfind("354", 0) == 0) inText = true;
                if (!answer.empty()) loopback::sendAll(conn.get(), answer);
            }
        }
    }

    loopback::Listener listener_;
    std::string greeting_;
    Reply reply_;
    mutable std::mutex mutex_;
    std::vector<std::string> commands_, text_;
    std::atomic<bool> stop_{false}, peerClosed_{false};
    std::thread thread_;
};

}  // namespace smtptest
