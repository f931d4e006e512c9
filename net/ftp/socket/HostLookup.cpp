#include "net/ftp/socket/HostLookup.h"

#include "platform/HostAddress.h"

#include <QCoreApplication>
#include <QThreadPool>

#include <mutex>
#include <vector>

namespace ftpsock {

namespace {

int systemResolve(const std::string& name, std::uint32_t& address)
{
    std::vector<std::uint32_t> all;
    const int error = LookupHostAddresses(name, all);
    if (error == 0) address = all.front();
    return error;
}

std::mutex gResolverMutex;
Resolver gResolver;

Resolver currentResolver()
{
    std::lock_guard lock(gResolverMutex);
    return gResolver ? gResolver : Resolver(systemResolve);
}

}  // namespace

// `done` is touched only on the event loop's thread, so detaching needs no lock.
struct HostLookup::State {
    Done done;
};

void setResolverForTesting(Resolver resolver)
{
    std::lock_guard lock(gResolverMutex);
    gResolver = std::move(resolver);
}

HostLookup::HostLookup(const std::string& name, Done done)
    : state_(std::make_shared<State>())
{
    state_->done = std::move(done);
    Resolver resolve = currentResolver();
    // The application object outlives the pool's threads (it waits for them when it goes).
    QThreadPool::globalInstance()->start([state = state_, name, resolve] {
        std::uint32_t address = 0;
        const int error = resolve(name, address);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [state, error, address] {
                if (Done done = std::move(state->done)) done(error, address);
            },
            Qt::QueuedConnection);
    });
}

HostLookup::~HostLookup() { state_->done = nullptr; }

}  // namespace ftpsock
