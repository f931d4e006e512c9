// The FTP script commands through whole runs of the engine: against pyftpdlib and vsftpd for the
// transfers and remote commands, against a scripted server for the replies real ones won't give.

#include "FakeFtpServer.h"
#include "FtpTestServers.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "runner/FtpCommands.h"
#include "runner/RemoteNames.h"
#include "runner/ScriptVantrel.h"
#include "net/common/HostLookup.h"
#include "tests/support/Fifo.h"
#include "tests/support/TempDir.h"
#include "tests/support/LogLines.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <csignal>
#include <filesystem>
#include <QTimer>
#include <atomic>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <sys/stat.h>
#include <utime.h>

using Lines = std::vector<std::string>;
using ftptest::FtpTestServer;
using ftptest::ServerKind;
namespace fs = std::filesystem;

namespace {


// Bytes an ASCII-mode transfer would change: bare LF, bare CR, CR LF, NUL and 8-bit bytes.
std::string binaryBytes()
{
    std::string b;
    for (int i = 0; i < 3000; ++i) b += std::string("a\nb\rc\r\n\0\xff", 10) + static_cast<char>(i & 0xff);
    return b;
}

void setModified(const std::string& path, std::time_t when)
{
    const utimbuf times{when, when};
    ASSERT_EQ(::utime(path.c_str(), &times), 0) << path;
}

class FtpRun : public ::testing::Test {
protected:
    // A run's relative paths are taken in its current folder, as when started from a shell.
    void SetUp() override
    {
        cwd_ = fs::current_path();
        fs::current_path(local.path());
    }
    void TearDown() override { fs::current_path(cwd_); }
    // `before` may arm timers that fire while the run pumps.
    std::unique_ptr<TScriptVantrel> run(const Lines& lines, const std::function<void(TScriptVantrel&)>& before = {})
    {
        return runFile({scripts.write("f.ftp", bytetext::joinLinesCrLf(lines))}, {}, 0, before);
    }
    // One run: the script path, then its parameters. `during` runs once the run has waited
    // `afterMs` (a Cancel press, say); `before` may arm timers that fire while the run pumps.
    std::unique_ptr<TScriptVantrel> runFile(const Lines& parameters,
                                            const std::function<void(TScriptVantrel&)>& during = {},
                                            int afterMs = 0,
                                            const std::function<void(TScriptVantrel&)>& before = {})
    {
        auto e = std::make_unique<TScriptVantrel>(parameters);
        if (during) QTimer::singleShot(afterMs, e.get(), [run = e.get(), during] { during(*run); });
        e->Starta.stop();
        e->SleepWithoutPumping = [](int) {};
        e->StartDir = local.path();
        if (before) before(*e);
        e->StartaTimer();
        e->Halta.stop();
        e->Holdup.stop();
        return e;
    }
    static Lines login(int port, const std::string& user = "tester", const std::string& password = "s3cret")
    {
        return {"HOST=127.0.0.1", "PORT=" + std::to_string(port), "USER=" + user, "PASSWORD=" + password,
                "TIMEOUT=10", "CONNECT"};
    }
    static Lines login(const FtpTestServer& s) { return login(s.port(), s.user(), s.password()); }
    static Lines with(Lines head, const Lines& tail)
    {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    }
    static void expectNoError(const TScriptVantrel& e)
    {
        EXPECT_EQ(e.ExitCode(), 0);
        const bool failed = std::any_of(e.Log().begin(), e.Log().end(), [](const std::string& l) { return l.rfind("Error: ", 0) == 0; });
        EXPECT_FALSE(failed) << bytetext::joinLinesCrLf(e.Log());
    }

    TempDir local, scripts;
    fs::path cwd_;
};

// --- plain rules ---

TEST(FtpCommandRules, ServerNamesBecomeLocalNamesOnlyThroughTheGuard)
{
    const struct {
        const char* listed;
        const char* local;
    } cases[] = {
        {"a.txt", "a.txt"}, {"../x", "x"},     {"a\\b", "b"},        {"/etc/passwd", "passwd"},
        {"dir/", ""},       {".", ""},         {"..", ""},           {"sub/..", ""},
        {"", ""},           {"a\rb", ""},      {"a\nb", ""},         {"..\\..\\y", "y"},
    };
    for (const auto& c : cases) EXPECT_EQ(remotenames::SafeLocalName(c.listed), c.local) << c.listed;
    EXPECT_EQ(remotenames::SafeLocalName(std::string("a\0b", 3)), "");
}

TEST(FtpCommandRules, ListedPathsMasksAndNumbers)
{
    using namespace ftpcommands;
    EXPECT_EQ(ListedPath("/pub/*.txt", "a.txt"), "/pub/a.txt");
    EXPECT_EQ(ListedPath("*.txt", "a.txt"), "a.txt");
    EXPECT_EQ(ListedPath("pub/*.txt", "pub/a.txt"), "pub/a.txt");

    EXPECT_TRUE(MatchesRemoteMask("/pub/*.txt", "a.txt", '*'));
    EXPECT_TRUE(MatchesRemoteMask("*.txt", "pub/a.txt", '*'));
    EXPECT_FALSE(MatchesRemoteMask("/pub/*.txt", "a.dat", '*'));
    EXPECT_TRUE(MatchesRemoteMask("a?c@", "abc.x", '@'));
    EXPECT_FALSE(MatchesRemoteMask("a?c@", "ac.x", '@'));

    EXPECT_EQ(Extension("report.txt.01"), ".01");
    EXPECT_EQ(Extension("noext"), "");
    EXPECT_EQ(FirstFreeNumber({}), 1);
    EXPECT_EQ(FirstFreeNumber({".txt", ".01", ".2"}), 1);  // ".01" is not number 1
    EXPECT_EQ(FirstFreeNumber({".1", ".2", ".4"}), 3);

    EXPECT_TRUE(MeansAbsent("550 No such file or directory.\r\n"));
    EXPECT_TRUE(MeansAbsent("450 No files found"));
    EXPECT_FALSE(MeansAbsent("500 Unknown command"));
    EXPECT_FALSE(MeansAbsent("421 Closing"));
}

// --- the main paths, on both real servers ---

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

// --- the other families, on every real server with an account ---

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

// --- the scripted server: replies real servers won't give ---

const char* kUnixLine = "-rw-r--r--   1 user     group    %s Jan 10  2020 %s\r\n";

std::string listingLine(const std::string& size, const std::string& name)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, kUnixLine, size.c_str(), name.c_str());
    return buf;
}

// The replies of a small server: PWD, CWD, NOOP, LIST (the given listing), RETR (any name: its
// content), SIZE (the given reply), DELE (recorded by the server's line log).
ftpfake::Handler scripted(std::string listing, std::string sizeReply = "500 Unknown command\r\n")
{
    return [listing = std::move(listing), sizeReply = std::move(sizeReply)](ftpfake::Session& s, const std::string& line) {
        const std::string verb = line.substr(0, line.find(' '));
        const std::string arg = line.size() > verb.size() ? line.substr(verb.size() + 1) : std::string();
        if (verb == "PWD") s.send("257 \"/\" is the current directory\r\n");
        else if (verb == "CWD" || verb == "DELE") s.send("250 OK\r\n");
        else if (verb == "NOOP") s.send("200 NOOP ok\r\n");
        else if (verb == "SIZE") s.send(sizeReply);
        else if (verb == "LIST" || verb == "RETR") {
            s.send("150 Opening data connection\r\n");
            s.sendData(verb == "LIST" ? listing : "content of " + arg);
            s.send("226 Transfer complete\r\n");
        } else ftpfake::standardReply(s, line);
    };
}

void greet(ftpfake::Session& s) { s.send("220 scripted ready\r\n"); }

// One remote file served with the faults a real server won't show: a 150 reply that announces
// its size (or not), data cut short after which 226 still comes, REST taken but ignored, data
// that stalls half way.
struct FileServer {
    explicit FileServer(std::string b, bool announceSize = true, std::size_t only = std::string::npos,
                        bool rest = true)
        : bytes(std::move(b)), announce(announceSize), sendOnly(only), honourRest(rest)
    {
    }
    std::string bytes;
    bool announce;
    std::size_t sendOnly;  // data bytes sent, then 226 all the same
    bool honourRest;
    bool stall = false;
    std::string listing;  // empty: LIST as the scripted server answers it
};

ftpfake::Handler fileServer(FileServer f)
{
    return [f, rest = std::size_t{0}](ftpfake::Session& s, const std::string& line) mutable {
        const std::string verb = line.substr(0, line.find(' '));
        if (verb == "SIZE") {
            s.send("213 " + std::to_string(f.bytes.size()) + "\r\n");
        } else if (verb == "REST") {
            rest = std::stoul(line.substr(5));
            s.send("350 Restarting\r\n");
        } else if (verb == "RETR") {
            s.send(f.announce ? "150 Opening BINARY mode data connection (" + std::to_string(f.bytes.size()) + " bytes)\r\n"
                              : "150 Opening BINARY mode data connection\r\n");
            std::string data = f.bytes.substr(f.honourRest ? std::min(rest, f.bytes.size()) : 0);
            rest = 0;
            if (f.sendOnly < data.size()) data.resize(f.sendOnly);
            if (f.stall) {
                s.sendDataAndHold(data);
                s.send("426 Transfer aborted\r\n");
            } else {
                s.sendData(data);
                s.send("226 Transfer complete\r\n");
            }
        } else if (verb == "LIST" && !f.listing.empty()) {
            s.send("150 Here it comes\r\n");
            s.sendData(f.listing);
            s.send("226 Done\r\n");
        } else {
            scripted("")(s, line);
        }
    };
}

TEST_F(FtpRun, ADownloadThatDisagreesWithTheServersSizeFails)
{
    std::string bytes;
    for (int i = 0; i < 1000; ++i) bytes += static_cast<char>('a' + i % 26);
    const std::string head = bytes.substr(0, 400);
    const struct {
        const char* what;
        FileServer server;
        std::string command;
        std::string before;  // the local file before; empty: none
        std::string after;   // the local file after
        std::string logged;  // empty: the download succeeds
    } cases[] = {
        // A short file never takes the name, nor the place of the copy that was there.
        {"short data, then 226", FileServer(bytes, true, 600), "GET f.bin got.bin", "", "",
         "   ---> Received 600 bytes of f.bin, expected 1000"},
        {"short data over a good copy", FileServer(bytes, true, 600), "GET f.bin got.bin", "old copy", "old copy",
         "   ---> Download failed: " + local.file("got.bin") + " is unchanged"},
        {"announced and whole", FileServer(bytes), "GET f.bin got.bin", "", bytes, ""},
        {"nothing announced", FileServer(bytes, false, 600), "GET f.bin got.bin", "", bytes.substr(0, 600), ""},
        // REST taken but the whole file sent: appended, it would be 1400 bytes passing for done.
        {"REST ignored", FileServer(bytes, true, std::string::npos, false), "RESUME-GET f.bin got.bin", head, head,
         "   ---> Received 1000 bytes of f.bin, expected 600"},
        {"REST honoured", FileServer(bytes), "RESUME-GET f.bin got.bin", head, bytes, ""},
        // A local file longer than the remote one is no part of it, whatever the server does.
        {"local longer, REST honoured", FileServer(bytes), "RESUME-GET f.bin got.bin", bytes + head, bytes + head,
         "   ---> Local file " + local.file("got.bin") + " (1400 bytes) is longer than f.bin (1000 bytes)"},
        {"local longer, REST ignored", FileServer(bytes, true, std::string::npos, false), "RESUME-GET f.bin got.bin",
         bytes + head, bytes + head,
         "   ---> Local file " + local.file("got.bin") + " (1400 bytes) is longer than f.bin (1000 bytes)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(local.file("got.bin"));
        if (!c.before.empty()) local.write("got.bin", c.before);
        ftpfake::FakeFtpServer fake(greet, fileServer(c.server));
        auto e = run(with(login(fake.port()), {c.command, "LET ok=success", "DISCONNECT"}));
        EXPECT_EQ(e->ExitCode(), c.logged.empty() ? 0 : 2);
        EXPECT_EQ(e->GetVariable("ok"), c.logged.empty() ? "True" : "False");
        if (!c.logged.empty()) {
            EXPECT_TRUE(contains(e->Log(), c.logged)) << bytetext::joinLinesCrLf(e->Log());
        }
        EXPECT_TRUE(TempDir::read(local.file("got.bin")) == c.after);
    }
}

TEST_F(FtpRun, TypeIsSentOnceConnectedAndThenOnlyWhenTheModeChanges)
{
    ftpfake::FakeFtpServer fake(greet, fileServer(FileServer("1234")));
    auto e = run(with(Lines{"BINARY"}, with(login(fake.port()), {"GET f.bin a", "GET f.bin b",
                                                                  "DOCOMMAND \"TYPE A\"", "GET f.bin c",
                                                                  "ASCII", "GET f.bin d", "DISCONNECT"})));
    expectNoError(*e);
    Lines types;
    for (const std::string& l : fake.lines())
        if (l.starts_with("TYPE") || l.starts_with("RETR")) types.push_back(l);
    EXPECT_EQ(types, (Lines{"TYPE I", "RETR f.bin", "RETR f.bin", "TYPE A", "TYPE I", "RETR f.bin", "TYPE A",
                            "RETR f.bin"}));
}

TEST_F(FtpRun, AFolderLineWithoutANameIsNoFile)
{
    // A date-first listing whose folder line has nothing in its name column.
    const std::string date = "11-02-09  05:32PM";
    const std::string file = date + std::string(38 - date.size() - 1, ' ') + "5 a.txt\r\n";
    FileServer f("12345");
    f.listing = date + "       <DIR>\r\n" + file;
    ftpfake::FakeFtpServer fake(greet, fileServer(f));
    fs::create_directory(local.file("in"));
    auto e = run(with(login(fake.port()), {"SERVERTYPE=NT/Dos", "GET * in", "REMOTE-DELETE *", "DISCONNECT"}));
    expectNoError(*e);
    EXPECT_EQ(TempDir::read(local.file("in/a.txt")), "12345");
    const Lines sent = fake.lines();
    EXPECT_TRUE(contains(sent, "RETR a.txt"));
    EXPECT_TRUE(contains(sent, "DELE a.txt"));
    EXPECT_FALSE(containsPart(sent, "<DIR>"));
}

TEST_F(FtpRun, ACancelledDownloadSaysWhichFileIsIncomplete)
{
    FileServer f(std::string(5000, 'x'));
    f.sendOnly = 1000;
    f.stall = true;
    ftpfake::FakeFtpServer fake(greet, fileServer(f));
    QTimer press;
    local.write("part.bin", "good copy");
    auto e = run(with(login(fake.port()), {"GET f.bin part.bin", "MESSAGE not reached"}), [&](TScriptVantrel& engine) {
        QObject::connect(&press, &QTimer::timeout, &engine, [&] {
            if (engine.FTP.GetDataText() == 0) return;
            press.stop();
            engine.Button1Click();
        });
        press.start(50);
    });
    EXPECT_EQ(e->ExitCode(), 130);
    EXPECT_TRUE(contains(e->Log(), "   ---> Download cancelled: " + local.file("part.bin") + " is unchanged"))
        << bytetext::joinLinesCrLf(e->Log());
    EXPECT_EQ(TempDir::read(local.file("part.bin")), "good copy");
    EXPECT_FALSE(containsPart(e->Log(), "MESSAGE"));
}

TEST_F(FtpRun, PortsOutsideSixteenBitsFailConnect)
{
    auto e = run({"HOST=127.0.0.1", "PORT=70000", "CONNECT", "LET high=success", "PORT=-1", "CONNECT",
                  "LET low=success"});
    EXPECT_EQ(e->ExitCode(), 2);
    EXPECT_EQ(e->GetVariable("high"), "False");
    EXPECT_EQ(e->GetVariable("low"), "False");
    EXPECT_TRUE(contains(e->Log(), "   ---> Unable to Connect. Message: Port 70000 is outside 1-65535"));
    EXPECT_TRUE(contains(e->Log(), "   ---> Unable to Connect. Message: Port -1 is outside 1-65535"));
}

TEST_F(FtpRun, ALineEndInACommandTextFailsThatCommandOnly)
{
    ftpfake::FakeFtpServer fake(greet, fileServer(FileServer("x")));
    local.write("up.txt", "up");
    auto e = run(with(login(fake.port()), {"DOCOMMAND \"NOOP%%NewLine%%DELE victim\"", "LET raw=success",
                                           "INCREMENTAL-SEND up.txt \"out%%NewLine%%DELE victim\"",
                                           "LET numbered=success", "IF remote-exists(\"a%%NewLine%%b\")",
                                           "LET exists=yes", "ENDIF", "DOCOMMAND NOOP", "LET after=reached",
                                           "DISCONNECT"}));
    EXPECT_EQ(e->ExitCode(), 2) << bytetext::joinLinesCrLf(e->Log());
    EXPECT_EQ(e->GetVariable("raw"), "False");
    EXPECT_EQ(e->GetVariable("numbered"), "False");
    EXPECT_EQ(e->GetVariable("exists"), "");
    EXPECT_EQ(e->GetVariable("after"), "reached");
    EXPECT_TRUE(contains(e->Log(), "   ---> Command line holds CR, LF or NUL"));
    const Lines sent = fake.lines();
    EXPECT_FALSE(containsPart(sent, "victim"));
    EXPECT_TRUE(contains(sent, "NOOP"));
}

TEST_F(FtpRun, RemoteFileSizeFallbacks)
{
    const struct {
        const char* sizeReply;
        std::string listing;
        const char* expected;
        bool listed;
    } cases[] = {
        {"213 1234\r\n", "", "1234", false},
        {"550 No such file\r\n", "", "-1", false},
        {"500 SIZE not understood\r\n", listingLine("77", "f.txt"), "77", true},
        {"502 Not implemented\r\n", listingLine("77", "other.txt"), "-1", true},
        {"500 SIZE not understood\r\n", "", "-1", true},
        {"421 Going away\r\n", listingLine("77", "f.txt"), "-1", false},
    };
    for (const auto& c : cases) {
        ftpfake::FakeFtpServer fake(greet, scripted(c.listing, c.sizeReply));
        auto e = run(with(login(fake.port()), {"LET size=remote-filesize(f.txt)", "DISCONNECT"}));
        EXPECT_EQ(e->GetVariable("size"), c.expected) << c.sizeReply;
        EXPECT_TRUE(contains(e->Log(), "   ---> Check \"f.txt\" existence and size...")) << c.sizeReply;
        EXPECT_EQ(contains(e->Log(), "   ---> FTP Server responded with No-can-do so try another method..."), c.listed)
            << c.sizeReply;
        const Lines sent = fake.lines();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "LIST f.txt"), c.listed ? 1 : 0) << c.sizeReply;
    }
}

TEST_F(FtpRun, ServerNamesWriteNothingOutsideTheTarget)
{
    const std::string listing = listingLine("5", "../x") + listingLine("5", "a\\b") + listingLine("5", "..") +
                                listingLine("5", "ok.txt");
    ftpfake::FakeFtpServer fake(greet, scripted(listing));
    fs::create_directory(local.file("target"));
    auto e = run(with(login(fake.port()), {"GET * target", "DISCONNECT"}));
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_EQ(TempDir::read(local.file("target/x")), "content of ../x");
    EXPECT_EQ(TempDir::read(local.file("target/b")), "content of a\\b");
    EXPECT_EQ(TempDir::read(local.file("target/ok.txt")), "content of ok.txt");
    Lines top;
    for (const auto& entry : fs::directory_iterator(local.path())) top.push_back(entry.path().filename().string());
    EXPECT_EQ(top, Lines{"target"});
    Lines inside;
    for (const auto& entry : fs::directory_iterator(local.file("target"))) inside.push_back(entry.path().filename().string());
    std::sort(inside.begin(), inside.end());
    EXPECT_EQ(inside, (Lines{"b", "ok.txt", "x"}));
}

TEST_F(FtpRun, MaskedDeleteFiltersWhatTheServerLists)
{
    // This server ignores the LIST argument and lists its whole folder.
    const std::string listing = listingLine("1", "a.tmp") + listingLine("1", "keep.txt") + listingLine("1", "b.TMP");
    ftpfake::FakeFtpServer fake(greet, scripted(listing));
    auto e = run(with(login(fake.port()), {"REMOTE-DELETE /work/*.tmp", "DISCONNECT"}));
    EXPECT_TRUE(e->SuccessFlag);
    const Lines sent = fake.lines();
    Lines deletes;
    for (const auto& l : sent)
        if (l.rfind("DELE ", 0) == 0) deletes.push_back(l);
    EXPECT_EQ(deletes, (Lines{"DELE /work/a.tmp", "DELE /work/b.TMP"}));
}

TEST_F(FtpRun, HostTimeZoneMovesListedDates)
{
    // Listed: 2020-01-10 00:00. The local copy: 01:00 that day.
    ftpfake::FakeFtpServer fake(greet, scripted(listingLine("5", "f.txt")));
    local.write("in/f.txt", "local");
    std::tm tm{};
    tm.tm_year = 120, tm.tm_mon = 0, tm.tm_mday = 10, tm.tm_hour = 1, tm.tm_isdst = -1;
    setModified(local.file("in/f.txt"), std::mktime(&tm));
    auto e = run(with(login(fake.port()), {"GETIFNEWER f.txt in", "HOSTTZDIFF x", "GETIFNEWER f.txt in",
                                           "HOSTTZDIFF 2", "GETIFNEWER f.txt in", "DISCONNECT"}));
    EXPECT_EQ(e->ExitCode(), 0);
    EXPECT_EQ(std::count(e->Log().begin(), e->Log().end(), "   ---> Skipped: f.txt"), 2);
    EXPECT_TRUE(contains(e->Log(), "   ---> ERROR: Host timezone difference froced to: 0 hrs"));
    EXPECT_TRUE(contains(e->Log(), "   ---> Host timezone difference: 2 hrs"));
    EXPECT_EQ(TempDir::read(local.file("in/f.txt")), "content of f.txt");
}

TEST_F(FtpRun, AnUploadWhoseFileCannotBeReadSaysWhy)
{
    // The file shrinks to one byte once its first bytes have arrived: the rest cannot be read.
    const std::string path = local.file("shrinks.bin");
    ftpfake::FakeFtpServer fake(greet, [path](ftpfake::Session& s, const std::string& line) {
        if (line.rfind("STOR ", 0) == 0) {
            s.send("150 Ok to send data\r\n");
            bool cut = false;
            (void)s.receiveData([&](std::size_t) {
                if (!std::exchange(cut, true)) ::truncate(path.c_str(), 1);
            });
            s.send("426 Transfer aborted\r\n");
        } else {
            scripted("")(s, line);
        }
    });
    local.write("shrinks.bin", std::string(32 * 1024 * 1024, 'x'));
    auto e = run(with(login(fake.port()), {"SEND shrinks.bin up.bin", "LET sent=success", "DISCONNECT"}));
    EXPECT_EQ(e->GetVariable("sent"), "False");
    EXPECT_TRUE(contains(e->Log(), "   ---> Transfer failed: Cannot read file " + path)) << bytetext::joinLinesCrLf(e->Log());
    // The aborted upload's closing reply is read before QUIT, not taken for its reply.
    const auto quit = std::find(e->Log().begin(), e->Log().end(), "   ---> QUIT");
    ASSERT_NE(quit, e->Log().end());
    EXPECT_EQ(*(quit - 1), "   ---> 426 Transfer aborted") << bytetext::joinLinesCrLf(e->Log());
    EXPECT_EQ(*(quit + 1), "   ---> 221 Goodbye") << bytetext::joinLinesCrLf(e->Log());
}

TEST_F(FtpRun, StalledTransferTimesOutAndTheRunGoesOn)
{
    ftpfake::FakeFtpServer fake(greet, [](ftpfake::Session& s, const std::string& line) {
        if (line.rfind("RETR ", 0) == 0) {
            s.send("150 Opening data connection\r\n");
            (void)s.receiveData();  // connects, sends nothing, waits for the client to close
            s.send("426 Transfer aborted\r\n");
        } else {
            scripted("")(s, line);
        }
    });
    const auto started = std::chrono::steady_clock::now();
    auto e = run(with(login(fake.port()), {"TRANSTIMEOUT=1", "GET stall.bin stall.bin", "LET got=success",
                                           "DOCOMMAND NOOP", "LET after=reached", "DISCONNECT"}));
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(contains(e->Log(), "   ---> Transfer timed out! (1 seconds)"));
    EXPECT_EQ(e->GetVariable("got"), "False");
    EXPECT_EQ(e->GetVariable("after"), "reached");
    EXPECT_EQ(e->ExitCode(), 2);
    // The time-out, not the socket's own 10 s limit, ended it.
    EXPECT_LT(took, std::chrono::seconds(6));
    const Lines sent = fake.lines();
    EXPECT_TRUE(contains(sent, "NOOP"));
}

// --- every wait ends ---

namespace {

using Clock = std::chrono::steady_clock;

// RETR: the preliminary reply and the data, but no closing reply.
ftpfake::Handler withoutClosingReply()
{
    return [](ftpfake::Session& s, const std::string& line) {
        if (line.rfind("RETR ", 0) == 0) {
            s.send("150 Opening data connection\r\n");
            s.sendData("content");
        } else {
            scripted("")(s, line);
        }
    };
}

}  // namespace

TEST_F(FtpRun, TransferTimeoutAloneEndsAStalledTransferAndLogsIt)
{
    ftpfake::FakeFtpServer fake(greet, [](ftpfake::Session& s, const std::string& line) {
        if (line.rfind("RETR ", 0) == 0) {
            s.send("150 Opening data connection\r\n");
            (void)s.receiveData();
            s.send("426 Transfer aborted\r\n");
        } else {
            scripted("")(s, line);
        }
    });
    // The stall outlasts TIMEOUT: still the transfer time-out is what ends it.
    auto e = run(with(login(fake.port()), {"TIMEOUT=1", "TRANSTIMEOUT=2", "GET stall.bin stall.bin",
                                           "LET got=success"}));
    EXPECT_TRUE(contains(e->Log(), "   ---> Transfer timed out! (2 seconds)"));
    EXPECT_EQ(e->GetVariable("got"), "False");
}

TEST_F(FtpRun, TransferTimeoutEndsTheWaitForAClosingReply)
{
    ftpfake::FakeFtpServer fake(greet, withoutClosingReply());
    const auto started = Clock::now();
    // TIMEOUT only bounds the test should the time-out not reach the closing reply.
    auto e = run(with(login(fake.port()), {"TIMEOUT=8", "TRANSTIMEOUT=1", "GET x.bin x.bin", "LET got=success",
                                           "LET after=reached"}));
    EXPECT_TRUE(contains(e->Log(), "   ---> Transfer timed out! (1 seconds)"));
    EXPECT_EQ(e->GetVariable("got"), "False");
    EXPECT_EQ(e->GetVariable("after"), "reached");
    e.reset();  // the end does not wait for the reply either
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(6));
}

TEST_F(FtpRun, SilentGreetingCostsOneTimeoutAndNoQuit)
{
    ftpfake::FakeFtpServer fake(nullptr, scripted(""));
    Lines lines = login(fake.port());
    lines.insert(lines.end() - 1, "TIMEOUT=1");
    const auto started = Clock::now();
    auto e = run(lines);
    EXPECT_TRUE(contains(e->Log(), "   ---> Unable to Connect. Message: Reply Timed Out"));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
    e.reset();
    EXPECT_FALSE(contains(fake.lines(), "QUIT"));
}

TEST_F(FtpRun, CancelEndsTheWaitForAControlReply)
{
    ftpfake::FakeFtpServer fake(greet, [](ftpfake::Session& s, const std::string& line) {
        if (line.rfind("SITE ", 0) != 0) scripted("")(s, line);  // SITE gets no reply
    });
    const auto started = Clock::now();
    auto e = runFile({scripts.write("c.ftp", bytetext::joinLinesCrLf(with(
                          login(fake.port()), {"TIMEOUT=8", "DOCOMMAND \"SITE CHMOD 644 x\"", "LET after=reached"})))},
                     [](TScriptVantrel& run) { run.Button1Click(); }, 300);
    EXPECT_EQ(e->GetVariable("after"), "");
    EXPECT_EQ(e->ExitCode(), 130) << bytetext::joinLinesCrLf(e->Log());
    EXPECT_NE(TempDir::read(scripts.file("c.History.txt")).find(": End script c.ftp ****"), std::string::npos);
    e.reset();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(5));
}

TEST_F(FtpRun, CancelEndsAHungHostLookup)
{
    // Shared with the lookup's worker, which outlives this test.
    const auto asked = std::make_shared<std::atomic<bool>>(false);
    netsock::SetResolverForTesting([asked](const std::string&, std::uint32_t&) {
        *asked = true;
        std::this_thread::sleep_for(std::chrono::seconds(4));
        return 11001;
    });
    const auto started = Clock::now();
    auto e = runFile({scripts.write("h.ftp", "HOST=hung.invalid\r\nTIMEOUT=0\r\nCONNECT\r\nLET after=reached\r\n")},
                     [](TScriptVantrel& run) { run.Button1Click(); }, 300);
    const auto took = Clock::now() - started;
    netsock::SetResolverForTesting({});
    EXPECT_TRUE(*asked);
    EXPECT_TRUE(contains(e->Log(), "   ---> Unable to Connect. Message: Host Lookup Canceled"));
    EXPECT_EQ(e->GetVariable("after"), "");
    EXPECT_LT(took, std::chrono::seconds(3));
}

TEST_F(FtpRun, RunEndingWithTheConnectionOpenClosesWithinSeconds)
{
    ftpfake::FakeFtpServer fake(greet, [](ftpfake::Session& s, const std::string& line) {
        if (line != "QUIT") scripted("")(s, line);  // and never answers QUIT
    });
    auto e = run(with(login(fake.port()), {"TIMEOUT=20"}));
    const auto started = Clock::now();
    e.reset();
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(6));
    EXPECT_TRUE(contains(fake.lines(), "QUIT"));
}

TEST_F(FtpRun, NonRegularLocalTargetsAreRefusedWithoutBlocking)
{
    fs::create_directories(local.file("in"));
    Fifo plain(local.file("plain.pipe")), listed(local.file("in/b.txt"));
    ASSERT_TRUE(plain.made() && listed.made());
    ftpfake::FakeFtpServer fake(greet, scripted(listingLine("5", "a.txt") + listingLine("5", "b.txt")));
    auto e = run(with(login(fake.port()), {"GET a.txt plain.pipe", "LET plain=success", "GET *.txt in",
                                           "LET after=reached", "DISCONNECT"}));
    EXPECT_EQ(e->GetVariable("plain"), "False");
    EXPECT_EQ(e->GetVariable("after"), "reached");
    EXPECT_EQ(TempDir::read(local.file("in/a.txt")), "content of a.txt");
    EXPECT_TRUE(contains(e->Log(), "   ---> Transfer failed: Cannot write to " + local.file("plain.pipe") +
                                       ": not a regular file"));
    EXPECT_TRUE(contains(e->Log(), "   ---> Transfer failed: Cannot write to " + local.file("in/b.txt") +
                                       ": not a regular file"));
    EXPECT_FALSE(plain.unblocked() || listed.unblocked());
}

}  // namespace
