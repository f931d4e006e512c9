// Data listeners: listen, accept and the adopted data connection.

#include "SockTestSupport.h"

#include "net/ftp/socket/SockBase.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <memory>

using namespace socktest;

namespace {

int openDescriptors()
{
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/fd")) {
        while (::readdir(d)) ++n;
        ::closedir(d);
    }
    return n;
}

// A control connection to a loopback "server" and a data listener bound beside it.
class FtpSockDataListener : public ::testing::Test {
protected:
    void SetUp() override
    {
        control = std::make_unique<TSockBase>();
        control->Host = "127.0.0.1";
        control->Port = server.port();
        control->Connect();
        serverControl = server.accept();
        data = std::make_unique<TSockBase>(control.get());
        data->SetControlConnection(control.get());
        data->OnDisconnect = [this](QObject*) { ++acceptNotices; };
        later(20000, data.get(), [this] { data->Cancel(); });  // no regression hangs the run
    }

    Listener server;
    std::unique_ptr<TSockBase> control;
    FdHandle serverControl;
    int acceptNotices = 0;
    std::unique_ptr<TSockBase> data;
    TempDir dir;
};

}  // namespace

TEST_F(FtpSockDataListener, AcceptsTheServerAndCapturesItsData)
{
    data->Listen(true);
    EXPECT_EQ(data->LocalAddressText(), "127,0,0,1");
    const int port = data->LocalPort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(data->PortText(), "," + std::to_string(port >> 8) + "," + std::to_string(port & 0xff));

    FdHandle serverData = connectLoopback(port);
    ASSERT_TRUE(serverData.valid());
    FdHandle accepted = data->Accept();
    ASSERT_TRUE(accepted.valid());
    EXPECT_TRUE(data->Connected());
    EXPECT_EQ(acceptNotices, 1);

    data->AdoptSocket(std::move(accepted));
    later(10, [&] {
        sendAll(serverData.get(), "listing line\r\n");
        serverData.reset();
    });
    data->CaptureFile(dir.file("list.txt"));
    EXPECT_EQ(readFile(dir.file("list.txt")), "listing line\r\n");
    EXPECT_FALSE(data->Connected());
}

TEST_F(FtpSockDataListener, AcceptGivesUpOnTimeOutOrAReplyOnTheControlConnection)
{
    struct Case {
        const char* name;
        int timeout;
        const char* controlReply;
    } cases[] = {
        {"time-out", 50, nullptr},
        {"425 without time-out", 0, "425 Can't open data connection.\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TSockBase listener(control.get());
        listener.SetControlConnection(control.get());
        listener.Timeout = c.timeout;
        listener.Listen(true);
        if (c.controlReply) later(10, [&] { sendAll(serverControl.get(), c.controlReply); });
        EXPECT_EQ(failureOf([&] { listener.Accept(); }), "Error creating Data Connection");
        if (c.controlReply) {
            EXPECT_EQ(control->ReadLn(), c.controlReply);  // still there to read
        }
    }
}

TEST_F(FtpSockDataListener, AConnectionBeforeTheClosingReplyStillCounts)
{
    // A fast server connects, sends, closes and replies before the client gets to Accept.
    data->Listen(true);
    FdHandle serverData = connectLoopback(data->LocalPort());
    sendAll(serverData.get(), "x");
    serverData.reset();
    sendAll(serverControl.get(), "226 Transfer complete.\r\n");
    ASSERT_TRUE(pumpUntil([&] { return control->HoldsCompleteLine(); }));
    FdHandle accepted = data->Accept();
    ASSERT_TRUE(accepted.valid());
    data->AdoptSocket(std::move(accepted));
    data->CaptureFile(dir.file("fast.bin"));
    EXPECT_EQ(readFile(dir.file("fast.bin")), "x");
}

TEST_F(FtpSockDataListener, AClosedDataConnectionLeavesNoSocketBehind)
{
    data->Listen(true);
    FdHandle serverData = connectLoopback(data->LocalPort());
    data->AdoptSocket(data->Accept());
    sendAll(serverData.get(), "x");
    serverData.reset();
    const int whileOpen = openDescriptors();
    data->CaptureFile(dir.file("one.bin"));
    // The peer's close and the client's own close after it: one socket fewer, none new.
    EXPECT_EQ(openDescriptors(), whileOpen - 1);
    data->CloseSocket();
    EXPECT_EQ(openDescriptors(), whileOpen - 1);
    data.reset();
    EXPECT_EQ(openDescriptors(), whileOpen - 1);

    // A closed control connection still connects again.
    control->CloseSocket();
    control->Connect();
    EXPECT_TRUE(control->Connected());
}

TEST_F(FtpSockDataListener, ASecondConnectionFromTheServersAddressRefusesTheTransfer)
{
    // Another local process raced the server for the port: neither connection carries data.
    data->Listen(true);
    FdHandle first = connectLoopback(data->LocalPort());
    FdHandle second = connectLoopback(data->LocalPort());
    ASSERT_TRUE(first.valid() && second.valid());
    EXPECT_EQ(failureOf([&] { data->Accept(); }),
              "Data connection refused: a second connection came from the server's address");
}

TEST_F(FtpSockDataListener, CancelEndsAccept)
{
    data->Listen(true);
    later(20, [&] { data->Cancel(); });
    EXPECT_EQ(failureOf([&] { data->Accept(); }), "Accepting Canceled");
    EXPECT_FALSE(data->Canceled());
}

TEST(FtpSockTexts, NthFieldCountsEverySeparator)
{
    struct Case {
        const char* text;
        char separator;
        int n;
        const char* field;
    } cases[] = {
        {"257 \"/home/ftp\" is current", '"', 2, "/home/ftp"},
        {"213 1234", ' ', 2, "1234"},
        {"a,,c", ',', 2, ""},
        {"a,,c", ',', 3, "c"},
        {"a,,c", ',', 4, ""},
        {"abc", ',', 1, "abc"},
        {"abc", ',', 0, ""},
        {"", ',', 1, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TSockBase::NthField(c.text, c.separator, c.n), c.field) << c.text << " " << c.n;
}
