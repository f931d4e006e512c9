// The FTP script commands against a scripted server, for the replies real ones won't give:
// sizes that disagree, odd listings, stalls, and every wait that must end.

#include "FakeFtpServer.h"
#include "net/common/HostLookup.h"
#include "platform/ByteText.h"
#include "platform/DateTime.h"
#include "runner/ScriptVantrel.h"
#include "tests/runner/FtpRun.h"
#include "tests/support/Fifo.h"
#include "tests/support/LogLines.h"
#include "tests/support/TempDir.h"

#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

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
