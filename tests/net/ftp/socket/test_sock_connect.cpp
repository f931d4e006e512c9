// Lookup, connect and close of TSockBase against loopback peers.

#include "SockTestSupport.h"

#include "net/ftp/socket/SockBase.h"
#include "tests/support/ClosedPort.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

using namespace socktest;

namespace {

// A resolver that knows only "good.test" and fails every other name, as a name server would.
int fakeResolve(const std::string& name, std::uint32_t& address)
{
    if (name != "good.test") return 11001;
    address = htonl(INADDR_LOOPBACK);
    return 0;
}

class ResolverScope {
public:
    explicit ResolverScope(netsock::Resolver r) { netsock::SetResolverForTesting(std::move(r)); }
    ~ResolverScope() { netsock::SetResolverForTesting({}); }
};

// A loopback listener whose accept queue is full, so a further SYN goes unanswered. Empty when
// this system answers it anyway.
struct FullListener {
    std::unique_ptr<Listener> listener;
    std::vector<FdHandle> fillers;
};

std::optional<FullListener> fullListener()
{
    FullListener full{std::make_unique<Listener>(0), {}};
    for (int i = 0; i < 16; ++i) {
        FdHandle fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(full.listener->port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address);
        pollfd p{fd.get(), POLLOUT, 0};
        const bool done = ::poll(&p, 1, 300) == 1;
        full.fillers.push_back(std::move(fd));
        if (!done) return full;  // this one hangs: the queue is full
    }
    return std::nullopt;
}

}  // namespace

TEST(FtpSockConnect, DottedAddressSkipsLookupAndLocalhostIsResolved)
{
    Listener peer;
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        TSockBase sock;
        int resolved = 0, connected = 0;
        sock.OnHostResolved = [&](QObject*) { ++resolved; };
        sock.OnConnect = [&](QObject*) { ++connected; };
        sock.Host = host;
        sock.Port = peer.port();
        sock.Connect();
        EXPECT_TRUE(sock.Connected());
        EXPECT_EQ(connected, 1);
        EXPECT_EQ(resolved, std::string(host) == "localhost" ? 1 : 0);
        EXPECT_EQ(sock.RemoteAddress(), htonl(INADDR_LOOPBACK));
        EXPECT_EQ(failureOf([&] { sock.Connect(); }), "Already connected");
    }
}

TEST(FtpSockConnect, FailedLookupAsksOnceForAnotherHost)
{
    ResolverScope scope(fakeResolve);
    Listener peer;
    struct Case {
        const char* name;
        bool hasHandler;
        bool handled;
        const char* newHost;
        const char* failure;  // nullptr: connects
        int calls;
    } cases[] = {
        {"no handler", false, false, "", "Null Remote Address", 0},
        {"handler declines", true, false, "", "Null Remote Address", 1},
        {"handler gives a good host", true, true, "good.test", nullptr, 1},
        {"handler gives another bad host", true, true, "bad2.test", "Null Remote Address", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSockBase sock;
        int calls = 0, failed = 0;
        sock.Host = "bad.test";
        sock.Port = peer.port();
        sock.OnConnectionFailed = [&](QObject*) { ++failed; };
        if (c.hasHandler)
            sock.OnInvalidHost = [&](bool& handled) {
                ++calls;
                sock.Host = c.newHost;
                handled = c.handled;
            };
        const std::string failure = failureOf([&] { sock.Connect(); });
        EXPECT_EQ(failure, c.failure ? c.failure : "(no failure)");
        EXPECT_EQ(sock.Connected(), c.failure == nullptr);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(failed, 0);  // no connect was tried
    }
}

TEST(FtpSockConnect, ProxyIsDialledInsteadOfHost)
{
    ResolverScope scope(fakeResolve);
    Listener proxy;
    TSockBase sock;
    sock.Host = "bad.test";  // would fail if it were looked up
    sock.Port = 1;
    sock.Proxy = "good.test";
    sock.ProxyPort = proxy.port();
    sock.Connect();
    EXPECT_TRUE(sock.Connected());
    EXPECT_TRUE(proxy.accept().valid());
}

TEST(FtpSockConnect, LookupEndsOnTimeOutOrCancel)
{
    // Shared with the pool threads, which may wake after this test has returned.
    struct Gate {
        std::mutex mutex;
        std::condition_variable released;
        bool release = false;
    };
    const auto gate = std::make_shared<Gate>();
    ResolverScope scope([gate](const std::string&, std::uint32_t&) {
        std::unique_lock lock(gate->mutex);
        gate->released.wait(lock, [&] { return gate->release; });
        return 11002;
    });
    {
        TSockBase sock;
        sock.Host = "slow.test";
        sock.Timeout = 50;
        EXPECT_EQ(failureOf([&] { sock.Connect(); }), "Host Lookup Timed Out");
        EXPECT_TRUE(sock.TimedOut());
    }
    {
        TSockBase sock;
        sock.Host = "slow.test";
        later(20, [&] { sock.Cancel(); });
        EXPECT_EQ(failureOf([&] { sock.Connect(); }), "Host Lookup Canceled");
    }
    {
        std::lock_guard lock(gate->mutex);
        gate->release = true;
    }
    gate->released.notify_all();
    pumpUntil([] { return false; }, 20);  // the late answers arrive and are dropped
}

TEST(FtpSockConnect, ClosedPortWithoutTimeOutFailsAndTheNextConnectWorks)
{
    TSockBase sock;
    int failed = 0;
    sock.OnConnectionFailed = [&](QObject*) { ++failed; };
    sock.Host = "127.0.0.1";
    ClosedPort closed;
    sock.Port = closed.port();
    sock.Timeout = 0;
    EXPECT_EQ(failureOf([&] { sock.Connect(); }), "Connection Failed");
    EXPECT_EQ(failed, 1);
    EXPECT_EQ(sock.LastErrorNo(), 10061);
    EXPECT_FALSE(sock.Connected());

    Listener peer;
    sock.Port = peer.port();
    sock.Connect();
    EXPECT_TRUE(sock.Connected());
}

TEST(FtpSockConnect, UnansweredConnectEndsByTimeOutOrCancel)
{
    auto full = fullListener();
    if (!full) GTEST_SKIP() << "this system answers connects beyond a full accept queue";
    struct Case {
        const char* name;
        int timeout;
        bool cancel;
        const char* failure;
    } cases[] = {
        {"time-out", 100, false, "Connection Timed Out"},
        {"cancel", 0, true, "Connection Canceled"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSockBase sock;
        int failed = 0;
        sock.OnConnectionFailed = [&](QObject*) { ++failed; };
        sock.Host = "127.0.0.1";
        sock.Port = full->listener->port();
        sock.Timeout = c.timeout;
        if (c.cancel) later(50, [&] { sock.Cancel(); });
        EXPECT_EQ(failureOf([&] { sock.Connect(); }), c.failure);
        EXPECT_EQ(failed, 1);
        EXPECT_FALSE(sock.Connected());
    }
}

TEST(FtpSockConnect, StatusReportsPassTheReportLevel)
{
    struct Case {
        int level;
        std::vector<std::string> present;
        std::vector<std::string> absent;
    } cases[] = {
        {0, {}, {"Request Close Socket", "200 OK\r\n", "Connecting"}},
        {1, {"200 OK\r\n", "Request Close Socket"}, {"Sending Buffer", "Connecting", "Transaction"}},
        {4, {"Sending Buffer", "Request Close Socket"}, {"Connecting", "ReadLn"}},
        {8, {"Connecting", "Timer On", "Timer Off", "Transaction", "Writeln", "Write", "ReadLn",
             "ReadToStream", "WriteFromStream", "200 OK\r\n", "Disconnecting", "Request Close Socket"},
         {"Checking Error In Error Manager"}},
        {16, {"Connecting", "Checking Error In Error Manager"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        Listener listener;
        std::vector<std::string> seen;  // outlives the component, which reports as it goes
        TSockBase sock;
        sock.OnStatus = [&](QObject*, const std::string& s) { seen.push_back(s); };
        sock.ReportLevel = c.level;
        sock.Host = "127.0.0.1";
        sock.Port = listener.port();
        sock.Connect();
        FdHandle peer = listener.accept();
        sendAll(peer.get(), "200 OK\r\n");
        EXPECT_EQ(sock.Transaction("NOOP"), "200 OK\r\n");
        EXPECT_EQ(sock.ReplyNumber(), 200);
        // A bind on a socket that is already connected fails through the error manager.
        EXPECT_THROW(sock.Listen(true), ESockError);
        sock.Disconnect();
        for (const std::string& s : c.present)
            EXPECT_NE(std::find(seen.begin(), seen.end(), s), seen.end()) << s;
        for (const std::string& s : c.absent)
            EXPECT_EQ(std::find(seen.begin(), seen.end(), s), seen.end()) << s;
        EXPECT_EQ(sock.Status(), seen.empty() ? "" : seen.back());
    }
}

TEST(FtpSockConnect, CloseCompletesWhenAHandlerRaises)
{
    struct Case {
        const char* name;
        bool raiseInStatus;
    } cases[] = {{"status handler", true}, {"disconnect handler", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Listener listener;
        int disconnects = 0;
        TSockBase sock;
        sock.ReportLevel = 1;
        sock.OnStatus = [&](QObject*, const std::string& s) {
            if (c.raiseInStatus && s == "Request Close Socket") throw Exception("terminated");
        };
        sock.OnDisconnect = [&](QObject*) {
            ++disconnects;
            if (!c.raiseInStatus) throw Exception("Disconnected by peer!");
        };
        sock.Host = "127.0.0.1";
        sock.Port = listener.port();
        sock.Connect();
        // The peer goes away while nothing waits: the close notification's handler raises.
        listener.accept().reset();
        ASSERT_TRUE(pumpUntil([&] { return !sock.Connected(); }));
        later(3000, &sock, [&] { sock.Cancel(); });  // a half-closed socket would hang ReadLn
        EXPECT_EQ(disconnects, c.raiseInStatus ? 0 : 1);
        EXPECT_EQ(failureOf([&] { sock.ReadLn(); }), "Not Connected");
        EXPECT_EQ(failureOf([&] { sock.Writeln("NOOP"); }), "Not Connected");
        // Raised by a direct close, the failure leaves CloseSocket, which still finished.
        sock.Connect();
        EXPECT_EQ(failureOf([&] { sock.CloseSocket(); }),
                  c.raiseInStatus ? "terminated" : "Disconnected by peer!");
        EXPECT_FALSE(sock.Connected());
        sock.Connect();  // the socket was replaced
        EXPECT_TRUE(sock.Connected());
        sock.OnStatus = nullptr;
        sock.OnDisconnect = nullptr;
    }
}

TEST(FtpSockConnect, RequireConnectionAsksItsHandlerOnce)
{
    Listener listener;
    TSockBase sock;
    EXPECT_EQ(failureOf([&] { sock.RequireConnection(); }), "Not Connected");
    int calls = 0;
    sock.OnConnectionRequired = [&](bool& handled) {
        ++calls;
        handled = true;  // claims to handle it without connecting
    };
    EXPECT_EQ(failureOf([&] { sock.RequireConnection(); }), "Not Connected");
    EXPECT_EQ(calls, 1);
    sock.OnConnectionRequired = [&](bool& handled) {
        sock.Host = "127.0.0.1";
        sock.Port = listener.port();
        sock.Connect();
        handled = true;
    };
    sock.RequireConnection();
    EXPECT_TRUE(sock.Connected());
}
