#include "net/common/HostLookup.h"

#include "net/common/SockError.h"
#include "platform/HostAddress.h"

#include <QCoreApplication>

#include <mutex>
#include <thread>
#include <unistd.h>

namespace netsock {

namespace {

std::mutex gResolverMutex;
Resolver gResolver;

Resolver testResolver()
{
    std::lock_guard lock(gResolverMutex);
    return gResolver;
}

HostLookup::Answer resolve(const std::string& query, bool reverse, const Resolver& forTesting)
{
    HostLookup::Answer answer;
    if (reverse) {
        std::uint32_t address = 0;
        answer.error = ParseDottedAddress(query, address) ? LookupHostName(address, answer.name) : 11001;
    } else if (forTesting) {
        std::uint32_t address = 0;
        answer.error = forTesting(query, address);
        if (answer.error == 0) answer.addresses.push_back(address);
    } else {
        answer.error = LookupHostAddresses(query, answer.addresses);
    }
    return answer;
}

}  // namespace

// The receiver is cleared under the lock when the lookup is detached, and the receiver detaches
// before it goes, so the worker posts only to a live object.
struct HostLookup::State {
    std::mutex mutex;
    QObject* receiver = nullptr;
    Done done;
};

void SetResolverForTesting(Resolver resolver)
{
    std::lock_guard lock(gResolverMutex);
    gResolver = std::move(resolver);
}

HostLookup::HostLookup(std::string query, bool reverse, Done done, QObject* receiver)
    : state_(std::make_shared<State>())
{
    state_->receiver = receiver ? receiver : QCoreApplication::instance();
    state_->done = std::move(done);
    std::thread([state = state_, query = std::move(query), reverse, forTesting = testResolver()] {
        Answer answer = resolve(query, reverse, forTesting);
        std::lock_guard lock(state->mutex);
        if (!state->receiver) return;
        QMetaObject::invokeMethod(
            state->receiver,
            [state, answer = std::move(answer)] {
                Done done;
                {
                    std::lock_guard lock(state->mutex);
                    done = std::move(state->done);
                }
                if (done) done(answer);
            },
            Qt::QueuedConnection);
    }).detach();
}

HostLookup::~HostLookup()
{
    std::lock_guard lock(state_->mutex);
    state_->receiver = nullptr;
    state_->done = nullptr;
}

std::string LocalHostName()
{
    char buf[64] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) throw ESockError("Winsock.GetHostName failed");
    return buf;
}

}  // namespace netsock
