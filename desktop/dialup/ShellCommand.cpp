#include "desktop/dialup/ShellCommand.h"

#include "platform/Guard.h"
#include "platform/Process.h"
#include "platform/Wait.h"

#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <poll.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace {
// Polling interval where the kernel has no pidfds.
constexpr int kPollMs = 20;
}

ShellCommand::ShellCommand() = default;

ShellCommand::~ShellCommand() { Terminate(); }

bool ShellCommand::Start(const std::string& command, const Environment& env,
                         std::function<void(int)> onFinished)
{
    Terminate();
    exitCode_ = -1;
    startError_ = 0;
    process::StartRequest request;
    request.argv = {"/bin/sh", "-c", command};
    request.env = env;
    request.ownProcessGroup = true;
    const process::Started started = process::Start(request);
    if (!started.ok()) {
        startError_ = started.error ? started.error : ENOENT;
        return false;
    }
    pid_ = started.pid;
    onFinished_ = std::move(onFinished);
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd_ >= 0) {
        notifier_ = std::make_unique<QSocketNotifier>(pidfd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { Reap(); });
    } else {
        poll_ = std::make_unique<QTimer>();
        poll_->setInterval(kPollMs);
        QObject::connect(poll_.get(), &QTimer::timeout, [this] { Reap(); });
        poll_->start();
    }
    return true;
}

void ShellCommand::Reap()
{
    int code = 0;
    if (pid_ <= 0 || !process::TryWait(pid_, code)) return;
    pid_ = -1;
    exitCode_ = code;
    std::function<void(int)> done = std::move(onFinished_);
    Release();
    if (done) guard::absorb([&] { done(code); });
}

void ShellCommand::Release()
{
    // Released from inside their own signals: disable now, delete from the event loop.
    if (notifier_) {
        notifier_->setEnabled(false);
        notifier_.release()->deleteLater();
    }
    if (poll_) {
        poll_->stop();
        poll_.release()->deleteLater();
    }
    if (pidfd_ >= 0) ::close(pidfd_);
    pidfd_ = -1;
    onFinished_ = nullptr;
}

bool ShellCommand::WaitFinished(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    if (waiting::waitUntil([this] { return !Running(); }, timeoutMs) != waiting::WaitResult::Quit)
        return !Running();
    // Quitting: nothing is pumped any more, so wait on the process itself.
    while (Running()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        if (pidfd_ >= 0) {
            pollfd p{pidfd_, POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(left));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
        Reap();
    }
    return !Running();
}

void ShellCommand::Terminate()
{
    if (pid_ <= 0) return;
    const pid_t pid = pid_;
    pid_ = -1;
    Release();
    process::Terminate(pid, true);
}
