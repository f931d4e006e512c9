// The other FTP command families through whole runs of the engine on every real server with an
// account: append, resume and incremental forms, newer/older, the names a server lists, local
// write failures.

#include "FtpTestServers.h"
#include "platform/ByteText.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/FtpRun.h"
#include "tests/support/LogLines.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using Lines = std::vector<std::string>;
using ftptest::FtpTestServer;
using ftptest::ServerKind;
namespace fs = std::filesystem;

namespace {

class FtpFamilies : public FtpRun, public ::testing::WithParamInterface<ServerKind> {
protected:
    void SetUp() override
    {
        FtpRun::SetUp();
        ASSERT_TRUE(server.running()) << server.failure();
    }
    std::string remote(const std::string& name) const { return remoteRoot.file(name); }
    TempDir remoteRoot;
    FtpTestServer server{GetParam(), remoteRoot.path()};
};

INSTANTIATE_TEST_SUITE_P(Servers, FtpFamilies, ::testing::ValuesIn(ftptest::AccountServerKinds()),
                         [](const auto& info) { return std::string(ftptest::KindName(info.param)); });

TEST_P(FtpFamilies, AppendResumeAndIncrementalForms)
{
    remoteRoot.write("app.txt", "abc");
    local.write("app.txt", "def");
    remoteRoot.write("half.bin", "12345");
    local.write("half.bin", "1234567890");
    remoteRoot.write("same.bin", "1234567890");
    local.write("same.bin", "1234567890");
    remoteRoot.write("big.bin", "0123456789ABCDEF");
    local.write("big.bin", "small");
    remoteRoot.write("get.bin", "1234567890");
    local.write("part.bin", "12345");
    remoteRoot.write("tail.txt", "yz");
    local.write("head.txt", "x");
    remoteRoot.write("out/report.txt.1", "old");
    remoteRoot.write("out/report.txt.01", "not one");
    local.write("Report.TXT", "new report");
    local.write("lr.txt.1", "");

    auto e = run(with(login(server),
                      {"APPEND-SEND app.txt app.txt", "RESUME-SEND half.bin half.bin", "RESUME-SEND same.bin same.bin",
                       "RESUME-SEND big.bin big.bin", "RESUME-GET get.bin part.bin", "RESUME-GET get.bin whole.bin",
                       "APPEND-GET tail.txt head.txt", "APPEND-GET tail.txt fresh.txt", "FORCELOWERON",
                       "INCREMENTAL-SEND Report.TXT out/Report.TXT", "FORCELOWEROFF", "INCREMENTAL-GET get.bin lr.txt",
                       "DISCONNECT"}));
    expectNoError(*e);
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_EQ(TempDir::read(remote("app.txt")), "abcdef");
    EXPECT_EQ(TempDir::read(remote("half.bin")), "1234567890");
    EXPECT_EQ(TempDir::read(remote("same.bin")), "1234567890");
    EXPECT_TRUE(containsPart(e->Log(), "\"same.bin\" is complete already"));
    EXPECT_EQ(TempDir::read(remote("big.bin")), "small");
    EXPECT_TRUE(containsPart(e->Log(), "\"big.bin\" is larger than"));
    EXPECT_EQ(TempDir::read(local.file("part.bin")), "1234567890");
    EXPECT_EQ(TempDir::read(local.file("whole.bin")), "1234567890");
    EXPECT_EQ(TempDir::read(local.file("head.txt")), "xyz");
    EXPECT_EQ(TempDir::read(local.file("fresh.txt")), "yz");
    // The case is applied before numbering, so the existing report.txt.1 is not overwritten.
    EXPECT_EQ(TempDir::read(remote("out/report.txt.1")), "old");
    EXPECT_EQ(TempDir::read(remote("out/report.txt.2")), "new report");
    EXPECT_TRUE(contains(e->Log(), "   ---> Generated Remote name \"out/report.txt.2\""));
    EXPECT_EQ(TempDir::read(local.file("lr.txt.2")), "1234567890");
    EXPECT_EQ(e->GetVariable("LastFileName"), local.file("lr.txt.2"));
    EXPECT_EQ(e->GetVariable("LastFileNumber"), "2");
}

// A folder the server names and a name it lists are its text, not the script's: markers in them
// are never read, so a folder called after a variable cannot make REMOTE-CD send its value.
TEST_P(FtpFamilies, ServerValuesAreNotSearchedForMarkers)
{
    fs::create_directories(remote("%%OtherPassword%%/sub"));
    std::ofstream(remote("%%OtherPassword%%/%%OtherPassword%%")) << "listed";
    // A "%" no variable step sees: the marker only appears after SUBSTR.
    const std::string pct = "SUBSTR(x%,2,1)";
    auto e = run(with(login(server), {"LET OtherPassword = hidden-value",
                                      "REMOTE-CD " + pct + pct + "OtherPassword" + pct + pct,
                                      "LET copy = %%CurrentRemoteDir%%", "PROXYUSER=%%copy%%",
                                      "REMOTE-CD %%CurrentRemoteDir%%/sub", "LET inSub = success",
                                      "REMOTE-CD ..", "INCREMENTAL-GET * " + local.path(),
                                      "PROXY=%%LastFileName%%", "DISCONNECT"}));
    expectNoError(*e);
    EXPECT_TRUE(contains(e->Log(), " REMOTE-CD /%%OtherPassword%%/sub")) << bytetext::joinLinesCrLf(e->Log());
    EXPECT_EQ(e->GetVariable("inSub"), "True");
    EXPECT_EQ(e->GetVariable("CurrentRemoteDir"), "/%%OtherPassword%%");
    // A copy made with LET is the server's text too.
    EXPECT_TRUE(contains(e->Log(), " PROXYUSER=/%%OtherPassword%%"));
    EXPECT_EQ(e->FTP.Proxy.rfind(local.file("%%OtherPassword%%."), 0), 0u) << e->FTP.Proxy;
    EXPECT_EQ(TempDir::read(e->FTP.Proxy), "listed");
    const auto leaks = std::count_if(e->Log().begin(), e->Log().end(),
                                     [](const std::string& l) { return l.find("hidden-value") != std::string::npos; });
    EXPECT_EQ(leaks, 1);  // the LET line's own echo
}

TEST_P(FtpFamilies, MaskedTransfersFailWhenAnyEntryFails)
{
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) remoteRoot.write(n, n);
    fs::create_directories(local.file("get/b.txt"));  // the local target of b.txt is a folder
    fs::create_directories(local.file("app/b.txt"));
    auto e = run(with(login(server), {"GET *.txt get", "LET get=success", "APPEND-GET *.txt app",
                                      "LET app=success", "DISCONNECT"}));
    EXPECT_EQ(e->GetVariable("get"), "False");
    EXPECT_EQ(TempDir::read(local.file("get/a.txt")), "a.txt");
    EXPECT_EQ(TempDir::read(local.file("get/c.txt")), "c.txt");
    // The appending form stops at the failed entry.
    EXPECT_EQ(e->GetVariable("app"), "False");
    EXPECT_EQ(TempDir::read(local.file("app/a.txt")), "a.txt");
    EXPECT_FALSE(fs::exists(local.file("app/c.txt")));
    EXPECT_EQ(e->ExitCode(), 2);
}

TEST_P(FtpFamilies, NewerOlderAndNewOnly)
{
    remoteRoot.write("a.txt", "remote a");
    remoteRoot.write("b.txt", "remote b");
    // A remote file dated long ago: a missing local copy is still fetched by GETIFNEWER.
    setModified(remote("b.txt"), std::time(nullptr) - 3 * 365 * 86400);
    fs::create_directory(local.file("in"));
    auto e = run(with(login(server), {"GETIFNEWER *.txt in", "GETIFNEWER *.txt in", "LET second=success",
                                      "GETIFNEW *.txt in", "DISCONNECT"}));
    expectNoError(*e);
    EXPECT_EQ(TempDir::read(local.file("in/a.txt")), "remote a");
    EXPECT_EQ(TempDir::read(local.file("in/b.txt")), "remote b");
    EXPECT_EQ(std::count(e->Log().begin(), e->Log().end(), "   ---> Skipped: a.txt"), 2);
    EXPECT_EQ(e->GetVariable("second"), "True");

    // Uploads: a newer local file goes up, an older one is skipped; a missing target is absent.
    local.write("up/new.txt", "local new");
    local.write("up/old.txt", "local old");
    remoteRoot.write("dst/new.txt", "remote new");
    remoteRoot.write("dst/old.txt", "remote old");
    setModified(remote("dst/new.txt"), std::time(nullptr) - 86400 * 30);
    setModified(local.file("up/old.txt"), std::time(nullptr) - 86400 * 30);
    local.write("one/missing.txt", "first copy");
    e = run(with(login(server), {"SENDIFNEWER up/*.txt dst/", "SENDIFNEWER one/missing.txt dst", "LET sent=success",
                                 "DISCONNECT"}));
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_EQ(TempDir::read(remote("dst/new.txt")), "local new");
    EXPECT_EQ(TempDir::read(remote("dst/old.txt")), "remote old");
    EXPECT_EQ(TempDir::read(remote("dst/missing.txt")), "first copy");
    EXPECT_TRUE(contains(e->Log(), "                       Skipped:  old.txt"));
    EXPECT_TRUE(contains(e->Log(), "                       Processing NEWER:  new.txt to dst/new.txt"));
    EXPECT_EQ(e->GetVariable("sent"), "True");
}

TEST_P(FtpFamilies, MissingNamesReadAsAbsentAndNumbersStartAtOne)
{
    local.write("x.txt", "x");
    // pyftpdlib answers 550 to LIST of a missing folder: none of these may end the script.
    auto e = run(with(login(server), {"GET nodir/*.txt .", "LET getflag=success",
                                      "IF not remote-exists(nodir/x.txt)", "LET gone=yes", "ENDIF",
                                      "REMOTE-MD nums", "GENERATEREMOTENAME name nums/x.txt",
                                      "INCREMENTAL-SEND x.txt nums/x.txt", "REMOTE-DELETE nodir/*.txt",
                                      "LET end=reached", "DISCONNECT"}));
    expectNoError(*e);
    EXPECT_EQ(e->GetVariable("getflag"), "True");
    EXPECT_EQ(e->GetVariable("gone"), "yes");
    EXPECT_EQ(e->GetVariable("name"), "nums/x.txt.1");
    EXPECT_EQ(TempDir::read(remote("nums/x.txt.1")), "x");
    EXPECT_EQ(e->GetVariable("end"), "reached");
}

TEST_P(FtpFamilies, LocalNamesWithLineEndsAreNotSent)
{
    local.write("out/bad\nname.txt", "bad");
    local.write("out/good.txt", "good");
    remoteRoot.write("in/.keep", "");
    auto e = run(with(login(server), {"SEND out/*.txt in", "INCREMENTAL-SEND out/*.txt in", "DISCONNECT"}));
    expectNoError(*e);
    EXPECT_TRUE(e->SuccessFlag);
    EXPECT_EQ(TempDir::read(remote("in/good.txt")), "good");
    EXPECT_EQ(TempDir::read(remote("in/good.txt.1")), "good");
    Lines names;
    for (const auto& entry : fs::directory_iterator(remote("in"))) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{".keep", "good.txt", "good.txt.1"}));
    EXPECT_EQ(std::count(e->Log().begin(), e->Log().end(), "                       Skipped:  bad?name.txt (a line end in its name)"), 2);
}

TEST_P(FtpFamilies, TheModeSetBeforeConnectIsInForceOnceConnected)
{
    // The server starts in ASCII, where it refuses SIZE: a resume would send everything again.
    const std::string bytes = binaryBytes();
    remoteRoot.write("big.bin", bytes.substr(0, 1000));
    local.write("big.bin", bytes);
    auto e = run(with(Lines{"BINARY"}, with(login(server), {"LET size=remote-filesize(big.bin)",
                                                             "RESUME-SEND big.bin big.bin", "DISCONNECT"})));
    expectNoError(*e);
    EXPECT_EQ(e->GetVariable("size"), "1000");
    EXPECT_TRUE(contains(e->Log(), "   ---> REST 1000 STOR big.bin"));
    EXPECT_TRUE(TempDir::read(remote("big.bin")) == bytes);
}

TEST_P(FtpFamilies, ListedNamesNeverWriteThroughALocalLink)
{
    // A link planted in a shared incoming folder, aimed at a file outside it.
    remoteRoot.write("a.txt", "from the server");
    remoteRoot.write("b.txt", "b");
    const std::string victim = local.write("victim.txt", "keep me");
    fs::create_directory(local.file("in"));
    fs::create_symlink(victim, local.file("in/a.txt"));
    auto e = run(with(login(server), {"GET *.txt in", "LET masked=success", "GET a.txt in/a.txt", "DISCONNECT"}));
    EXPECT_EQ(e->ExitCode(), 2);
    EXPECT_EQ(e->GetVariable("masked"), "False");
    EXPECT_TRUE(contains(e->Log(), "   ---> Cannot create file " + local.file("in/a.txt") + ": it is a link"));
    EXPECT_EQ(TempDir::read(local.file("in/b.txt")), "b");
    // A name the script gave itself follows the link, as users expect of a plain GET.
    EXPECT_TRUE(fs::is_symlink(local.file("in/a.txt")));
    EXPECT_EQ(TempDir::read(victim), "from the server");
}

TEST_P(FtpFamilies, FailedLocalWritesAreLoggedAndFailTheCommand)
{
    remoteRoot.write("a.txt", "a");
    remoteRoot.write("big.bin", std::string(1 << 20, 'x'));
    fs::create_directory(local.file("folder"));
    local.write("ro.txt", "old");
    fs::permissions(local.file("ro.txt"), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // A small file-size limit stands for a full disk.
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    local.write("big.bin", "the good old copy");
    local.write("tail.bin", "old");
    auto e = run(with(login(server), {"GET a.txt nodir/a.txt", "LET missing=success", "GET a.txt folder",
                                      "LET folder=success", "GET big.bin big.bin", "LET full=success",
                                      "GET a.txt ro.txt", "LET readonly=success", "APPEND-GET big.bin tail.bin",
                                      "LET tail=success", "GET a.txt fine.txt", "DISCONNECT"}),
                 [&](TScriptVantrel&) {
                     const rlimit small{64 * 1024, old.rlim_max};
                     ::setrlimit(RLIMIT_FSIZE, &small);
                 });
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(e->ExitCode(), 2);
    for (const char* flag : {"missing", "folder", "full", "readonly", "tail"}) EXPECT_EQ(e->GetVariable(flag), "False") << flag;
    // Read-only is refused as LOCAL-DELETE refuses it, also for root.
    EXPECT_EQ(TempDir::read(local.file("ro.txt")), "old");
    const Lines& log = e->Log();
    // A name with a folder part is taken as written, in the current folder.
    EXPECT_TRUE(contains(log, "   ---> Cannot create file nodir/a.txt: No such file or directory"))
        << bytetext::joinLinesCrLf(log);
    EXPECT_TRUE(contains(log, "   ---> Cannot write to " + local.file("folder") + ": not a regular file"));
    // A local file that cannot be made is found out before the server is asked for it (a
    // server may send no closing reply once the data connection is dropped): a.txt is asked
    // for only where it arrives.
    EXPECT_EQ(std::count(log.begin(), log.end(), "   ---> RETR a.txt"), 1) << bytetext::joinLinesCrLf(log);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) {
        return l.starts_with("   ---> Cannot create file ") && l.ends_with("ro.txt: it is read-only");
    })) << bytetext::joinLinesCrLf(log);
    EXPECT_TRUE(contains(log, "   ---> Cannot write file " + local.file("big.bin") + ": File too large"));
    // The full disk costs neither the old copy nor the file appended to; no temporary is left.
    EXPECT_TRUE(contains(log, "   ---> Download failed: " + local.file("big.bin") + " is unchanged"));
    EXPECT_EQ(TempDir::read(local.file("big.bin")), "the good old copy");
    EXPECT_EQ(TempDir::read(local.file("tail.bin")), "old");
    EXPECT_EQ(TempDir::read(local.file("fine.txt")), "a");
    for (const auto& entry : fs::directory_iterator(local.path()))
        EXPECT_FALSE(entry.path().filename().string().ends_with(".tmp")) << entry.path();
    EXPECT_TRUE(e->SuccessFlag);
}

TEST_P(FtpFamilies, ConnectWithOtherSettingsReconnects)
{
    TempDir otherRoot;
    FtpTestServer other(ServerKind::Pyftpdlib, otherRoot.path());
    ASSERT_TRUE(other.running()) << other.failure();
    local.write("up.txt", "up");
    auto e = run(with(login(server), {"CONNECT", "LET same=success", "PORT=" + std::to_string(other.port()),
                                      "CONNECT", "LET moved=success", "SEND up.txt up.txt", "DISCONNECT"}));
    EXPECT_EQ(e->GetVariable("same"), "True");
    EXPECT_EQ(e->GetVariable("moved"), "True");
    EXPECT_EQ(TempDir::read(otherRoot.file("up.txt")), "up");
    EXPECT_FALSE(fs::exists(remote("up.txt")));
    const Lines& log = e->Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), "   ---> Connection settings changed: reconnecting to 127.0.0.1:" +
                                                     std::to_string(other.port())),
              1)
        << bytetext::joinLinesCrLf(log);
    // Unchanged settings log in once only.
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("   ---> USER "); }),
              2);
}

TEST_P(FtpFamilies, RawCommandsReachTheServer)
{
    remoteRoot.write("x.txt", "x");
    remoteRoot.write("y.txt", "y");
    auto e = run(with(login(server), {"CHMOD 600 x.txt", "LET chmod=success", "CHMOD x.txt 600", "LET swapped=success",
                                      "DOCOMMAND \"SITE CHMOD 640 y.txt\"", "DOCOMMAND BOGUS", "LET after=reached"}));
    EXPECT_EQ(e->GetVariable("chmod"), "True");
    EXPECT_EQ(fs::status(remote("x.txt")).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(e->GetVariable("swapped"), "False");
    EXPECT_EQ(fs::status(remote("y.txt")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    // A refused raw command ends the script.
    EXPECT_EQ(e->GetVariable("after"), "");
    EXPECT_EQ(e->ExitCode(), 1);
}

TEST_P(FtpFamilies, ExampleScriptRuns)
{
    remoteRoot.write("readme.txt", "Read me first.\n");
    remoteRoot.write("notes.txt", "Some notes.\n");
    const std::string example = std::string(VANTREL_SOURCE_DIR) + "/examples/Scripts/FtpExample.ftp";
    const std::string copy = scripts.write("FtpExample.ftp", TempDir::read(example));
    auto e = runFile({copy, "127.0.0.1", std::to_string(server.port()), server.user(), server.password()});
    expectNoError(*e);
    EXPECT_EQ(TempDir::read(local.file("ftp-example/readme.txt")), "Read me first.\n");
    EXPECT_EQ(TempDir::read(local.file("ftp-example/notes.txt")), "Some notes.\n");
    EXPECT_EQ(TempDir::read(remote("uploads/readme.txt.1")), "Read me first.\n");
    EXPECT_EQ(TempDir::read(remote("uploads/notes.txt")), "Some notes.\n");
    EXPECT_FALSE(e->FTP.GetConnected());
}

}  // namespace
