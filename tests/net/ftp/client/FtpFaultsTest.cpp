// Replies real servers won't give, from a scripted server; and the events of one transfer.

#include "ClientTestSupport.h"
#include "FakeFtpServer.h"
#include "FtpTestServers.h"

#include "platform/AppPaths.h"

#include <gtest/gtest.h>

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
    for (const char* closing : {"426 Connection closed; transfer aborted.\r\n", "451 Local error\r\n",
                                "452 Disk full\r\n"}) {
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
