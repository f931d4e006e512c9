#pragma once
// A component connected to a loopback peer, for the tests that read and write through it.

#include "SockTestSupport.h"

#include "net/ftp/socket/SockBase.h"

#include <gtest/gtest.h>

#include <memory>

namespace socktest {

class FtpSockConnected : public ::testing::Test {
protected:
    void SetUp() override
    {
        sock = std::make_unique<TSockBase>();
        sock->Host = "127.0.0.1";
        sock->Port = listener.port();
        sock->Connect();
        peer = listener.accept();
        ASSERT_TRUE(peer.valid());
        // A regression that hangs a wait fails the test instead of stalling the run.
        later(20000, sock.get(), [this] { sock->Cancel(); });
    }
    Listener listener;
    std::unique_ptr<TSockBase> sock;
    FdHandle peer;
    TempDir dir;
};

}  // namespace socktest
