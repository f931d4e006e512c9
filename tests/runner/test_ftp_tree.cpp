// SENDTREE and GETTREE through whole runs against pyftpdlib and vsftpd, a scripted server for
// listings no real server gives ("../evil", "a/b", links and folders that lead back), and the
// FTP event handlers against a table of events and their log lines.

#include "FakeFtpServer.h"
#include "FtpTestServers.h"
#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "platform/Wait.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/EngineRun.h"
#include "tests/support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <unistd.h>

using Lines = std::vector<std::string>;
using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::Not;
using ftptest::FtpTestServer;
using ftptest::ServerKind;
namespace fs = std::filesystem;

namespace {

// Every file under `root` by its relative path, with its bytes.
std::map<std::string, std::string> filesUnder(const std::string& root)
{
    std::map<std::string, std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_regular_file())
            out[fs::relative(entry.path(), root).string()] = TempDir::read(entry.path().string());
    return out;
}

std::set<std::string> foldersUnder(const std::string& root)
{
    std::set<std::string> out;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.is_directory() && !entry.is_symlink()) out.insert(fs::relative(entry.path(), root).string());
    return out;
}

std::string binaryBytes()
{
    std::string b;
    for (int i = 0; i < 5000; ++i) b += std::string("x\r\n\0\xfe", 5) + static_cast<char>(i & 0xff);
    return b;
}

class TreeRun : public ::testing::Test {
protected:
    // One run of the script; the engine stays, still connected when the script did not disconnect.
    std::unique_ptr<TScriptVantrel> run(const Lines& lines)
    {
        return enginerun::RunLines(scripts, "t.ftp", lines, [this](TScriptVantrel& e) { e.StartDir = work.path(); });
    }
    static Lines login(int port, const std::string& user, const std::string& password, const Lines& tail)
    {
        return enginerun::Joined({"HOST=127.0.0.1", "PORT=" + std::to_string(port), "USER=" + user,
                                  "PASSWORD=" + password, "TIMEOUT=10", "TRANSTIMEOUT=10", "CONNECT"},
                                 tail);
    }
    static std::string dump(const TScriptVantrel& e) { return bytetext::joinLinesCrLf(e.Log()); }

    TempDir work, scripts;
    enginerun::KeepCurrentFolder cwd_;
};

// --- both real servers ---

class TreeOnServers : public TreeRun, public ::testing::WithParamInterface<ServerKind> {};

TEST_P(TreeOnServers, SendTreeThenGetTreeGivesTheSameFilesAndBothSidesEndWhereTheyStarted)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();

    const std::string source = work.path() + "/source";
    work.write("source/top.txt", "top\r\n");
    work.write("source/with blanks.txt", "blanks");
    work.write("source/.profile", "hidden file");
    work.write("source/sub/data.bin", binaryBytes());
    work.write("source/sub/deeper/leaf.txt", "leaf");
    fs::create_directories(source + "/empty");
    fs::create_directories(source + "/sub/empty too");
    work.write("source/.hidden/secret.txt", "not sent");
    fs::create_directory_symlink(source + "/sub", source + "/link-to-sub");
    fs::create_directory_symlink(source, source + "/sub/loop");

    fs::create_directories(work.path() + "/elsewhere");
    ASSERT_EQ(::chdir(work.path().c_str()), 0);
    auto e = run(login(server.port(), server.user(), server.password(),
                       {"SENDTREE source/*.* backup", "GETTREE backup/*.* mirror"}));
    EXPECT_EQ(e->ExitCode(), 0) << dump(*e);
    EXPECT_TRUE(e->SuccessFlag) << dump(*e);
    EXPECT_THAT(e->Log(), Not(Contains(HasSubstr("Error")))) << dump(*e);

    // Hidden folders and links are not sent; hidden files are.
    std::map<std::string, std::string> expected = filesUnder(source);
    for (auto it = expected.begin(); it != expected.end();)
        it = it->first.starts_with(".hidden") || it->first.starts_with("link-to-sub") ||
                     it->first.starts_with("sub/loop")
                 ? expected.erase(it)
                 : std::next(it);
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(filesUnder(remoteRoot.path() + "/backup"), expected);
    const std::set<std::string> folders{"empty", "sub", "sub/deeper", "sub/empty too"};
    EXPECT_EQ(foldersUnder(remoteRoot.path() + "/backup"), folders);

    // Only pyftpdlib lists dot-files; the others cannot give the hidden file back.
    if (GetParam() != ServerKind::Pyftpdlib) expected.erase(".profile");
    EXPECT_EQ(filesUnder(work.path() + "/mirror"), expected);
    EXPECT_EQ(foldersUnder(work.path() + "/mirror"), folders);

    EXPECT_EQ(apppaths::currentDirectory(), work.path());
    EXPECT_EQ(e->FTP.GetCurrentDir(), server.home());
    EXPECT_THAT(e->Log(), Contains("   ---> Remote Directory backup"));
    EXPECT_THAT(e->Log(), Contains("   ---> Local Directory mirror"));
    EXPECT_THAT(e->Log(), Contains(HasSubstr(": Uploading "))) << dump(*e);
    const std::string deepLeaf = "/backup/sub/deeper/leaf.txt  " + work.path() + "/mirror/sub/deeper/leaf.txt";
    EXPECT_THAT(e->Log(), Contains(HasSubstr(deepLeaf)))
        << dump(*e);
}

TEST_P(TreeOnServers, EmptyFolderPartsMeanTheCurrentFolderOnThatSide)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    fs::create_directories(remoteRoot.path() + "/in");
    work.write("here/a.txt", "a");
    work.write("here/sub/b.txt", "b");

    ASSERT_EQ(::chdir((work.path() + "/here").c_str()), 0);
    auto e = run(login(server.port(), server.user(), server.password(),
                       {"REMOTE-CD in", "SENDTREE *.*", "GETTREE *.* " + work.path() + "/back", "DISCONNECT"}));
    EXPECT_TRUE(e->SuccessFlag) << dump(*e);
    EXPECT_THAT(e->Log(), Contains("   ---> Request Close Socket"));
    EXPECT_THAT(e->Log(), Contains("   ---> FTP connection closed!"));
    EXPECT_THAT(e->Log(), Not(Contains(HasSubstr("Error"))));
    const std::map<std::string, std::string> tree{{"a.txt", "a"}, {"sub/b.txt", "b"}};
    EXPECT_EQ(filesUnder(remoteRoot.path() + "/in"), tree);
    EXPECT_EQ(filesUnder(work.path() + "/back"), tree);
    EXPECT_THAT(e->Log(), Not(Contains("   ---> CWD "))) << dump(*e);  // no empty folder change
    EXPECT_EQ(apppaths::currentDirectory(), work.path() + "/here");
}

TEST_P(TreeOnServers, AFolderThatCannotBeEnteredIsSkippedTheRestArrivesAndSuccessIsFalse)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    // A file where the folder should go: neither MKD nor CWD can make it a folder.
    (void)remoteRoot.write("dest/blocked", "in the way");
    work.write("tree/a/1.txt", "1");
    work.write("tree/blocked/2.txt", "2");
    work.write("tree/z/3.txt", "3");
    work.write("tree/top.txt", "top");

    auto e = run(login(server.port(), server.user(), server.password(),
                       {"SENDTREE " + work.path() + "/tree/*.* dest"}));
    EXPECT_FALSE(e->SuccessFlag) << dump(*e);
    EXPECT_EQ(e->ExitCode(), 2);
    const std::map<std::string, std::string> arrived{
        {"a/1.txt", "1"}, {"z/3.txt", "3"}, {"top.txt", "top"}, {"blocked", "in the way"}};
    EXPECT_EQ(filesUnder(remoteRoot.path() + "/dest"), arrived);
    EXPECT_THAT(e->Log(), Contains(HasSubstr("   ---> Skipped directory blocked: 550"))) << dump(*e);
    EXPECT_EQ(e->FTP.GetCurrentDir(), server.home());
}

// A link planted in a folder that is sent may lead to a private file elsewhere: tree and masked
// uploads leave it out and say so.
TEST_P(TreeOnServers, UploadsSkipTheLinksTheyMeet)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    const std::string secret = work.write("private/key.txt", "secret");
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    work.write("tree/a.txt", "a");
    fs::create_symlink(secret, work.path() + "/tree/leak.txt");
    fs::create_directories(remoteRoot.path() + "/flat");

    auto e = run(login(server.port(), server.user(), server.password(),
                       {"SENDTREE " + work.path() + "/tree/*.* dest", "LET tree=success",
                        "SEND " + work.path() + "/tree/*.txt flat", "LET masked=success", "DISCONNECT"}));
    EXPECT_EQ(e->GetVariable("tree"), "True") << dump(*e);
    EXPECT_EQ(e->GetVariable("masked"), "True") << dump(*e);
    EXPECT_EQ(TempDir::read(remoteRoot.path() + "/dest/a.txt"), "a");
    EXPECT_EQ(TempDir::read(remoteRoot.path() + "/flat/a.txt"), "a") << dump(*e);
    EXPECT_FALSE(fs::exists(remoteRoot.path() + "/dest/leak.txt"));
    EXPECT_FALSE(fs::exists(remoteRoot.path() + "/flat/leak.txt"));
    EXPECT_EQ(std::count(e->Log().begin(), e->Log().end(), "   ---> Skipped link: leak.txt"), 2) << dump(*e);
}

TEST_P(TreeOnServers, ALocalFileWhereAFolderGoesFailsThatFolderOnly)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    (void)remoteRoot.write("src/a/1.txt", "1");
    (void)remoteRoot.write("src/blocked/2.txt", "2");
    (void)remoteRoot.write("src/z/3.txt", "3");
    work.write("mirror/blocked", "in the way");
    auto e = run(login(server.port(), server.user(), server.password(),
                       {"GETTREE src/*.* " + work.path() + "/mirror", "LET got=success", "MESSAGE still running"}));
    EXPECT_EQ(e->GetVariable("got"), "False") << dump(*e);
    EXPECT_THAT(e->Log(), Contains(HasSubstr("MESSAGE"))) << dump(*e);
    const std::map<std::string, std::string> arrived{{"a/1.txt", "1"}, {"z/3.txt", "3"}, {"blocked", "in the way"}};
    EXPECT_EQ(filesUnder(work.path() + "/mirror"), arrived);
    EXPECT_THAT(e->Log(), Contains(HasSubstr("   ---> Skipped directory blocked: Unable to change local directory")));
}

TEST_P(TreeOnServers, AMaskAppliesInEveryFolderAndEveryFolderIsEntered)
{
    TempDir remoteRoot;
    FtpTestServer server(GetParam(), remoteRoot.path());
    ASSERT_TRUE(server.running()) << server.failure();
    remoteRoot.write("top/a.txt", "a");
    remoteRoot.write("top/none/b.dat", "b");
    remoteRoot.write("top/none/deeper/c.txt", "c");
    ASSERT_EQ(::chdir(work.path().c_str()), 0);
    const struct {
        const char* command;
        std::map<std::string, std::string> tree;
    } cases[] = {
        {"GETTREE top/*.txt mirror", {{"a.txt", "a"}, {"none/deeper/c.txt", "c"}}},
        {"GETTREE top/*.* mirror", {{"a.txt", "a"}, {"none/b.dat", "b"}, {"none/deeper/c.txt", "c"}}},
        // A last part without wildcards that names a folder is that whole folder.
        {"GETTREE top mirror", {{"a.txt", "a"}, {"none/b.dat", "b"}, {"none/deeper/c.txt", "c"}}},
        {"GETTREE top/none mirror", {{"b.dat", "b"}, {"deeper/c.txt", "c"}}},
        {"GETTREE \"top/none/\" mirror", {{"b.dat", "b"}, {"deeper/c.txt", "c"}}},
        // A plain file name is still a mask: that name in every folder.
        {"GETTREE top/c.txt mirror", {{"none/deeper/c.txt", "c"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        fs::remove_all(work.path() + "/mirror");
        auto e = run(login(server.port(), server.user(), server.password(), {c.command, "DISCONNECT"}));
        EXPECT_EQ(e->ExitCode(), 0) << dump(*e);
        EXPECT_TRUE(e->SuccessFlag) << dump(*e);
        EXPECT_THAT(e->Log(), Not(Contains("   ---> Failed to download item."))) << dump(*e);
        EXPECT_EQ(filesUnder(work.path() + "/mirror"), c.tree);
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, TreeOnServers, ::testing::ValuesIn(ftptest::ServerKinds()),
                         [](const auto& info) { return std::string(ftptest::KindName(info.param)); });

// --- a scripted server with listings no real server gives ---

// A server over a made-up tree below /home. "self" leads back to the folder it is in, "deep"
// (when `endless`) holds another "deep" for ever, "locked" refuses to be entered.
class TreeServer {
public:
    explicit TreeServer(bool endless)
        : endless_(endless),
          fake_([](ftpfake::Session& s) { s.send("220 Ready\r\n"); },
                [this](ftpfake::Session& s, const std::string& line) { handle(s, line); })
    {
    }
    int port() const { return fake_.port(); }
    Lines lines() { return fake_.lines(); }

private:
    static std::string dir(const std::string& name) { return "drwxr-xr-x 2 ftp ftp 4096 Jan 01 12:00 " + name + "\r\n"; }
    static std::string file(const std::string& name) { return "-rw-r--r-- 1 ftp ftp    5 Jan 01 12:00 " + name + "\r\n"; }

    std::string listing() const
    {
        if (cwd_ == "/home")
            return dir(".") + dir("..") + file("ok.txt") + file("../evil") + file("a/b") + file("/tmp/evil-abs") +
                   dir("sub") + "lrwxrwxrwx   1 ftp ftp    1 Jan 01 12:00 loop -> .\r\n" + dir("self") +
                   dir("locked") + dir("../up") + (endless_ ? dir("deep") : std::string());
        if (cwd_ == "/home/sub") return file("x.txt");
        return file("d.txt") + dir("deep");
    }

    void handle(ftpfake::Session& s, const std::string& line)
    {
        const std::string verb = line.substr(0, line.find(' '));
        const std::string arg = line.find(' ') == std::string::npos ? std::string() : line.substr(line.find(' ') + 1);
        if (verb == "PWD") {
            s.send("257 \"" + cwd_ + "\" is the current directory\r\n");
        } else if (verb == "CWD") {
            if (arg == "self") {
                s.send("250 OK\r\n");
            } else if (arg.starts_with("/home")) {
                cwd_ = arg;
                s.send("250 OK\r\n");
            } else if (arg == "sub" || arg == "deep") {
                cwd_ += "/" + arg;
                s.send("250 OK\r\n");
            } else {
                s.send("550 Permission denied\r\n");
            }
        } else if (verb == "LIST") {
            s.send("150 Here it comes\r\n");
            s.sendData(listing());
            s.send("226 Done\r\n");
        } else if (verb == "RETR") {
            s.send("150 Opening\r\n");
            s.sendData(cwd_ + "/" + arg);
            s.send("226 Done\r\n");
        } else {
            ftpfake::standardReply(s, line);
        }
    }

    const bool endless_;
    std::string cwd_ = "/home";
    ftpfake::FakeFtpServer fake_;
};

TEST_F(TreeRun, ListedPathsLinksAndLoopsStayInsideTheTargetAndTheRunEnds)
{
    TreeServer server(true);
    const std::string target = work.path() + "/target";
    auto e = run(login(server.port(), "u", "p", {"GETTREE *.* " + target, "DISCONNECT"}));
    const Lines log = e->Log();
    e.reset();
    const Lines sent = server.lines();

    for (const char* line : {"   ---> Skipped: ../evil (not a local file name)",
                             "   ---> Skipped: a/b (not a local file name)",
                             "   ---> Skipped: /tmp/evil-abs (not a local file name)",
                             "   ---> Skipped link: loop",
                             "   ---> Skipped: ../up (not a local folder name)",
                             "   ---> Skipped directory self: visited before",
                             "   ---> Skipped directory locked: 550 Permission denied"})
        EXPECT_THAT(log, Contains(line));
    EXPECT_THAT(log, Contains(HasSubstr("   ---> Skipped directory deep: more than 32 levels deep")));

    // Nothing outside the target: only the target in the work folder, only listed plain names.
    std::set<std::string> top;
    for (const auto& entry : fs::directory_iterator(work.path())) top.insert(entry.path().filename().string());
    EXPECT_EQ(top, std::set<std::string>{"target"});
    EXPECT_FALSE(fs::exists("/tmp/evil-abs"));
    const auto files = filesUnder(target);
    EXPECT_EQ(files.at("ok.txt"), "/home/ok.txt");
    EXPECT_EQ(files.at("sub/x.txt"), "/home/sub/x.txt");
    std::string deepest = "deep";
    for (int level = 2; level <= 32; ++level) deepest += "/deep";
    EXPECT_EQ(files.at(deepest + "/d.txt"), "/home/" + deepest + "/d.txt");
    EXPECT_EQ(files.size(), 34u);
    for (const auto& [path, bytes] : files)
        EXPECT_TRUE(path == "ok.txt" || path.ends_with("x.txt") || path.ends_with("/d.txt")) << path;

    EXPECT_THAT(sent, Not(Contains("RETR ../evil")));
    EXPECT_THAT(sent, Not(Contains("CWD loop")));
    EXPECT_THAT(sent, Not(Contains("CWD ../up")));
    // The server was taken back to where it started before the end.
    const auto lastCwd =
        std::find_if(sent.rbegin(), sent.rend(), [](const std::string& l) { return l.starts_with("CWD "); });
    ASSERT_NE(lastCwd, sent.rend());
    EXPECT_EQ(*lastCwd, "CWD /home");
    EXPECT_EQ(apppaths::currentDirectory(), cwd_.folder());
}

TEST_F(TreeRun, AFolderThatCannotBeEnteredClearsSuccessButTheRestArrives)
{
    TreeServer server(false);
    const std::string target = work.path() + "/t";
    auto e = run(login(server.port(), "u", "p", {"GETTREE /home/*.txt " + target}));
    EXPECT_FALSE(e->SuccessFlag);
    EXPECT_EQ(e->ExitCode(), 2) << dump(*e);
    const auto files = filesUnder(target);
    EXPECT_EQ(files.at("ok.txt"), "/home/ok.txt");
    EXPECT_EQ(files.at("sub/x.txt"), "/home/sub/x.txt");
    EXPECT_THAT(e->Log(), Contains("   ---> Skipped directory locked: 550 Permission denied"));
}

TEST_F(TreeRun, AFolderWithoutAMatchIsAnEmptyListingNotAnError)
{
    // Servers such as proftpd answer a masked LIST that matches nothing with 450.
    std::string cwd = "/home";
    ftpfake::FakeFtpServer server([](ftpfake::Session& s) { s.send("220 Ready\r\n"); },
                                  [&cwd](ftpfake::Session& s, const std::string& line) {
        const std::string verb = line.substr(0, line.find(' '));
        const std::string arg = line.find(' ') == std::string::npos ? std::string() : line.substr(line.find(' ') + 1);
        const auto entry = [](char type, const std::string& name) {
            return std::string(1, type) + "rw-r--r-- 1 ftp ftp 5 Jan 01 12:00 " + name + "\r\n";
        };
        const std::map<std::string, std::string> folders{
            {"/home", entry('-', "a.txt") + entry('d', "none")},
            {"/home/none", entry('-', "b.dat") + entry('d', "deeper")},
            {"/home/none/deeper", entry('-', "c.txt")}};
        if (verb == "PWD") {
            s.send("257 \"" + cwd + "\" is the current directory\r\n");
        } else if (verb == "CWD") {
            cwd = arg.starts_with("/") ? arg : cwd + "/" + arg;
            s.send("250 OK\r\n");
        } else if (verb == "LIST") {
            std::string listing = folders.at(cwd);
            if (arg == "*.txt") {
                std::string matching;
                for (const std::string& l : bytetext::splitLines(listing))
                    if (l.ends_with(".txt")) matching += l + "\r\n";
                listing = matching;
            }
            if (listing.empty()) {
                s.send("450 No files found\r\n");
                return;
            }
            s.send("150 Here it comes\r\n");
            s.sendData(listing);
            s.send("226 Done\r\n");
        } else if (verb == "RETR") {
            s.send("150 Opening\r\n");
            s.sendData(cwd + "/" + arg);
            s.send("226 Done\r\n");
        } else {
            ftpfake::standardReply(s, line);
        }
    });
    auto e = run(login(server.port(), "u", "p", {"GETTREE *.txt " + work.path() + "/m", "DISCONNECT"}));
    EXPECT_EQ(e->ExitCode(), 0) << dump(*e);
    EXPECT_TRUE(e->SuccessFlag) << dump(*e);
    const std::map<std::string, std::string> tree{{"a.txt", "/home/a.txt"}, {"none/deeper/c.txt", "/home/none/deeper/c.txt"}};
    EXPECT_EQ(filesUnder(work.path() + "/m"), tree);
}

// One flat folder whose file "bad.txt" breaks off both ways: 426 after part of a download,
// 452 after an upload. Every other file transfers whole.
ftpfake::Handler breakingFolder()
{
    return [](ftpfake::Session& s, const std::string& line) {
        const std::string verb = line.substr(0, line.find(' '));
        const std::string arg = line.find(' ') == std::string::npos ? std::string() : line.substr(line.find(' ') + 1);
        const auto file = [](const std::string& name) { return "-rw-r--r-- 1 ftp ftp 5 Jan 01 12:00 " + name + "\r\n"; };
        if (verb == "PWD") {
            s.send("257 \"/home\" is the current directory\r\n");
        } else if (verb == "CWD" || verb == "DELE" || verb == "MKD") {
            s.send("250 OK\r\n");
        } else if (verb == "LIST") {
            s.send("150 Here it comes\r\n");
            s.sendData(file("a.txt") + file("bad.txt") + file("z.txt"));
            s.send("226 Done\r\n");
        } else if (verb == "RETR") {
            s.send("150 Opening\r\n");
            s.sendData(arg == "bad.txt" ? "ba" : "fine!");
            s.send(arg == "bad.txt" ? "426 Connection closed; transfer aborted\r\n" : "226 Done\r\n");
        } else if (verb == "STOR") {
            s.send("150 Ok to send data\r\n");
            (void)s.receiveData();
            s.send(arg == "bad.txt" ? "452 Insufficient storage space\r\n" : "226 Done\r\n");
        } else {
            ftpfake::standardReply(s, line);
        }
    };
}

TEST_F(TreeRun, AFileThatBreaksOffFailsTheTreeAndLeavesNothingUnderItsName)
{
    // A link planted in the target may not carry a listed file out of it.
    const std::string victim = work.write("victim.txt", "keep me");
    fs::create_directories(work.path() + "/mirror");
    fs::create_symlink(victim, work.path() + "/mirror/z.txt");
    {
        ftpfake::FakeFtpServer server([](ftpfake::Session& s) { s.send("220 Ready\r\n"); }, breakingFolder());
        auto e = run(login(server.port(), "u", "p", {"GETTREE *.* " + work.path() + "/mirror", "LET got=success"}));
        EXPECT_EQ(e->ExitCode(), 2) << dump(*e);
        EXPECT_EQ(e->GetVariable("got"), "False") << dump(*e);
        EXPECT_THAT(e->Log(), Contains("   ---> Cannot create file " + work.path() + "/mirror/z.txt: it is a link"));
        EXPECT_EQ(TempDir::read(work.path() + "/mirror/a.txt"), "fine!");
        EXPECT_FALSE(fs::exists(work.path() + "/mirror/bad.txt"));
        EXPECT_TRUE(fs::is_symlink(work.path() + "/mirror/z.txt"));
        EXPECT_EQ(TempDir::read(victim), "keep me");
        e.reset();
        // One TYPE for the whole tree, not one per file.
        const Lines sent = server.lines();
        EXPECT_EQ(std::count(sent.begin(), sent.end(), "TYPE I"), 1);
    }
    {
        // A refresh that breaks off keeps the copy from the last one.
        work.write("mirror/bad.txt", "old good");
        ftpfake::FakeFtpServer server([](ftpfake::Session& s) { s.send("220 Ready\r\n"); }, breakingFolder());
        auto e = run(login(server.port(), "u", "p", {"GETTREE *.* " + work.path() + "/mirror", "LET got=success"}));
        EXPECT_EQ(e->GetVariable("got"), "False") << dump(*e);
        EXPECT_EQ(TempDir::read(work.path() + "/mirror/bad.txt"), "old good");
        EXPECT_THAT(e->Log(), Contains("   ---> Download failed: " + work.path() + "/mirror/bad.txt is unchanged"));
    }
    work.write("up/a.txt", "a");
    work.write("up/bad.txt", "bad");
    work.write("up/z.txt", "z");
    ftpfake::FakeFtpServer server([](ftpfake::Session& s) { s.send("220 Ready\r\n"); }, breakingFolder());
    auto e = run(login(server.port(), "u", "p", {"SENDTREE " + work.path() + "/up/*.* dest", "LET sent=success"}));
    EXPECT_EQ(e->ExitCode(), 2) << dump(*e);
    EXPECT_EQ(e->GetVariable("sent"), "False") << dump(*e);
    EXPECT_THAT(e->Log(), Contains("   ---> Removing incomplete remote file /home/dest/bad.txt"));
    e.reset();
    const Lines sent = server.lines();
    EXPECT_THAT(sent, Contains("DELE bad.txt"));
    EXPECT_EQ(std::count_if(sent.begin(), sent.end(), [](const std::string& l) { return l.starts_with("DELE"); }), 1);
}

// A server that ends the session in the middle of a command: by a 400 reply or by closing.
TEST_F(TreeRun, AServerThatGoesAwayEndsTheScriptWithTheTerminatedLine)
{
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "closed" : "400");
        ftpfake::FakeFtpServer server([](ftpfake::Session& s) { s.send("220 Ready\r\n"); },
                                      [close](ftpfake::Session& s, const std::string& line) {
                                          if (line != "NOOP") return ftpfake::standardReply(s, line);
                                          if (close) s.close();
                                          else s.send("400 Going away\r\n");
                                      });
        auto e = run(login(server.port(), "u", "p", {"DOCOMMAND NOOP", "MESSAGE not reached"}));
        EXPECT_EQ(e->ExitCode(), 1) << dump(*e);
        EXPECT_THAT(e->Log(), Contains("   ---> FTP-connection was terminated (Code: 421)!")) << dump(*e);
        EXPECT_THAT(e->Log(), Not(Contains(HasSubstr("MESSAGE"))));
        e.reset();
        (void)server.lines();
    }
}

// A reply past the limits ends the session: its error is logged, not a server's 421.
TEST_F(TreeRun, AReplyTooLongIsLoggedAsItselfOnly)
{
    ftpfake::FakeFtpServer server([](ftpfake::Session& s) { s.send("220 Ready\r\n"); },
                                  [](ftpfake::Session& s, const std::string& line) {
                                      if (line != "NOOP") return ftpfake::standardReply(s, line);
                                      for (int i = 0; i < 20000 && s.send("200-more to come\r\n"); ++i) {
                                      }
                                  });
    auto e = run(login(server.port(), "u", "p", {"DOCOMMAND NOOP", "MESSAGE after"}));
    EXPECT_THAT(e->Log(), Contains(HasSubstr("Reply too long"))) << dump(*e);
    EXPECT_THAT(e->Log(), Not(Contains(HasSubstr("Code: 421")))) << dump(*e);
    e.reset();
    (void)server.lines();
}

// --- the event handlers ---

class FtpEventTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        e.Starta.stop();
        datetime::setClockForTesting([] { return CivilTime{2026, 3, 4, 5, 6, 7, 0}; });
        e.FTP.Host = "ftp.example";
    }
    void TearDown() override { datetime::setClockForTesting({}); }

    TScriptVantrel e{Lines{}};
};

TEST_F(FtpEventTable, EachEventGivesItsLogLinesErrorAndHandledFlag)
{
    using Fire = std::function<void(TSockBase&, bool& handled)>;
    const auto status = [](const char* text) -> Fire { return [text](TSockBase& f, bool&) { f.OnStatus(&f, text); }; };
    const auto error = [](int no, const char* text) -> Fire {
        return [no, text](TSockBase& f, bool&) { f.OnError(&f, static_cast<std::uint16_t>(no), text); };
    };
    const std::string terminated = "FTP-connection was terminated (Code: 421)!";
    const struct Case {
        const char* what;
        bool disconnecting;
        Fire fire;
        Lines lines;
        std::string error;  // empty: none raised
        bool successAfter = true;
        bool handledAfter = true;
    } cases[] = {
        {"greeting", false, status("220 Quorvel's Halvern ready  "),
         {"   ---> 220 Quorvel's Halvern ready  ", "   ---> Quorvel's \"Halvern\" is the remote FTP Server!"}, {}},
        {"other greeting", false, status("220 Halvern ready"), {"   ---> 220 Halvern ready"}, {}},
        {"close while running", false, status("Request Close Socket"), {"   ---> " + terminated}, terminated},
        {"close while disconnecting", true, status("Request Close Socket"), {"   ---> Request Close Socket"}, {}},
        {"421", false, status("421 Timeout."), {"   ---> 421 Timeout.", "   ---> " + terminated}, terminated},
        {"530-", false, status("530-Not now"), {"   ---> 530-Not now"}, {}, false},
        {"connect", false, [&](TSockBase&, bool&) { e.FTP.OnConnect(&e.FTP); },
         {"   ---> 2026-03-04 05:06:07: Connected to ftp.example"}, {}},
        {"peer closed", false, [](TSockBase& f, bool&) { f.OnDisconnect(&f); }, {}, "Disconnected by peer!"},
        {"closed", true, [](TSockBase& f, bool&) { f.OnDisconnect(&f); }, {"   ---> FTP connection closed!"}, {}},
        {"resolved", false, [](TSockBase& f, bool&) { f.OnHostResolved(&f); }, {"   ---> Resolving host ftp.example"}, {}},
        {"invalid host", false, [](TSockBase& f, bool& h) { f.OnInvalidHost(h); }, {"   ---> Host ftp.example invalid!"},
         {}, true, false},
        {"connection failed", false, [](TSockBase& f, bool&) { f.OnConnectionFailed(&f); },
         {"   ---> Connection to ftp.example Failed!"}, "Connection failed!"},
        {"connection required", false, [](TSockBase& f, bool& h) { f.OnConnectionRequired(h); }, {},
         "Error: Not connected...", true, false},
        {"no authentication", false, [&](TSockBase&, bool& h) { e.FTP.OnAuthenticationNeeded(h); },
         {"   ---> No authentication!"}, {}, true, false},
        {"authentication failed", false, [&](TSockBase&, bool& h) { e.FTP.OnAuthenticationFailed(h); },
         {"   ---> Authentication to ftp.example Failed!"}, {}, true, false},
        {"transaction", false,
         [&](TSockBase&, bool&) {
             e.FTP.OnTransactionStart(&e.FTP);
             e.FTP.OnTransactionStop(&e.FTP);
         },
         {"   ---> Starting transaction...", "   ---> Transaction finished..."}, {}},
        {"socket error", false, error(10061, "Connection refused"),
         {"   ---> Error 10061 - Message: Connection refused"}, {}},
        {"bad socket", false, error(10038, ""), {}, {}},
        {"error 530", false, error(530, "Login incorrect"), {"   ---> Error 530 - Message: Login incorrect"}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t before = e.Log().size();
        e.SuccessFlag = true;
        e.Disconnecting = c.disconnecting;
        bool handled = true;
        std::string raised;
        try {
            c.fire(e.FTP, handled);
        } catch (const std::exception& ex) {
            raised = ex.what();
        }
        EXPECT_EQ(Lines(e.Log().begin() + static_cast<std::ptrdiff_t>(before), e.Log().end()), c.lines);
        EXPECT_EQ(raised, c.error);
        EXPECT_EQ(e.SuccessFlag, c.successAfter);
        EXPECT_EQ(handled, c.handledAfter);
    }
    e.Disconnecting = false;
}

TEST_F(FtpEventTable, FailuresNameTheOperationByItsType)
{
    const char* operations[] = {"change remote directory", "make remote directory", "relete remote item",
                                "remove remote directory", "retrieve remote file list", "rename remote file",
                                "finish resumed upload", "finish resumed download", "download item", "upload item",
                                "", "", "allocation space for remote file", "", "finish requested command", ""};
    for (int type = 0; type < 16; ++type) {
        bool handled = true;
        e.FTP.OnFailure(handled, static_cast<TCmdType>(type));
        EXPECT_FALSE(handled);
        EXPECT_EQ(e.Log().back(), std::string("   ---> Failed to ") + operations[type] + ".") << type;
    }
}

TEST_F(FtpEventTable, TheStatusCaptionFollowsPacketsAtMostEvery50MsAndOnceAtTheEnd)
{
    int painted = 0;
    QObject::connect(&e, &TScriptVantrel::statusTextChanged, [&] { ++painted; });
    e.FTP.OnTransactionStart(&e.FTP);
    for (int i = 0; i < 20000; ++i) e.FTP.OnPacketRecvd(&e.FTP);
    EXPECT_LE(painted, 3);
    e.FTP.OnTransactionStop(&e.FTP);
    EXPECT_EQ(e.StatusText(), "0 bytes received...");
    const int afterDownload = painted;

    e.FTP.OnTransactionStart(&e.FTP);
    e.FTP.OnPacketSent(&e.FTP);
    e.FTP.OnPacketSent(&e.FTP);
    e.FTP.OnTransactionStop(&e.FTP);
    EXPECT_EQ(e.StatusText(), "0 bytes sent...");
    EXPECT_EQ(painted, afterDownload + 2);  // the first packet, then the end
}

TEST_F(FtpEventTable, PacketsKeepTheTransferTimeOutFromFiringUntilASpanPassesWithoutOne)
{
    e.TransferTimeoutMs = 300;
    e.StartTransferTimeout(e.TransferTimeoutMs);
    // Packets for twice the span: the time-out re-arms instead of firing.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 700) {
        e.FTP.OnPacketRecvd(&e.FTP);
        e.SuccessFlag = false;  // a packet sets it again while the time-out runs
        e.FTP.OnPacketRecvd(&e.FTP);
        ASSERT_TRUE(e.SuccessFlag);
        (void)waiting::pauseFor(20);
    }
    EXPECT_THAT(e.Log(), Not(Contains(HasSubstr("Transfer timed out"))));
    EXPECT_TRUE(e.TTimeOut.isActive());

    const auto fired = [&] { return bytetext::joinLinesCrLf(e.Log()).find("Transfer timed out") != std::string::npos; };
    clock.restart();
    ASSERT_EQ(waiting::waitUntil(fired, 3000), waiting::WaitResult::Condition);
    EXPECT_GE(clock.elapsed(), 250);
    EXPECT_THAT(e.Log(), Contains("   ---> Transfer timed out! (0 seconds)"));
    EXPECT_FALSE(e.SuccessFlag);
    EXPECT_FALSE(e.TTimeOut.isActive());
}

}  // namespace
