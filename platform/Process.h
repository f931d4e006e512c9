#pragma once
// Starting programs: posix_spawn with an argument vector, never a shell.

#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace process {

// Splits a Windows-style command line by its quoting rules: blanks and tabs separate arguments;
// "..." groups; 2n backslashes before a quote give n backslashes and the quote toggles grouping,
// 2n+1 give n backslashes and a literal quote; "" inside a group is a literal quote; other
// backslashes are kept as they stand.
std::vector<std::string> SplitCommandLine(std::string_view line);
// The inverse: each argument quoted where it needs it, so that splitting the result gives the
// same arguments back.
std::string JoinCommandLine(const std::vector<std::string>& args);

struct StartRequest {
    // argv[0] is the program; a name without "/" is searched in PATH.
    std::vector<std::string> argv;
    // Set in the child's environment on top of this process's (name, value).
    std::vector<std::pair<std::string, std::string>> env;
    std::string workDir;           // empty: this process's current folder
    bool ownProcessGroup = false;  // Terminate then ends the child's whole group
};

struct Started {
    pid_t pid = -1;
    int error = 0;  // errno when the program could not be started
    bool ok() const { return pid > 0; }
};

Started Start(const StartRequest& request);

// True once the child has ended (it is reaped then); exitCode is its status, or 128 + the
// signal that ended it.
bool TryWait(pid_t pid, int& exitCode);
// Waits up to timeoutMs for the child to end; false (the child still running) when it did not.
bool WaitFor(pid_t pid, int timeoutMs, int& exitCode);
// Blocks until the child ends; its exit code as TryWait gives it.
int WaitBlocking(pid_t pid);
// Ends the child (its group when started with ownProcessGroup): SIGTERM, SIGKILL after
// graceMs, then reaps it.
void Terminate(pid_t pid, bool group, int graceMs = 2000);

}  // namespace process
