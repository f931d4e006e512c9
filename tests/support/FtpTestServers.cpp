#include "FtpTestServers.h"

#include "ServersRequired.h"
#include "platform/Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace ftptest {

namespace {

struct KindInfo {
    const char* name;
    const char* script;
};

const KindInfo& infoOf(ServerKind kind)
{
    static const KindInfo kinds[] = {
        {"pyftpdlib", "ftpserver.py"},
        {"vsftpd", "ftpvsftpd.py"},
        {"proftpd", "ftpproftpd.py"},
        {"pureftpd", "ftppureftpd.py"},
    };
    return kinds[static_cast<int>(kind)];
}

std::string scriptPath(ServerKind kind)
{
    return std::string(VANTREL_SOURCE_DIR) + "/tests/support/servers/" + infoOf(kind).script;
}

// Whether the server's script says it can run here; why not goes to stderr.
bool runsHere(ServerKind kind)
{
    const std::string command = "/usr/bin/python3 " + scriptPath(kind) + " --check";
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The first line the server prints (its port), within `ms`; empty when none came.
std::string readFirstLine(int fd, int ms)
{
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (line.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return {};
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[64];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) return {};
        line.append(buf, static_cast<std::size_t>(n));
    }
    return line.substr(0, line.find('\n'));
}

}  // namespace

const char* KindName(ServerKind kind) { return infoOf(kind).name; }

const std::vector<ServerKind>& ServerKinds()
{
    static const std::vector<ServerKind> kinds = [] {
        const std::vector<ServerKind> all = {ServerKind::Pyftpdlib, ServerKind::Vsftpd, ServerKind::Proftpd,
                                             ServerKind::PureFtpd};
        if (TestServersRequired()) return all;
        std::vector<ServerKind> here = {ServerKind::Pyftpdlib};  // a build dependency: never left out
        for (ServerKind kind : all) {
            if (kind == ServerKind::Pyftpdlib) continue;
            if (runsHere(kind))
                here.push_back(kind);
            else
                std::fprintf(stderr, "Tests over every FTP server leave out %s here\n", KindName(kind));
        }
        return here;
    }();
    return kinds;
}

std::vector<ServerKind> AccountServerKinds()
{
    std::vector<ServerKind> kinds = ServerKinds();
    std::erase(kinds, ServerKind::Vsftpd);
    return kinds;
}

FtpTestServer::FtpTestServer(ServerKind kind, std::string root, const Accounts& extra)
    : kind_(kind), root_(std::move(root))
{
    std::string tmpl = (std::filesystem::temp_directory_path() / "ftptest-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) {
        failure_ = "no temporary folder";
        return;
    }
    work_ = tmpl;
    if (root_.empty()) {
        root_ = work_ + "/root";
        std::filesystem::create_directory(root_);
    }
    const std::string log = work_ + "/server.log";

    std::vector<std::string> args = {"/usr/bin/python3", scriptPath(kind), "--root", root_};
    if (kind == ServerKind::Pyftpdlib) {
        for (const char* a : {"--user", "tester", "--password", "s3cret", "--anonymous"}) args.emplace_back(a);
        for (const auto& [user, password] : extra)
            args.insert(args.end(), {"--user", user, "--password", password});
    }
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) {
        failure_ = "no pipe";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    if (error != 0) {
        ::close(out[0]);
        failure_ = "cannot start /usr/bin/python3";
        return;
    }
    pid_ = pid;
    // "PORT" (pyftpdlib, whose sessions start at "/") or "PORT HOME".
    const std::string line = readFirstLine(out[0], 15000);
    ::close(out[0]);
    port_ = std::atoi(line.c_str());
    const std::size_t blank = line.find(' ');
    home_ = blank == std::string::npos ? "/" : line.substr(blank + 1);
    if (port_ <= 0) {
        stop();
        failure_ = std::string(KindName(kind)) + " did not start: " + readText(log);
    }
}

FtpTestServer::~FtpTestServer()
{
    stop();
    if (!work_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(work_, ec);
    }
}

void FtpTestServer::stop()
{
    if (stdin_ >= 0) {
        ::close(stdin_);
        stdin_ = -1;
    }
    if (pid_ > 0) {
        int code = 0;
        bool ended = false;
        for (int i = 0; i < 250 && !ended; ++i) {
            ended = process::TryWait(pid_, code);
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) process::Terminate(pid_, false, 2000);
        pid_ = -1;
    }
    port_ = 0;
}

}  // namespace ftptest
