// The runner as a program: headless start-up, the log on standard output, the exit status and
// SIGTERM as Cancel.

#include "platform/ByteText.h"
#include "tests/support/CoreLimit.h"
#include "tests/support/TempDir.h"

#include "FakeFtpServer.h"

#include <chrono>
#include <csignal>
#include <poll.h>
#include <thread>
#include <functional>
#include <cstdlib>
#include <filesystem>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <gtest/gtest.h>
#include <set>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Result {
    int status = -1;
    std::string out;
    std::string err;  // standard error
    bool killed = false;      // still running at the bound: ended by SIGKILL
    Clock::duration afterMarker{};  // from `whenOutput` to the end of the program
};

std::string trevask() { return std::string(VANTREL_BIN_DIR) + "/Trevask"; }

// Starts the runner without a display; `whenOutput` runs once the output holds `marker`, with
// the output read so far. A runner still going after `boundSeconds` is killed, so no fault can
// hang the test.
Result runTrevask(const std::vector<std::string>& args, const std::string& marker = {},
                  const std::function<void(pid_t, const std::string&)>& whenOutput = {}, int boundSeconds = 60,
                  const std::string& folder = {})
{
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&fa, folder.c_str());
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    char errName[] = "/tmp/trevask-err-XXXXXX";
    const int errFd = ::mkstemp(errName);
    ::unlink(errName);
    if (errFd >= 0) posix_spawn_file_actions_adddup2(&fa, errFd, 2);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    std::vector<std::string> all{trevask()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    ::unsetenv("QT_QPA_PLATFORM");
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &fa, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[1]);
    Result r;
    char buf[65536];
    bool fired = false;
    Clock::time_point firedAt{};
    const auto bound = Clock::now() + std::chrono::seconds(boundSeconds);
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(bound - Clock::now()).count();
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) == 0) {
            r.killed = true;
            ::kill(pid, SIGKILL);
            break;
        }
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        r.out.append(buf, static_cast<std::size_t>(n));
        if (!fired && whenOutput && r.out.find(marker) != std::string::npos) {
            fired = true;
            firedAt = Clock::now();
            whenOutput(pid, r.out);
        }
    }
    ::close(fds[0]);
    ::waitpid(pid, &r.status, 0);
    if (errFd >= 0) {
        ::lseek(errFd, 0, SEEK_SET);
        ssize_t n = 0;
        while ((n = ::read(errFd, buf, sizeof buf)) > 0) r.err.append(buf, static_cast<std::size_t>(n));
        ::close(errFd);
    }
    if (fired) r.afterMarker = Clock::now() - firedAt;
    return r;
}

}  // namespace

TEST(TrevaskProgram, HeadlessRunPrintsTheLogAndExitsZero)
{
    TempDir dir;
    const std::string path = dir.write("job.ftp", "HOST=example.org\r\nMESSAGE \"%%Param1%%\"\r\n");
    const Result r = runTrevask({path, "p1"});
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    EXPECT_NE(r.out.find(": Start script job.ftp ****\n"), std::string::npos);
    EXPECT_NE(r.out.find(" HOST=example.org\n"), std::string::npos);
    EXPECT_NE(r.out.find(": End script job.ftp ****\n"), std::string::npos);
    const std::string history = TempDir::read(dir.file("job.History.txt"));
    EXPECT_NE(history.find(" MESSAGE \"p1\"\r\n"), std::string::npos);
}

TEST(TrevaskProgram, ErrorPathExitsOne)
{
    TempDir dir;
    Result r = runTrevask({dir.file("missing.ftp")});
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 1);
    EXPECT_NE(r.out.find("Error: Cannot open file"), std::string::npos);
    EXPECT_EQ(r.err, "Trevask: ended with an error\n");
    EXPECT_TRUE(std::ifstream(dir.file("missing.History.txt")).good());

    r = runTrevask({});
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 1);
}

// SIGHUP (an ssh session that drops) as well: each signal cancels, the history is written in
// place with nothing left beside it, and the status says which signal ended the run.
TEST(TrevaskProgram, SignalsCancelAndTheHistoryIsStillWritten)
{
    std::string text = "HOST=first\r\n";
    for (int i = 0; i < 300000; ++i) text += "HOST=h\r\n";
    text += "HOST=last\r\n";
    for (const auto& [sig, status] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}, std::pair{SIGHUP, 129}}) {
        SCOPED_TRACE(sig);
        TempDir dir;
        const std::string path = dir.write("long.ftp", text);
        const Result r = runTrevask({path}, " HOST=first\n", [sig](pid_t pid, const std::string&) { ::kill(pid, sig); });
        ASSERT_TRUE(WIFEXITED(r.status));
        EXPECT_EQ(WEXITSTATUS(r.status), status);
        EXPECT_EQ(r.out.find(" HOST=last"), std::string::npos);
        EXPECT_EQ(r.err, "Trevask: cancelled\n");
        const std::string history = TempDir::read(dir.file("long.History.txt"));
        EXPECT_NE(history.find(": End script long.ftp ****"), std::string::npos);
        std::set<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) left.insert(entry.path().filename());
        EXPECT_EQ(left, (std::set<std::string>{"long.ftp", "long.History.txt"}));
    }
}

// The status and the one line on standard error for unattended runs.
TEST(TrevaskProgram, FailedCommandsExitTwoWithOneLineOnStandardError)
{
    TempDir dir;
    const struct {
        const char* script;
        int status;
        const char* err;
    } cases[] = {
        {"LET a = 1\r\n", 0, ""},
        {"LOCAL-RENAME none.x none.y\r\nLET a = 1\r\n", 2, "Trevask: 1 command failed\n"},
        {"LOCAL-RENAME none.x none.y\r\nLOCAL-RENAME none.x none.y\r\nLOCAL-MD here\r\n", 2,
         "Trevask: 2 commands failed\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const Result r = runTrevask({dir.write("s.ftp", c.script)}, {}, {}, 60, dir.path());
        ASSERT_TRUE(WIFEXITED(r.status));
        EXPECT_EQ(WEXITSTATUS(r.status), c.status) << r.out;
        EXPECT_EQ(r.err, c.err) << r.out;
    }
}

// Parameters are file names and values: whatever they hold arrives as it stands.
TEST(TrevaskProgram, ParametersAreValuesNeverScriptText)
{
    const std::string script = "LET DbPass=secret\r\nMESSAGE \"%%Param1%%\"\r\n"
                               "ALLPARAMS MESSAGE \"all %%ALLPAR%% name %%NAMEPAR%%\"\r\n";
    const std::string cases[] = {"%%DbPass%%", "Birthday(1).jpg", "FLOWER(A)B.JPG", "/in/%%Today%%/Len(x).txt"};
    for (const std::string& parameter : cases) {
        SCOPED_TRACE(parameter);
        TempDir dir;
        const Result r = runTrevask({dir.write("p.ftp", script), parameter});
        ASSERT_TRUE(WIFEXITED(r.status)) << r.out;
        EXPECT_EQ(WEXITSTATUS(r.status), 0) << r.out;
        const std::string name = parameter.substr(parameter.rfind('/') + 1);
        EXPECT_NE(r.out.find(" MESSAGE \"" + parameter + "\"\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(" MESSAGE \"all " + parameter + " name " + name + "\"\n"), std::string::npos) << r.out;
        EXPECT_EQ(r.err.find("secret"), std::string::npos) << r.err;  // what MESSAGE showed
    }
}

// --- every run ends: by itself within its limits, or soon after SIGTERM ---

namespace {

// A server that greets as `start` says and answers USER, PASS, PWD and QUIT.
ftpfake::Handler plainServer()
{
    return [](ftpfake::Session& s, const std::string& line) {
        if (line == "PWD") s.send("257 \"/\" is the current directory\r\n");
        else ftpfake::standardReply(s, line);
    };
}

std::string connectScript(int port, const std::string& timeout, const std::string& rest = {})
{
    return "HOST=127.0.0.1\r\nPORT=" + std::to_string(port) + "\r\nUSER=u\r\nPASSWORD=p\r\nTIMEOUT=" + timeout +
           "\r\nCONNECT\r\n" + rest + "LET after=reached\r\nMESSAGE \"after %%after%%\"\r\n";
}

void expectHistory(const TempDir& dir, const std::string& name)
{
    const std::string history = TempDir::read(dir.file(name + ".History.txt"));
    EXPECT_NE(history.find(": End script " + name + ".ftp ****"), std::string::npos) << history;
}

// The run ended soon after SIGTERM, before `notReached` was printed, with its history written.
void expectEndedBySigterm(const Result& r, const std::string& notReached, const TempDir& dir, const std::string& name)
{
    ASSERT_FALSE(r.killed) << r.out;
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 143);
    EXPECT_EQ(r.out.find(notReached), std::string::npos);
    EXPECT_LT(r.afterMarker, std::chrono::seconds(8));
    expectHistory(dir, name);
}

}  // namespace

TEST(TrevaskProgram, EndlessGreetingEndsTheConnectByItself)
{
    ftpfake::FakeFtpServer server(
        [](ftpfake::Session& s) {
            const auto until = Clock::now() + std::chrono::seconds(20);
            while (Clock::now() < until && s.send("220-more to come\r\n")) {
            }
        },
        plainServer());
    TempDir dir;
    const Result r = runTrevask({dir.write("flood.ftp", connectScript(server.port(), "60"))}, {}, {}, 30);
    ASSERT_FALSE(r.killed) << r.out;
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 2);
    EXPECT_NE(r.out.find("   ---> Unable to Connect. Message: Reply too long\n"), std::string::npos);
    EXPECT_NE(r.out.find(" MESSAGE \"after reached\""), std::string::npos);
    expectHistory(dir, "flood");
}

TEST(TrevaskProgram, SigtermEndsAWaitForASilentGreeting)
{
    ftpfake::FakeFtpServer server(nullptr, plainServer());  // never greets
    TempDir dir;
    const Result r = runTrevask({dir.write("silent.ftp", connectScript(server.port(), "0"))}, " CONNECT\n",
                                [](pid_t pid, const std::string&) {
                                    std::this_thread::sleep_for(std::chrono::milliseconds(300));
                                    ::kill(pid, SIGTERM);
                                },
                                30);
    // Cancel's second, the close timer's and the last pause: nothing waits on the server.
    expectEndedBySigterm(r, "after reached", dir, "silent");
}

// An hour's wait ends at SIGTERM (a service stop), not when the hour is over.
TEST(TrevaskProgram, SigtermEndsWaitSecondsAtOnce)
{
    TempDir dir;
    const std::string path = dir.write("sleep.ftp", "WAITSECONDS 3600\r\nMESSAGE \"after the sleep\"\r\n");
    const Result r = runTrevask({path}, "   ---> Waiting 3600 seconds...\n",
                                [](pid_t pid, const std::string&) { ::kill(pid, SIGTERM); }, 30);
    expectEndedBySigterm(r, "after the sleep", dir, "sleep");
}

// Standard output to a pipe is buffered, and flushed before the runner waits: what was done
// before the wait is there to read while it waits.
TEST(TrevaskProgram, OutputIsFlushedBeforeAWait)
{
    TempDir dir;
    const std::string path = dir.write("w.ftp", "HOST=first\r\nWAITSECONDS 1\r\nHOST=last\r\n");
    std::string seen;
    const Result r = runTrevask({path}, " HOST=first\n", [&](pid_t, const std::string& out) { seen = out; });
    EXPECT_FALSE(seen.empty());
    EXPECT_EQ(seen.find(" HOST=last"), std::string::npos) << seen;
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    EXPECT_NE(r.out.find(" HOST=last\n"), std::string::npos);
}

// The effect library's application object is made at start-up, headless too: its instance lock
// is held while the run goes, and it stops no second run.
TEST(TrevaskProgram, HoldsTheInstanceLockAndASecondRunStillRuns)
{
    TempDir dir;
    const std::string runtime = dir.file("run");
    std::filesystem::create_directories(runtime);
    const char* old = ::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string slow = dir.write("slow.ftp", "WAITSECONDS 3600\r\n");
    const std::string quick = dir.write("quick.ftp", "MESSAGE \"second\"\r\n");
    bool locked = false;
    Result second;
    const Result first = runTrevask({slow}, "   ---> Waiting 3600 seconds...\n", [&](pid_t pid, const std::string&) {
        const int fd = ::open((runtime + "/Trevask.lock").c_str(), O_RDWR | O_CLOEXEC);
        locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (fd >= 0) ::close(fd);
        second = runTrevask({quick});
        ::kill(pid, SIGTERM);
    }, 30);
    if (old) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else ::unsetenv("XDG_RUNTIME_DIR");
    EXPECT_TRUE(locked);
    ASSERT_TRUE(WIFEXITED(second.status));
    EXPECT_EQ(WEXITSTATUS(second.status), 0) << second.out;
    EXPECT_NE(second.out.find(" MESSAGE \"second\"\n"), std::string::npos);
    ASSERT_FALSE(first.killed);
    ASSERT_TRUE(WIFEXITED(first.status));
    EXPECT_EQ(WEXITSTATUS(first.status), 143);
}

TEST(TrevaskProgram, AClosedStandardOutputDoesNotEndTheRun)
{
    TempDir dir;
    const std::string path = dir.write("quiet.ftp", "HOST=example.org\r\n");
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    std::string program = trevask();
    std::string script = path;
    char* argv[] = {program.data(), script.data(), nullptr};
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, argv[0], &fa, nullptr, argv, environ), 0);
    posix_spawn_file_actions_destroy(&fa);
    ::close(fds[0]);  // nobody reads what it prints
    ::close(fds[1]);
    int status = 0;
    bool ended = false;
    for (int waited = 0; waited < 300 && !ended; ++waited) {
        ended = ::waitpid(pid, &status, WNOHANG) == pid;
        if (!ended) ::usleep(100000);
    }
    if (!ended) ::kill(pid, SIGKILL), ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_NE(TempDir::read(dir.file("quiet.History.txt")).find(": End script quiet.ftp ****"), std::string::npos);
}

TEST(TrevaskProgram, HelpPrintsUsageAndWritesNothing)
{
    for (const char* option : {"--help", "-h"}) {
        TempDir dir;
        const Result r = runTrevask({option}, {}, {}, 60, dir.path());
        ASSERT_TRUE(WIFEXITED(r.status)) << option;
        EXPECT_EQ(WEXITSTATUS(r.status), 0) << option;
        EXPECT_EQ(r.out.rfind("Usage: Trevask <script.ftp> [parameters...]\n", 0), 0u) << r.out;
        EXPECT_EQ(r.out.find("Start script"), std::string::npos) << option;
        EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << option;
    }
}

TEST(TrevaskProgram, CoreDumpsAreOffForTheRunAndWhatItStarts)
{
    // The started program inherits the runner's core-size limit.
    const RaisedCoreLimit limit;
    if (!limit.raised()) GTEST_SKIP() << "core dumps are off for every process here";
    TempDir dir;
    const std::string probe = dir.write("probe.sh", "#!/bin/sh\nulimit -c > \"$(dirname \"$0\")/core.txt\"\n");
    ASSERT_EQ(::chmod(probe.c_str(), 0755), 0);
    const std::string path = dir.write("core.ftp", "LOCAL-EXECANDWAIT " + probe + "\r\n");
    const Result r = runTrevask({path});
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 0) << r.out;
    EXPECT_EQ(TempDir::read(dir.file("core.txt")), "0\n") << r.out;
}
