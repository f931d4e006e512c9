#pragma once
// One phone-book command run as `/bin/sh -c <command>` in a process group of its own, with its
// values in environment variables (never pasted into the command text). Its end is noticed
// through the event loop (a pidfd watched by a notifier), so waits wake at once.

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

class QSocketNotifier;
class QTimer;

class ShellCommand {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;

    ShellCommand();
    ~ShellCommand();  // ends a command still running
    ShellCommand(const ShellCommand&) = delete;
    ShellCommand& operator=(const ShellCommand&) = delete;

    // False when the shell could not be started (StartError() holds the errno). onFinished runs
    // from the event loop with the exit code once the command has ended by itself.
    bool Start(const std::string& command, const Environment& env,
               std::function<void(int exitCode)> onFinished = {});
    int StartError() const { return startError_; }

    bool Running() const { return pid_ > 0; }
    int ExitCode() const { return exitCode_; }

    // Waits for the end, pumping events; after a quit request it goes on without pumping, so a
    // hang-up still completes. True when the command ended within timeoutMs.
    bool WaitFinished(int timeoutMs);

    // Ends the command and what it started (SIGTERM, then SIGKILL).
    void Terminate();

private:
    void Reap();
    void Release();

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int exitCode_ = -1;
    int startError_ = 0;
    std::function<void(int)> onFinished_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> poll_;  // where pidfds are not available
};
