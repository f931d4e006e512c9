#include "runner/Process.h"

#include "platform/ByteText.h"
#include "platform/Process.h"

#include <mutex>
#include <system_error>
#include <thread>

// The worker's way back to the window's thread. The component clears `target` when it goes, so
// a worker that outlives it posts nothing; Qt drops what was already posted to a deleted object.
struct TProcess::Relay {
    std::mutex mutex;
    TProcess* target = nullptr;

    void post(std::function<void(TProcess&)> call)
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (!target) return;
        TProcess* t = target;
        QMetaObject::invokeMethod(t, [t, call = std::move(call)] { call(*t); }, Qt::QueuedConnection);
    }
};

namespace {

struct Snapshot {
    std::vector<std::string> argv;
    std::string directory;
    bool wait = true;
};

// Trimmed, without one trailing "/" (the root folder stays itself).
std::string workingFolder(const std::string& directory)
{
    std::string d = bytetext::trim(directory);
    if (d.size() > 1 && d.back() == '/') d.pop_back();
    return d;
}

}  // namespace

TProcess::TProcess(QObject* parent) : QObject(parent), relay_(std::make_shared<Relay>())
{
    relay_->target = this;
}

TProcess::~TProcess()
{
    const std::lock_guard<std::mutex> lock(relay_->mutex);
    relay_->target = nullptr;
}

std::shared_ptr<const TProcessRun> TProcess::Execute()
{
    auto run = std::make_shared<TProcessRun>();
    Snapshot s{process::SplitCommandLine(Command), workingFolder(Directory), Wait};
    auto body = [relay = relay_, run, s = std::move(s)] {
        process::StartRequest request;
        request.argv = s.argv;
        request.workDir = s.directory;
        const process::Started started = process::Start(request);
        if (!started.ok()) {
            run->startError_ = started.error;
            run->state_ = TProcessRun::State::StartFailed;
            relay->post([](TProcess&) {});  // wakes a wait for the start
            return;
        }
        run->state_ = TProcessRun::State::Running;
        relay->post([](TProcess&) {});
        // A program started without waiting is still reaped here, so it leaves no zombie.
        const int code = process::WaitBlocking(started.pid);
        run->exitCode_ = code;
        run->state_ = TProcessRun::State::Finished;
        if (s.wait)
            relay->post([code](TProcess& p) {
                if (p.OnFinished) p.OnFinished(p, code);
            });
        else
            relay->post([](TProcess&) {});
    };
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error& e) {
        run->startError_ = e.code().value();
        run->state_ = TProcessRun::State::StartFailed;
    }
    return run;
}
