#include "platform/Process.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace process {

std::vector<std::string> SplitCommandLine(std::string_view line)
{
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string arg;
        bool quoted = false;
        while (i < n) {
            const char c = line[i];
            if (!quoted && (c == ' ' || c == '\t')) break;
            if (c == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                    // an even run leaves the quote to toggle grouping below
                } else {
                    arg.append(slashes, '\\');
                }
                continue;
            }
            if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                    continue;
                }
                quoted = !quoted;
                ++i;
                continue;
            }
            arg += c;
            ++i;
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string JoinCommandLine(const std::vector<std::string>& args)
{
    std::string out;
    for (const std::string& a : args) {
        if (!out.empty()) out += ' ';
        if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos) {
            out += a;  // backslashes stand for themselves when no quote follows
            continue;
        }
        out += '"';
        std::size_t slashes = 0;
        for (char c : a) {
            if (c == '\\') {
                ++slashes;
                continue;
            }
            if (c == '"') out.append(slashes * 2 + 1, '\\');
            else out.append(slashes, '\\');
            slashes = 0;
            out += c;
        }
        out.append(slashes * 2, '\\');  // before the closing quote
        out += '"';
    }
    return out;
}

namespace {

// The child's environment: ours with the request's names set on top.
std::vector<std::string> childEnvironment(const StartRequest& request)
{
    std::vector<std::string> out;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const auto& [key, value] : request.env)
            if (name == key) replaced = true;
        if (!replaced) out.emplace_back(entry);
    }
    for (const auto& [key, value] : request.env) out.push_back(key + "=" + value);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> out;
    out.reserve(texts.size() + 1);
    for (std::string& t : texts) out.push_back(t.data());
    out.push_back(nullptr);
    return out;
}

int exitCodeOf(int status)
{
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

Started Start(const StartRequest& request)
{
    Started result;
    if (request.argv.empty() || request.argv.front().empty()) {
        result.error = ENOENT;
        return result;
    }
    std::vector<std::string> args = request.argv;
    std::vector<std::string> envTexts = childEnvironment(request);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(envTexts);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    if (request.ownProcessGroup) {
        flags |= POSIX_SPAWN_SETPGROUP;
        posix_spawnattr_setpgroup(&attr, 0);
    }
    posix_spawnattr_setflags(&attr, flags);
    if (!request.workDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, request.workDir.c_str());

    pid_t pid = -1;
    const bool search = request.argv.front().find('/') == std::string::npos;
    const int rc = search ? ::posix_spawnp(&pid, argp[0], &actions, &attr, argp.data(), envp.data())
                          : ::posix_spawn(&pid, argp[0], &actions, &attr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0) {
        result.error = rc;
        return result;
    }
    result.pid = pid;
    return result;
}

bool TryWait(pid_t pid, int& exitCode)
{
    int status = 0;
    const pid_t r = ::waitpid(pid, &status, WNOHANG);
    if (r == 0) return false;
    exitCode = r == pid ? exitCodeOf(status) : -1;  // -1: not our child any more
    return true;
}

bool WaitFor(pid_t pid, int timeoutMs, int& exitCode)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (TryWait(pid, exitCode)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

int WaitBlocking(pid_t pid)
{
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    return r == pid ? exitCodeOf(status) : -1;
}

void Terminate(pid_t pid, bool group, int graceMs)
{
    if (pid <= 0) return;
    const pid_t target = group ? -pid : pid;
    ::kill(target, SIGTERM);
    int code = 0;
    if (WaitFor(pid, graceMs, code)) {
        if (group) ::kill(target, SIGKILL);  // what the leader left behind
        return;
    }
    ::kill(target, SIGKILL);
    WaitBlocking(pid);
}

}  // namespace process
