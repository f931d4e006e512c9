// Lookups, settings, errors, listening and datagrams of the mail socket, on 127.0.0.1 only.
#include "LoopbackPeer.h"
#include "net/smtp/socket/AsyncSocket.h"
#include "platform/ByteText.h"
#include "platform/Guard.h"
#include "platform/Wait.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <vector>

namespace {

using waiting::WaitResult;

bool waitFor(const std::function<bool()>& cond, int ms = 5000)
{
    return waiting::waitUntil(cond, ms) == WaitResult::Condition;
}

std::string raisedBy(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ESockError& e) {
        return e.what();
    }
    return "(nothing raised)";
}

// Records every lookup-done call.
struct LookupLog {
    std::vector<int> codes;
    void attach(TAsyncSocket& s)
    {
        s.OnDnsLookupDone = [this](TCustomAsyncSocket*, std::uint16_t e) { codes.push_back(e); };
    }
};

TEST(AsyncSocketLookup, AnswersAndCodes)
{
    struct Case {
        const char* name;
        bool reverse;
        bool answeredBeforeReturn;
        std::set<int> codes;
        const char* result;  // expected DnsResult, or "" for "any"
    } cases[] = {
        {"127.0.0.1", false, true, {0}, "127.0.0.1"},
        {"localhost", false, false, {0}, "127.0.0.1"},
        // A resolver without a reachable name server says "try again" instead of "no such name".
        {"no-such-host.invalid", false, false, {11001, 11002}, ""},
        {"127.0.0.1", true, false, {0}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.reverse ? " (reverse)" : ""));
        TAsyncSocket s;
        LookupLog log;
        log.attach(s);
        if (c.reverse)
            s.ReverseDnsLookup(c.name);
        else
            s.DnsLookup(c.name);
        EXPECT_EQ(log.codes.size(), c.answeredBeforeReturn ? 1u : 0u);
        ASSERT_TRUE(waitFor([&] { return !log.codes.empty(); }, 15000));
        waiting::pauseFor(20);
        ASSERT_EQ(log.codes.size(), 1u);
        EXPECT_TRUE(c.codes.count(log.codes[0])) << log.codes[0];
        if (*c.result) {
            EXPECT_EQ(s.DnsResult(), c.result);
        }
        if (log.codes[0] == 0 && !c.answeredBeforeReturn) {
            ASSERT_FALSE(s.DnsResultList().empty());
            EXPECT_EQ(s.DnsResult(), s.DnsResultList().front());
            EXPECT_FALSE(s.DnsResult().empty());
        }
    }
}

TEST(AsyncSocketLookup, EmptyNameIsRefused)
{
    TAsyncSocket s;
    LookupLog log;
    log.attach(s);
    EXPECT_EQ(raisedBy([&] { s.DnsLookup(""); }), "DNS lookup: invalid host name.");
    EXPECT_TRUE(log.codes.empty());

    int errors = 0;
    s.OnError = [&](TCustomAsyncSocket*) { ++errors; };
    s.DnsLookup("");
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(log.codes, std::vector<int>{10022});
}

TEST(AsyncSocketLookup, CancelReportsOnceAndDropsTheLateAnswer)
{
    TAsyncSocket s;
    LookupLog log;
    log.attach(s);
    s.DnsLookup("localhost");
    s.CancelDnsLookup();
    EXPECT_EQ(log.codes, std::vector<int>{10004});
    s.CancelDnsLookup();  // nothing pending: nothing to report
    waiting::pauseFor(200);
    EXPECT_EQ(log.codes, std::vector<int>{10004});

    // A socket freed with a lookup running is not called back.
    auto doomed = std::make_unique<TAsyncSocket>();
    LookupLog late;
    late.attach(*doomed);
    doomed->DnsLookup("localhost");
    doomed.reset();
    waiting::pauseFor(200);
    EXPECT_TRUE(late.codes.empty());
}

TEST(AsyncSocketSettings, PortValues)
{
    struct Case {
        const char* value;
        int port;  // 0: refused
    } cases[] = {
        {"smtp", 25}, {"25", 25}, {"25x", 25}, {" 21 ", 21}, {"65535", 65535},
        {"70000", 0}, {"65536", 0}, {"99999999999999999999", 0}, {"no-such-service", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        TAsyncSocket s;
        if (c.port) {
            s.SetPort(c.value);
            EXPECT_EQ(s.PortNumber(), c.port);
        } else {
            const std::string trimmed = bytetext::trim(c.value);
            EXPECT_EQ(raisedBy([&] { s.SetPort(c.value); }), "SetPort: Cannot convert port '" + trimmed + "'");
            EXPECT_EQ(s.PortNumber(), 0);
        }
    }
}

TEST(AsyncSocketSettings, ProtoValues)
{
    TAsyncSocket s;
    s.SetProto("udp");
    EXPECT_TRUE(s.IsDatagram());
    EXPECT_EQ(s.ProtocolNumber(), 17);
    s.SetProto("6");
    EXPECT_FALSE(s.IsDatagram());
    s.SetProto("17");
    EXPECT_TRUE(s.IsDatagram());
    EXPECT_EQ(raisedBy([&] { s.SetProto("bogus"); }), "SetProto: Cannot convert protocol 'bogus'");
    EXPECT_EQ(raisedBy([&] { s.SetSendFlags(static_cast<TSocketSendFlags>(7)); }), "Invalid SendFlags");
}

TEST(AsyncSocketSettings, ChangesRefusedWhileOpen)
{
    TAsyncSocket s;
    s.SetAddr("127.0.0.1");
    s.SetPort("0");
    s.Listen();
    ASSERT_EQ(s.State(), wsListening);
    EXPECT_EQ(raisedBy([&] { s.SetPort("26"); }), "Cannot change Port if not closed");
    EXPECT_EQ(raisedBy([&] { s.SetAddr("127.0.0.2"); }), "Cannot change Addr if not closed");
    EXPECT_EQ(raisedBy([&] { s.SetProto("udp"); }), "Cannot change Proto if not closed");
    EXPECT_EQ(raisedBy([&] { s.SetPort("0"); }), "(nothing raised)");  // the same value is no change
    EXPECT_EQ(s.Port(), "0");
}

TEST(AsyncSocketSettings, ConnectNeedsItsSettings)
{
    TAsyncSocket s;
    EXPECT_EQ(raisedBy([&] { s.Connect(); }), "Connect: No Port Specified");
    s.SetPort("25");
    EXPECT_EQ(raisedBy([&] { s.Connect(); }), "Connect: No IP Address Specified");
    s.SetAddr("no-such-host.invalid");
    EXPECT_EQ(raisedBy([&] { s.Connect(); }), "SetAddr: Cannot convert host address 'no-such-host.invalid'");
    EXPECT_EQ(s.State(), wsClosed);
    s.SetProto("");
    s.SetAddr("127.0.0.1");
    EXPECT_EQ(raisedBy([&] { s.Connect(); }), "Connect: No Protocol Specified");
}

TEST(AsyncSocketSettings, SendWhileClosed)
{
    const std::string text = "Error 10057 in function Send\r\nSocket is not connected";
    TAsyncSocket s;
    EXPECT_EQ(raisedBy([&] { s.SendStr("x"); }), text);

    int errors = 0;
    s.OnError = [&](TCustomAsyncSocket*) { ++errors; };
    EXPECT_EQ(s.SendStr("x"), -1);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(s.LastError(), 10057);
    EXPECT_EQ(TAsyncSocket::ErrorText(99999), "Not a WinSock error");
}

TEST(AsyncSocketListen, AcceptAndDupCarryAConversation)
{
    TAsyncSocket server, session, client;
    EXPECT_EQ(raisedBy([&] { (void)server.Accept(); }),
              "Error 10022 in function not a listening socket\r\nInvalid argument");
    EXPECT_EQ(raisedBy([&] { server.Listen(); }), "listen: port not assigned");
    server.SetAddr("127.0.0.1");
    server.SetPort("0");
    server.Listen();
    const std::string port = server.GetXPort();
    ASSERT_NE(port, "error");
    ASSERT_NE(port, "0");

    std::vector<int> available;
    server.OnSessionAvailable = [&](TCustomAsyncSocket* sender, std::uint16_t e) {
        available.push_back(e);
        session.Dup(sender->Accept());
    };
    std::string atServer, atClient;
    session.OnDataAvailable = [&](TCustomAsyncSocket* s, std::uint16_t) { atServer += s->ReceiveStr(); };
    client.OnDataAvailable = [&](TCustomAsyncSocket* s, std::uint16_t) { atClient += s->ReceiveStr(); };

    client.SetAddr("127.0.0.1");
    client.SetPort(port);
    client.Connect();
    ASSERT_TRUE(waitFor([&] { return client.State() == wsConnected && session.State() == wsConnected; }));
    EXPECT_EQ(available, std::vector<int>{0});
    EXPECT_EQ(session.GetPeerAddr(), "127.0.0.1");
    EXPECT_EQ(client.GetPeerAddr(), "127.0.0.1");

    client.SendStr("ping");
    ASSERT_TRUE(waitFor([&] { return atServer == "ping"; }));
    session.SendStr("pong");
    ASSERT_TRUE(waitFor([&] { return atClient == "pong"; }));
    EXPECT_EQ(server.State(), wsListening);  // still takes more
}

TEST(AsyncSocketDatagram, SendAndReceiveFrom)
{
    TAsyncSocket receiver, sender;
    receiver.SetProto("udp");
    receiver.SetAddr("127.0.0.1");
    receiver.SetPort("0");
    receiver.Listen();
    const std::string port = receiver.GetXPort();
    ASSERT_NE(port, "error");

    std::string got;
    sockaddr_in from{};
    receiver.OnDataAvailable = [&](TCustomAsyncSocket* s, std::uint16_t) {
        char buf[2048];
        const int n = s->ReceiveFrom(buf, sizeof buf, from);
        if (n > 0) got.assign(buf, static_cast<std::size_t>(n));
    };

    std::vector<int> connected;
    sender.OnSessionConnected = [&](TCustomAsyncSocket*, std::uint16_t e) { connected.push_back(e); };
    sender.SetProto("udp");
    sender.SetAddr("127.0.0.1");
    sender.SetPort(port);
    sender.Connect();
    EXPECT_EQ(connected, std::vector<int>{0});  // at once, inside Connect
    EXPECT_EQ(sender.State(), wsConnected);

    sender.SendStr("datagram");
    ASSERT_TRUE(waitFor([&] { return !got.empty(); }));
    EXPECT_EQ(got, "datagram");
    EXPECT_EQ(ntohl(from.sin_addr.s_addr), INADDR_LOOPBACK);
    EXPECT_EQ(std::to_string(ntohs(from.sin_port)), sender.GetXPort());
}

}  // namespace
