// Replies real servers won't give, from a scripted server; and the events of one transfer.

#include "ClientTestSupport.h"
#include "FakeFtpServer.h"
#include "FtpTestServers.h"

#include "platform/AppPaths.h"
#include "tests/support/Fifo.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

using namespace clienttest;
using ftpfake::FakeFtpServer;
using ftpfake::Session;
using Lines = std::vector<std::string>;

namespace {

void greet(Session& s) { s.send("220 fake ready\r\n"); }

class FtpFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("ftp-faults-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        apppaths::setProgramFolderForTesting(dir);
    }
    void TearDown() override
    {
        apppaths::setProgramFolderForTesting({});
        std::filesystem::remove_all(dir);
    }
    std::string file(const std::string& name) const { return dir + "/" + name; }
    std::string dir;
};

}  // namespace

TEST_F(FtpFaults, NegativeClosingReplyFailsTheTransfer)
{
    // Only a 2xx closing reply says the transfer is done: not a 3xx, nor a number no server sends.
    for (const char* closing : {"426 Connection closed; transfer aborted.\r\n", "451 Local error\r\n",
                                "452 Disk full\r\n", "350 Waiting\r\n", "999 What\r\n"}) {
        FakeFtpServer server(greet, [&](Session& s, const std::string& line) {
            if (line.starts_with("RETR ") || line.starts_with("LIST")) {
                s.send("150 Opening data connection\r\n");
                s.sendData("-rw-r--r-- 1 u g 9 Jan 05 2020 partial\r\n");
                s.send(closing);
            } else if (line.starts_with("STOR ")) {
                s.send("150 Ok to send data\r\n");
                s.receiveData();
                s.send(closing);
            } else {
                ftpfake::standardReply(s, line);
            }
        });
        auto ftp = client(server.port());
        std::vector<int> failed;
        ftp->OnFailure = [&](bool&, TCmdType code) { failed.push_back(code); };
        int successes = 0;
        ftp->OnSuccess = [&](TCmdType) { ++successes; };
        ftp->Connect();
        EXPECT_EQ(failureOf([&] { ftp->Download("x.bin", file("x.bin")); }), closing);
        EXPECT_EQ(failureOf([&] { ftp->List(""); }), closing);
        writeFile(file("up.bin"), "payload");
        EXPECT_EQ(failureOf([&] { ftp->Upload(file("up.bin"), "up.bin"); }), closing);
        EXPECT_EQ(failed, (std::vector<int>{cmdDownload, cmdList, cmdUpload}));
        EXPECT_EQ(successes, 0);
        ftp->DoCommand("TYPE I");  // the replies are still in step
        EXPECT_EQ(ftp->ReplyNumber(), 200);
    }
}

TEST_F(FtpFaults, PreliminaryReplyWithoutDataConnectionEndsWithinTheTimeout)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line.starts_with("RETR ")) s.send("150 Opening data connection\r\n");  // and never connects
        else ftpfake::standardReply(s, line);
    });
    auto ftp = client(server.port());
    ftp->Timeout = 300;
    ftp->Connect();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] { ftp->Download("x.bin", file("x.bin")); }), "Error creating Data Connection");
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_FALSE(std::filesystem::exists(file("x.bin")));
    ftp->Timeout = 10000;
}

TEST_F(FtpFaults, DroppedControlConnectionEndsTheCommand)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line == "NOOP") s.close();
        else if (line.starts_with("RETR ")) {
            s.send("150 Opening data connection\r\n");
            s.sendData("some data");
            s.close();
        } else ftpfake::standardReply(s, line);
    });
    auto ftp = client(server.port());
    ftp->Connect();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(failureOf([&] { ftp->Download("x.bin", file("x.bin")); }), "Not Connected");
    EXPECT_FALSE(ftp->GetConnected());
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
}

TEST_F(FtpFaults, SilentServerTimesOut)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line != "NOOP") ftpfake::standardReply(s, line);
    });
    auto ftp = client(server.port());
    ftp->Timeout = 300;
    ftp->Connect();
    EXPECT_EQ(failureOf([&] { ftp->DoCommand("NOOP"); }), "Reply Timed Out");
    ftp->Timeout = 10000;
    ftp.reset();
}

TEST_F(FtpFaults, CancelledDownloadKeepsTheRepliesInStep)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line.starts_with("RETR ")) {
            s.send("150 Opening data connection\r\n");
            // A slow server: the late closing reply must not answer the next command.
            s.sendData(std::string(100000, 'd'));
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
            s.send("426 Transfer aborted\r\n");
        } else {
            ftpfake::standardReply(s, line);
        }
    });
    auto ftp = client(server.port());
    ftp->Connect();
    ftp->OnPacketRecvd = [&](QObject*) { ftp->Abort(); };
    EXPECT_EQ(failureOf([&] { ftp->Download("x.bin", file("x.bin")); }), "Socket send aborted");
    ftp->OnPacketRecvd = nullptr;
    ftp->DoCommand("TYPE A");
    EXPECT_EQ(ftp->ReplyNumber(), 200);
    EXPECT_EQ(ftp->LastReply(), "200 Type set\r\n");
}

TEST(FtpEvents, OneDownloadAndOneUploadInOrder)
{
    ftptest::FtpTestServer server(ftptest::ServerKind::Pyftpdlib);
    ASSERT_TRUE(server.running()) << server.failure();
    const std::string data = makeBytes(100000, 8);
    writeFile(server.root() + "/g.bin", data);
    const std::string local = server.root() + "/local.bin";
    auto ftp = client(server.port(), server.user(), server.password());
    ftp->Connect();
    ftp->SetMode(2);

    Lines events;
    ftp->OnStatus = [&](QObject*, const std::string& t) { events.push_back(t.substr(0, t.find(' ') + 1)); };
    const auto mark = [&](const char* e) {
        if (events.empty() || events.back() != e) events.push_back(e);  // one mark per run of packets
    };
    ftp->OnTransactionStart = [&](QObject*) { mark("start"); };
    ftp->OnTransactionStop = [&](QObject*) { mark("stop"); };
    ftp->OnPacketRecvd = [&](QObject*) { mark("packet"); };
    ftp->OnPacketSent = [&](QObject*) { mark("packet"); };
    ftp->OnSuccess = [&](TCmdType code) { events.push_back("success " + std::to_string(code)); };

    ftp->Download("g.bin", local);
    // pyftpdlib connects as soon as it reads PORT, so its preliminary reply is 125.
    EXPECT_EQ(events, (Lines{"PORT ", "200 ", "RETR ", "125 ", "start", "packet", "stop", "Received ", "226 ",
                             "success 8"}));
    events.clear();
    ftp->Upload(local, "p.bin");
    EXPECT_EQ(events, (Lines{"PORT ", "200 ", "STOR ", "125 ", "start", "packet", "stop", "226 ", "success 9"}));
    EXPECT_TRUE(readFile(server.root() + "/p.bin") == data);
    ftp->OnStatus = nullptr;
}

TEST_F(FtpFaults, ListingCopiesGoToTheStateFolderWhenTheProgramFolderIsReadOnly)
{
    apppaths::setProgramFolderForTesting(dir + "/not-there");
    const char* oldState = std::getenv("XDG_STATE_HOME");
    const std::string savedState = oldState ? oldState : "";
    ::setenv("XDG_STATE_HOME", (dir + "/state").c_str(), 1);
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line.starts_with("LIST")) {
            s.send("150 Here it comes\r\n");
            // The last line has no line end.
            s.sendData("-rw-r--r-- 1 u g 5 Jan 05 2020 a.txt\r\n-rw-r--r-- 1 u g 7 Jan 05 2020 last one.txt");
            s.send("226 Done\r\n");
        } else {
            ftpfake::standardReply(s, line);
        }
    });
    {
        auto ftp = client(server.port());
        EXPECT_EQ(ftp->RemoteDirPath(), dir + "/state/trevask/Remote.dir");
        ftp->Connect();
        ftp->ServerStyle = 2;
        ftp->List("*.txt", true, "daily");
        EXPECT_EQ(ftp->Files.names, (Lines{"a.txt", "last one.txt"}));
        EXPECT_EQ(ftp->Files.sizes, (Lines{"5", "7"}));
        const std::string copy =
            "-rw-r--r-- 1 u g 5 Jan 05 2020 a.txt\r\n-rw-r--r-- 1 u g 7 Jan 05 2020 last one.txt\r\n";
        EXPECT_EQ(readFile(ftp->RemoteDirPath()), copy);
        EXPECT_EQ(readFile(dir + "/state/trevask/dircache/127_0_0_1_tester_daily_!_txt"), copy);
    }
    if (oldState) ::setenv("XDG_STATE_HOME", savedState.c_str(), 1);
    else ::unsetenv("XDG_STATE_HOME");
}

// --- every wait ends ---

namespace {

using Clock = std::chrono::steady_clock;

// Sends `line` until the client goes (or 10 s have passed, so the server thread always ends).
std::function<void(Session&)> repeating(std::string line, int pauseMs)
{
    return [line, pauseMs](Session& s) {
        const auto until = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < until && s.send(line))
            if (pauseMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    };
}

bool holds(const Lines& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace

TEST_F(FtpFaults, GreetingsThatNeverEndFailWithinTheirBounds)
{
    const struct {
        const char* name;
        std::function<void(Session&)> start;
        int timeoutMs;  // a flood is refused by its size, however long the time-out
        const char* failure;
    } cases[] = {
        {"endless multi-line reply", repeating("220-more to come\r\n", 0), 8000, "Reply too long"},
        {"lines without a reply number", repeating("hello there\r\n", 0), 8000, "Reply too long"},
        // Every line comes in time, but the reply as a whole does not.
        {"trickling multi-line reply", repeating("220-wait\r\n", 50), 600, "Reply Timed Out"},
        {"silence", nullptr, 600, "Reply Timed Out"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFtpServer server(c.start, ftpfake::standardReply);
        auto ftp = client(server.port());
        ftp->Timeout = c.timeoutMs;
        const auto started = Clock::now();
        EXPECT_EQ(failureOf([&] { ftp->Connect(); }), c.failure);
        // One time-out at most: the clean-up does not wait for a QUIT the server won't answer.
        EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(c.timeoutMs + 4000));
        EXPECT_FALSE(ftp->GetConnected());
        ftp.reset();
        EXPECT_FALSE(holds(server.lines(), "QUIT"));
    }
}

// A reply the client cannot take ends the session at once, like a flood; LF alone ends a line.
TEST_F(FtpFaults, RepliesHoldingNulOrOverlongLinesEndTheSession)
{
    using namespace std::string_literals;
    const struct {
        const char* name;
        std::string greeting;
        const char* failure;
    } cases[] = {
        {"LF line ends", "220-first\n220 ready\n", "(no failure)"},
        {"NUL in the greeting", "220 re\0ady\r\n"s, "Invalid reply line"},
        {"NUL in free text before it", "hi\0\r\n220 ready\r\n"s, "Invalid reply line"},
        {"a line of 9000 bytes", "220 " + std::string(9000, '"') + "\r\n", "(no failure)"},
        {"a line of 20000 bytes", "220 " + std::string(20000, 'x') + "\r\n", "Reply line too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeFtpServer server([&](Session& s) { s.send(c.greeting); }, ftpfake::standardReply);
        auto ftp = client(server.port());
        ftp->Timeout = 8000;
        const auto started = Clock::now();
        EXPECT_EQ(failureOf([&] { ftp->Connect(); }), c.failure);
        EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(4000));
        const bool connected = std::string(c.failure) == "(no failure)";
        EXPECT_EQ(ftp->GetConnected(), connected);
        ftp.reset();
        EXPECT_EQ(holds(server.lines(), "QUIT"), connected);
    }
}

TEST_F(FtpFaults, AbortEndsAWaitForAControlReply)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (!line.starts_with("SITE ")) ftpfake::standardReply(s, line);  // SITE gets no reply
    });
    auto ftp = client(server.port());
    ftp->Connect();
    ftp->Timeout = 8000;  // only ends the test when Abort does not
    QTimer::singleShot(200, [&] { ftp->Abort(); });
    const auto started = Clock::now();
    EXPECT_EQ(failureOf([&] { ftp->DoCommand("SITE CHMOD 644 x"); }), "Socket send aborted");
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(3));
    // The reply is still owed: the end does not wait for a QUIT reply behind it.
    const auto closing = Clock::now();
    ftp.reset();
    EXPECT_LT(Clock::now() - closing, std::chrono::seconds(2));
}

TEST_F(FtpFaults, ClosingAtTheEndWaitsAFewSecondsAtMost)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line != "QUIT") ftpfake::standardReply(s, line);  // and never answers QUIT
    });
    auto ftp = client(server.port());
    ftp->Timeout = 20000;
    ftp->Connect();
    const auto started = Clock::now();
    ftp.reset();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(6));
    EXPECT_TRUE(holds(server.lines(), "QUIT"));
}

TEST_F(FtpFaults, TransferIdleLimit)
{
    // A pause in the data longer than Timeout: only a transfer limit of its own may end it.
    const struct {
        int transferTimeout;
        const char* failure;
    } cases[] = {{-1, "Transfer timed out..."}, {0, "(no failure)"}, {3000, "(no failure)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.transferTimeout);
        FakeFtpServer server(greet, [](Session& s, const std::string& line) {
            if (line.starts_with("RETR ")) {
                s.send("150 Opening data connection\r\n");
                s.sendData("slow", 1200);
                s.send("226 Transfer complete\r\n");
            } else {
                ftpfake::standardReply(s, line);
            }
        });
        auto ftp = client(server.port());
        ftp->Timeout = 400;
        ftp->TransferTimeout = c.transferTimeout;
        ftp->Connect();
        EXPECT_EQ(failureOf([&] { ftp->Download("x.bin", file("x.bin")); }), c.failure);
        ftp->Timeout = 10000;
    }
}

TEST_F(FtpFaults, DownloadToANonRegularFileIsRefusedWithoutBlocking)
{
    Fifo fifo(file("pipe"));
    ASSERT_TRUE(fifo.made());
    for (const std::string& target : {fifo.path(), std::string("/dev/null")}) {
        SCOPED_TRACE(target);
        FakeFtpServer server(greet, [](Session& s, const std::string& line) {
            if (line.starts_with("RETR ")) {
                s.send("150 Opening data connection\r\n");
                s.sendData("data");
                s.send("226 Transfer complete\r\n");
            } else {
                ftpfake::standardReply(s, line);
            }
        });
        auto ftp = client(server.port());
        ftp->Connect();
        EXPECT_EQ(failureOf([&] { ftp->Download("x.bin", target); }),
                  "Cannot write to " + target + ": not a regular file");
        ftp->DoCommand("TYPE I");  // the closing reply was read first: still in step
        EXPECT_EQ(ftp->ReplyNumber(), 200);
    }
    EXPECT_FALSE(fifo.unblocked());
}

TEST_F(FtpFaults, TheListingCopyNeverWritesThroughALinkPlantedInItsFolder)
{
    // The program folder may be shared: a link at any name the copy might write through must
    // not carry the listing into another file.
    writeFile(file("victim"), "keep me");
    std::filesystem::create_symlink(file("victim"), file("Remote.dir." + std::to_string(::getpid()) + ".writing"));
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (!line.starts_with("LIST")) return ftpfake::standardReply(s, line);
        s.send("150 Here it comes\r\n");
        s.sendData("-rw-r--r-- 1 u g 5 Jan 05 2020 a.txt\r\n");
        s.send("226 Done\r\n");
    });
    {
        auto ftp = client(server.port());
        ftp->Connect();
        ftp->List("");
    }
    EXPECT_EQ(readFile(file("victim")), "keep me");
    EXPECT_EQ(readFile(file("Remote.dir")), "-rw-r--r-- 1 u g 5 Jan 05 2020 a.txt\r\n");
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++entries;
    EXPECT_EQ(entries, 3u);  // the victim, the planted link and the copy: no temporary left
}

TEST_F(FtpFaults, PreliminaryRepliesAreReadOnToTheFinalOne)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line.starts_with("DELE ")) s.send("150 Working on it\r\n250 Deleted\r\n");
        else if (line.starts_with("STOR ")) s.send("452 No room\r\n");
        else if (line.starts_with("SITE ")) s.send("999 What\r\n");
        else if (line.starts_with("MKD ")) s.send("120 Soon\r\n550 Refused\r\n");
        else ftpfake::standardReply(s, line);
    });
    auto ftp = client(server.port());
    ftp->Connect();
    ftp->DoCommand("DELE a.txt");
    EXPECT_EQ(ftp->ReplyNumber(), 250);
    writeFile(file("up.bin"), "payload");
    EXPECT_EQ(failureOf([&] { ftp->Upload(file("up.bin"), "up.bin"); }), "452 No room\r\n");
    EXPECT_EQ(failureOf([&] { ftp->DoCommand("SITE X"); }), "999 What\r\n");
    EXPECT_EQ(failureOf([&] { ftp->DoCommand("MKD d"); }), "550 Refused\r\n");
    ftp->DoCommand("TYPE I");  // still in step
    EXPECT_EQ(ftp->ReplyNumber(), 200);
}

TEST_F(FtpFaults, TelnetIacInNamesIsDoubled)
{
    FakeFtpServer server(greet, [](Session& s, const std::string& line) {
        if (line.starts_with("DELE ")) s.send("250 Deleted\r\n");
        else ftpfake::standardReply(s, line);
    });
    auto ftp = client(server.port());
    ftp->Connect();
    ftp->Delete("a\xff" "b");
    ftp->Disconnect();
    const Lines lines = server.lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "DELE a\xff\xff" "b"), lines.end());
}
