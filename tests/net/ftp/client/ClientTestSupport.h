#pragma once
// Shared pieces of the FTP client tests.

#include "net/ftp/FtpSession.h"

#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace clienttest {

inline std::string failureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no failure)";
}

// A client for 127.0.0.1:port whose every wait is bounded, so a fault fails the test instead
// of stalling the run.
inline std::unique_ptr<TFtpSession> client(int port, const std::string& user = "tester",
                                           const std::string& password = "s3cret")
{
    auto s = std::make_unique<TFtpSession>();
    s->Host = "127.0.0.1";
    s->Port = port;
    s->UserID = user;
    s->Password = password;
    s->Timeout = 10000;
    return s;
}

// Every level-1 status a client reports, in order.
inline std::vector<std::string>& recordStatus(TFtpSession& s, std::vector<std::string>& log)
{
    s.OnStatus = [&log](QObject*, const std::string& text) { log.push_back(text); };
    return log;
}

inline std::string makeBytes(std::size_t n, unsigned seed)
{
    std::string out(n, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (auto& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

inline void writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace clienttest
