// The FTP script commands' main paths through whole runs of the engine, on every test server:
// transfers, masks, remote commands and the failures a script goes on after.

#include "FtpTestServers.h"
#include "platform/ByteText.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/FtpRun.h"
#include "tests/support/LogLines.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

using Lines = std::vector<std::string>;
using ftptest::FtpTestServer;
using ftptest::ServerKind;
namespace fs = std::filesystem;

namespace {

class FtpMainPaths : public FtpRun, public ::testing::WithParamInterface<ServerKind> {};

TEST_P(FtpMainPaths, RoundTripMasksAndRemoteCommands)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    const std::string bytes = binaryBytes();
    local.write("bin.dat", bytes);
    local.write("a.txt", "A");
    local.write("b.txt", "B");
    local.write("skip.log", "L");
    fs::create_directory(local.file("down"));
    remoteRoot.write("up/keep.dat", "K");

    // The download runs in a new session, which starts in ASCII: the mode must be set for it.
    auto e = run(with(login(server), {"SEND bin.dat bin.dat", "REMOTE-MD made", "SEND *.txt up/", "DISCONNECT",
                                      "CONNECT", "GET bin.dat back.dat", "GET up/*.txt down",
                                      "REMOTE-EXISTS(bin.dat)", "IF not remote-exists(nothere.txt)",
                                      "LET gone=yes", "ENDIF", "LET size=remote-filesize(bin.dat)",
                                      "REMOTE-RENAME bin.dat renamed.dat", "REMOTE-DELETE up/*.txt",
                                      "LET after=success", "DISCONNECT"}));
    expectNoError(*e);
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_EQ(TempDir::read(local.file("back.dat")), bytes);
    EXPECT_EQ(TempDir::read(remoteRoot.file("renamed.dat")), bytes);
    EXPECT_FALSE(fs::exists(remoteRoot.file("bin.dat")));
    EXPECT_EQ(TempDir::read(local.file("down/a.txt")), "A");
    EXPECT_EQ(TempDir::read(local.file("down/b.txt")), "B");
    EXPECT_FALSE(fs::exists(local.file("down/skip.log")));
    EXPECT_TRUE(contains(e->Log(), "   ---> Remote file \"bin.dat\" exists!"));
    EXPECT_TRUE(contains(e->Log(), "   ---> No Remote file \"nothere.txt\"!"));
    EXPECT_EQ(e->GetVariable("gone"), "yes");
    EXPECT_EQ(e->GetVariable("size"), std::to_string(bytes.size()));
    // The masked delete took the uploaded files and left the other one.
    EXPECT_FALSE(fs::exists(remoteRoot.file("up/a.txt")));
    EXPECT_FALSE(fs::exists(remoteRoot.file("up/b.txt")));
    EXPECT_TRUE(fs::exists(remoteRoot.file("up/keep.dat")));
    EXPECT_TRUE(contains(e->Log(), "   ---> Remote Make Directory: \"made\""));
    EXPECT_TRUE(fs::is_directory(remoteRoot.file("made")));
    EXPECT_TRUE(contains(e->Log(), "                       Processing:  a.txt to up/a.txt"));
    EXPECT_TRUE(contains(e->Log(), "  ---> BINARY mode transfer: "));
}

TEST_P(FtpMainPaths, UnknownHostAndRefusedCommandsGoOn)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    auto e = run({"HOST=no-such-host.invalid", "CONNECT", "LET first=success", "HOST=127.0.0.1",
                  "PORT=" + std::to_string(server.port()), "USER=" + server.user(),
                  "PASSWORD=" + server.password(), "CONNECT", "LET second=success", "REMOTE-CD /no/such/dir",
                  "LET cd=success", "REMOTE-MD no/such/parent", "GET missing.txt m.txt", "DISCONNECT"});
    EXPECT_TRUE(contains(e->Log(), "   ---> Unable to Connect. Message: Unable to find host: no-such-host.invalid"));
    EXPECT_EQ(e->GetVariable("first"), "False");
    EXPECT_EQ(e->GetVariable("second"), "True");
    EXPECT_EQ(e->GetVariable("cd"), "False");
    EXPECT_TRUE(containsPart(e->Log(), "   ---> Error: Remote Make Directory: 550"));
    EXPECT_FALSE(fs::exists(local.file("m.txt")));
    EXPECT_EQ(e->ExitCode(), 2);
}

TEST_P(FtpMainPaths, DownloadsNeverDamageTheLocalFile)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    const std::string bytes(1000, 'r');
    remoteRoot.write("f.bin", bytes);
    local.write("longer.bin", std::string(1500, 'L'));
    local.write("locked.bin", "read only");
    fs::permissions(local.file("locked.bin"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto e = run(with(login(server), {"BINARY", "RESUME-GET f.bin longer.bin", "LET resumed=success",
                                      "GET f.bin locked.bin", "LET locked=success",
                                      "APPEND-GET f.bin locked.bin", "LET appended=success", "DISCONNECT"}));
    EXPECT_EQ(e->GetVariable("resumed"), "False") << bytetext::joinLinesCrLf(e->Log());
    EXPECT_EQ(TempDir::read(local.file("longer.bin")), std::string(1500, 'L'));
    // Refused as LOCAL-DELETE refuses it, root or not.
    EXPECT_EQ(e->GetVariable("locked"), "False");
    EXPECT_EQ(e->GetVariable("appended"), "False");
    EXPECT_TRUE(contains(e->Log(), "   ---> Cannot create file " + local.file("locked.bin") + ": it is read-only"));
    EXPECT_EQ(TempDir::read(local.file("locked.bin")), "read only");
}

// Servers list a folder differently: pure-ftpd adds each matching sub-folder's entries under a
// heading, splits LIST arguments at blanks and takes no quotes. Names with blanks and folders
// beside the files must work alike on every one.
TEST_P(FtpMainPaths, FoldersAndNamesWithBlanksBesideTheFiles)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    remoteRoot.write("tree/top.txt", "top");
    remoteRoot.write("tree/a b.txt", "a b");
    remoteRoot.write("tree/b.txt", "b");
    remoteRoot.write("tree/sub dir/bin.dat", "bin");
    remoteRoot.write("tree/sub dir/x file.txt", "x file");
    fs::create_directory(local.file("star"));
    fs::create_directory(local.file("blank"));
    auto e = run(with(login(server), {"BINARY", "REMOTE-CD tree", "GET * star", "LET star=success",
                                      "LET dir=remote-exists(\"sub dir\")", "LET ab=remote-exists(\"a b.txt\")",
                                      "LET size=remote-filesize(\"sub dir/x file.txt\")",
                                      "GET \"a b*\" blank", "LET blank=success",
                                      "REMOTE-DELETE \"a b*\"", "LET deleted=success", "DISCONNECT"}));
    const std::string log = bytetext::joinLinesCrLf(e->Log());
    EXPECT_EQ(e->GetVariable("star"), "True") << log;
    EXPECT_EQ(TempDir::read(local.file("star/top.txt")), "top");
    EXPECT_EQ(TempDir::read(local.file("star/a b.txt")), "a b");
    EXPECT_FALSE(fs::exists(local.file("star/bin.dat")));
    EXPECT_FALSE(fs::exists(local.file("star/sub dir")));
    EXPECT_EQ(e->GetVariable("dir"), "True") << log;
    EXPECT_EQ(e->GetVariable("ab"), "True") << log;
    EXPECT_EQ(e->GetVariable("size"), "6") << log;
    EXPECT_EQ(e->GetVariable("blank"), "True") << log;
    EXPECT_EQ(TempDir::read(local.file("blank/a b.txt")), "a b");
    EXPECT_FALSE(fs::exists(local.file("blank/b.txt")));
    EXPECT_EQ(e->GetVariable("deleted"), "True") << log;
    EXPECT_FALSE(fs::exists(remoteRoot.file("tree/a b.txt"))) << log;
    EXPECT_TRUE(fs::exists(remoteRoot.file("tree/b.txt")));
}

INSTANTIATE_TEST_SUITE_P(Servers, FtpMainPaths, ::testing::ValuesIn(ftptest::ServerKinds()),
                         [](const auto& info) { return std::string(ftptest::KindName(info.param)); });

}  // namespace
