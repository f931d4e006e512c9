// The runner as a program: headless start-up, the log on standard output, the exit status and
// SIGTERM as Cancel.

#include "platform/ByteText.h"
#include "tests/support/TempDir.h"

#include <csignal>
#include <functional>
#include <cstdlib>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Result {
    int status = -1;
    std::string out;
};

std::string trevask() { return std::string(VANTREL_BIN_DIR) + "/Trevask"; }

// Starts the runner without a display; `whenOutput` runs once the output holds `marker`.
Result runTrevask(const std::vector<std::string>& args, const std::string& marker = {},
                  const std::function<void(pid_t)>& whenOutput = {})
{
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 1);
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
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        r.out.append(buf, static_cast<std::size_t>(n));
        if (!fired && whenOutput && r.out.find(marker) != std::string::npos) {
            fired = true;
            whenOutput(pid);
        }
    }
    ::close(fds[0]);
    ::waitpid(pid, &r.status, 0);
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
    EXPECT_TRUE(std::ifstream(dir.file("missing.History.txt")).good());

    r = runTrevask({});
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 1);
}

TEST(TrevaskProgram, SigtermCancelsAndTheHistoryIsStillWritten)
{
    TempDir dir;
    std::string text = "HOST=first\r\n";
    for (int i = 0; i < 300000; ++i) text += "HOST=h\r\n";
    text += "HOST=last\r\n";
    const std::string path = dir.write("long.ftp", text);
    const Result r = runTrevask({path}, " HOST=first\n", [](pid_t pid) { ::kill(pid, SIGTERM); });
    ASSERT_TRUE(WIFEXITED(r.status));
    EXPECT_EQ(WEXITSTATUS(r.status), 0);
    EXPECT_EQ(r.out.find(" HOST=last"), std::string::npos);
    const std::string history = TempDir::read(dir.file("long.History.txt"));
    EXPECT_NE(history.find(": End script long.ftp ****"), std::string::npos);
}
