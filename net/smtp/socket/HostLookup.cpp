#include "net/smtp/socket/HostLookup.h"

#include "net/smtp/socket/HostAddress.h"

#include <QCoreApplication>
#include <thread>

QEvent::Type HostLookupEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

std::shared_ptr<HostLookup> HostLookup::Start(QObject* receiver, int id, std::string query, bool reverse)
{
    auto lookup = std::make_shared<HostLookup>(receiver);
    // Detached: a resolver stuck on a dead name server must not hold up the program's exit; the
    // shared state outlives the socket and the cancel flag stops a late answer.
    std::thread([lookup, id, query = std::move(query), reverse] {
        auto ev = std::make_unique<HostLookupEvent>(id, reverse);
        if (reverse) {
            std::uint32_t a = 0;
            std::string name;
            ev->error = ParseDottedAddress(query, a) ? LookupHostName(a, name) : 11001;
            if (ev->error == 0) ev->results.push_back(name);
        } else {
            std::vector<std::uint32_t> addrs;
            ev->error = LookupHostAddresses(query, addrs);
            for (auto a : addrs) ev->results.push_back(DottedAddress(a));
        }
        lookup->Deliver(std::move(ev));
    }).detach();
    return lookup;
}

void HostLookup::Cancel()
{
    std::lock_guard lock(mutex_);
    cancelled_ = true;
}

void HostLookup::Deliver(std::unique_ptr<HostLookupEvent> event)
{
    // Posting under the lock: the receiver cancels before it is destroyed, so it is alive here.
    std::lock_guard lock(mutex_);
    if (cancelled_) return;
    QCoreApplication::postEvent(receiver_, event.release());
}
