#pragma once
// Shared pieces of the FTP client tests.

#include "net/ftp/FtpSession.h"
#include "tests/net/ftp/socket/SockTestSupport.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace clienttest {

using socktest::failureOf;
using socktest::makeBytes;
using socktest::readFile;
using socktest::writeFile;

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

}  // namespace clienttest
