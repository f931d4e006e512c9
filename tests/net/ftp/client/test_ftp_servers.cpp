// The client against real servers: pyftpdlib and vsftpd on loopback over a temporary root.

#include "ClientTestSupport.h"
#include "FtpTestServers.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/Wait.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace clienttest;
using ftptest::FtpTestServer;
using ftptest::ServerKind;
using Lines = std::vector<std::string>;

namespace {

// One server of each kind for the whole program; each test starts from an empty root.
FtpTestServer& serverOf(ServerKind kind)
{
    static std::map<ServerKind, std::unique_ptr<FtpTestServer>> servers;
    auto& s = servers[kind];
    if (!s) s = std::make_unique<FtpTestServer>(kind);
    return *s;
}

class FtpServers : public ::testing::TestWithParam<ServerKind> {
protected:
    void SetUp() override
    {
        FtpTestServer& s = serverOf(GetParam());
        if (!s.running()) {
            // pyftpdlib is a build dependency; vsftpd may be refused by the machine it runs on.
            if (GetParam() == ServerKind::Vsftpd) GTEST_SKIP() << "vsftpd cannot start here: " << s.failure();
            FAIL() << s.failure();
        }
        root = s.root();
        for (const auto& e : std::filesystem::directory_iterator(root)) std::filesystem::remove_all(e.path());
        local = std::filesystem::temp_directory_path() / ("ftp-client-" + std::to_string(::getpid()));
        std::filesystem::remove_all(local);
        std::filesystem::create_directories(local);
        apppaths::setProgramFolderForTesting(local);
        ftp = client(s.port(), s.user(), s.password());
        ftp->Connect();
        ftp->SetMode(2);
    }
    void TearDown() override
    {
        if (ftp) ftp->OnStatus = nullptr;  // tests record into their own locals
        ftp.reset();
        apppaths::setProgramFolderForTesting({});
        std::filesystem::remove_all(local);
    }
    std::string remoteFile(const std::string& name) const { return root + "/" + name; }
    std::string localFile(const std::string& name) const { return local + "/" + name; }

    std::string root, local;
    std::unique_ptr<TFtpSession> ftp;
};

INSTANTIATE_TEST_SUITE_P(Servers, FtpServers, ::testing::ValuesIn(ftptest::ServerKinds()),
                         [](const auto& info) { return std::string(ftptest::KindName(info.param)); });

// The port a PORT line announced.
int announcedPort(const Lines& log)
{
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
        unsigned h1, h2, h3, h4, p1, p2;
        if (std::sscanf(it->c_str(), "PORT %u,%u,%u,%u,%u,%u", &h1, &h2, &h3, &h4, &p1, &p2) == 6)
            return static_cast<int>(p1 * 256 + p2);
    }
    return 0;
}

bool somethingListensOn(int port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return ok;
}

}  // namespace

TEST_P(FtpServers, TransfersKeepEveryByteBothWays)
{
    for (std::size_t size : {0u, 1u, 16383u, 16384u, 5u * 1024 * 1024}) {
        SCOPED_TRACE(size);
        const std::string data = makeBytes(size, static_cast<unsigned>(size) + 3);
        const std::string name = "f" + std::to_string(size) + ".bin";
        writeFile(localFile(name), data);
        ftp->Upload(localFile(name), "");  // the remote name is the local file's
        EXPECT_TRUE(readFile(remoteFile(name)) == data);
        ftp->Download(name, localFile("back.bin"));
        EXPECT_TRUE(readFile(localFile("back.bin")) == data);
        EXPECT_EQ(ftp->BytesTotal, static_cast<std::int64_t>(size));
    }
}

TEST_P(FtpServers, RestartedAndAppendedTransfersCompleteTheFile)
{
    const std::string full = makeBytes(300000, 21);
    writeFile(remoteFile("down.bin"), full);
    writeFile(localFile("down.bin"), full.substr(0, 123457));
    ftp->DownloadRestore("down.bin", localFile("down.bin"));
    EXPECT_TRUE(readFile(localFile("down.bin")) == full);

    writeFile(localFile("up.bin"), full);
    writeFile(remoteFile("up.bin"), full.substr(0, 99999));
    ftp->UploadRestore(localFile("up.bin"), "up.bin", 99999);
    EXPECT_TRUE(readFile(remoteFile("up.bin")) == full);
    // The closing reply was read where it belongs, so the next command gets its own.
    EXPECT_EQ(ftp->GetCurrentDir(), serverOf(GetParam()).home());

    writeFile(remoteFile("tail.bin"), full.substr(1000));
    writeFile(localFile("joined.bin"), full.substr(0, 1000));
    ftp->DownloadAppend("tail.bin", localFile("joined.bin"));
    EXPECT_TRUE(readFile(localFile("joined.bin")) == full);

    writeFile(remoteFile("joined.bin"), full.substr(0, 5));
    writeFile(localFile("rest.bin"), full.substr(5));
    ftp->UploadAppend(localFile("rest.bin"), "joined.bin");
    EXPECT_TRUE(readFile(remoteFile("joined.bin")) == full);
}

TEST_P(FtpServers, AFailedResumeOrAppendLeavesNoModeBehind)
{
    const std::string data = makeBytes(50000, 5);
    writeFile(localFile("whole.bin"), data);
    // Refused: the folder does not exist.
    EXPECT_EQ(failureOf([&] { ftp->UploadRestore(localFile("whole.bin"), "no/such/dir/whole.bin", 20000); })
                  .substr(0, 2),
              "55");
    ftp->Upload(localFile("whole.bin"), "whole.bin");
    EXPECT_TRUE(readFile(remoteFile("whole.bin")) == data);

    writeFile(localFile("old.bin"), "old local bytes");
    EXPECT_EQ(failureOf([&] { ftp->DownloadAppend("missing.bin", localFile("old.bin")); }).substr(0, 3), "550");
    ftp->Download("whole.bin", localFile("old.bin"));
    EXPECT_TRUE(readFile(localFile("old.bin")) == data);

    // A resume past the end of the local file would send nothing and look done.
    EXPECT_EQ(failureOf([&] { ftp->UploadRestore(localFile("whole.bin"), "whole.bin", 50001); }),
              "Cannot resume " + localFile("whole.bin") + " at byte 50001: it holds 50000");

    // The local file of a resumed or appended download must be there.
    EXPECT_EQ(failureOf([&] { ftp->DownloadRestore("whole.bin", localFile("none.bin")); }),
              "Cannot open file " + localFile("none.bin"));
}

TEST_P(FtpServers, RefusedTransfersFreeTheirDataConnection)
{
    Lines log;
    recordStatus(*ftp, log);
    int failures = 0;
    ftp->OnFailure = [&](bool&, TCmdType code) {
        EXPECT_EQ(code, cmdDownload);
        ++failures;
    };
    EXPECT_EQ(failureOf([&] { ftp->Download("missing.bin", localFile("m.bin")); }).substr(0, 4), "550 ");
    EXPECT_EQ(failures, 1);
    const int port = announcedPort(log);
    ASSERT_GT(port, 0);
    EXPECT_FALSE(somethingListensOn(port));
    EXPECT_FALSE(std::filesystem::exists(localFile("m.bin")));
    EXPECT_EQ(ftp->GetDataText(), 0);
}

TEST_P(FtpServers, ListingsParseWithNamesAsListed)
{
    const std::string latin1 = "caf\xe9.txt";
    writeFile(remoteFile("two  inner blanks.txt"), "12345");
    writeFile(remoteFile(latin1), "x");
    writeFile(remoteFile("report.txt"), std::string(1234, 'r'));
    writeFile(remoteFile("other.dat"), "");
    std::filesystem::create_directory(remoteFile("docs"));
    int items = 0;
    ftp->OnListItem = [&](const std::string&) { ++items; };
    ASSERT_EQ(ftp->ServerStyle, 1);

    ftp->List("");
    EXPECT_EQ(ftp->ServerStyle, 2);
    EXPECT_EQ(ftp->Directories.names, Lines{"docs"});
    std::map<std::string, std::string> sizes;
    for (std::size_t i = 0; i < ftp->Files.size(); ++i) sizes[ftp->Files.names[i]] = ftp->Files.sizes[i];
    EXPECT_EQ(sizes, (std::map<std::string, std::string>{
                         {"two  inner blanks.txt", "5"}, {latin1, "1"}, {"report.txt", "1234"}, {"other.dat", "0"}}));
    EXPECT_EQ(ftp->RawListing.size(), 5u);
    EXPECT_GE(items, 5);
    EXPECT_EQ(ftp->RemoteDirPath(), local + "/Remote.dir");
    EXPECT_EQ(readFile(ftp->RemoteDirPath()), bytetext::joinLinesCrLf(ftp->RawListing));
    // Dates leave as short date and long time texts, today's for files just written.
    ASSERT_FALSE(ftp->Files.dates.empty());
    EXPECT_EQ(ftp->Files.dates[0].size(), 19u);

    ftp->Download(latin1, localFile(latin1));
    EXPECT_EQ(readFile(localFile(latin1)), "x");

    ftp->List("*.txt");
    EXPECT_EQ(ftp->Files.size(), 3u);
    EXPECT_TRUE(ftp->Directories.names.empty());
    ftp->List("*.none");
    EXPECT_EQ(ftp->Files.size(), 0u);
}

TEST_P(FtpServers, CommandsAndTheirEvents)
{
    std::vector<int> successes, unsupported;
    ftp->OnSuccess = [&](TCmdType code) { successes.push_back(code); };
    ftp->OnUnSupportedFunction = [&](TCmdType code) { unsupported.push_back(code); };
    const std::string home = ftp->GetCurrentDir();
    ftp->MakeDirectory("new dir");
    ftp->ChangeDir("new dir");
    EXPECT_EQ(ftp->GetCurrentDir(), (home == "/" ? "" : home) + "/new dir");
    ftp->ChangeDir("..");
    writeFile(remoteFile("a.txt"), "abc");
    EXPECT_EQ(ftp->GetRemoteSize("a.txt"), 3);
    ftp->Rename("a.txt", "b.txt");
    EXPECT_TRUE(std::filesystem::exists(remoteFile("b.txt")));
    EXPECT_EQ(failureOf([&] { ftp->Rename("a.txt", "c.txt"); }).substr(0, 3), "550");
    ftp->Delete("b.txt");
    EXPECT_FALSE(std::filesystem::exists(remoteFile("b.txt")));
    EXPECT_EQ(failureOf([&] { ftp->DoCommand("XYZZ"); }).substr(0, 3), "500");
    EXPECT_EQ(failureOf([&] { ftp->DoCommand("NOOP\r\nDELE x"); }), "Command line holds CR, LF or NUL");
    ftp->DoCommand("NOOP");
    EXPECT_EQ(successes, (std::vector<int>{cmdPwd, cmdMakeDir, cmdChangeDir, cmdPwd, cmdChangeDir, cmdOther,
                                           cmdRename, cmdDelete, cmdOther}));
    EXPECT_EQ(unsupported, std::vector<int>{cmdOther});
    EXPECT_EQ(ftp->ReplyNumber(), 200);
}

TEST_P(FtpServers, DisconnectSendsQuitAndCloses)
{
    int closes = 0;
    ftp->OnDisconnect = [&](QObject*) { ++closes; };
    ftp->Disconnect();
    (void)waiting::pauseFor(50);  // a late close notification must not report a second close
    EXPECT_EQ(closes, 1);
    ftp->OnDisconnect = nullptr;
    EXPECT_FALSE(ftp->GetConnected());
    EXPECT_EQ(ftp->ReplyNumber(), 221);
    EXPECT_EQ(failureOf([&] { ftp->DoCommand("NOOP"); }), "Not Connected");
    ftp->Connect();
    EXPECT_TRUE(ftp->GetConnected());
}
