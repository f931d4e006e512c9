#pragma once
// Asynchronous IPv4 host lookups for both clients: the resolver runs on a worker thread and its
// answer comes back as a queued call on the receiver's event loop, so a wait wakes at once. A
// lookup whose requester has given up (time-out, cancel, destroyed) is detached and its late
// answer dropped; the worker is detached too, so a resolver stuck on a dead name server does
// not hold up the program's exit.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;

namespace netsock {

// Resolves `name` to an IPv4 address in network order; returns 0 or a Winsock error number.
using Resolver = std::function<int(const std::string& name, std::uint32_t& address)>;

// Tests replace the resolver of forward lookups (a failing or hanging one); an empty one
// restores the system's.
void SetResolverForTesting(Resolver resolver);

class HostLookup {
public:
    struct Answer {
        int error = 0;                        // Winsock number, 0 when found
        std::vector<std::uint32_t> addresses;  // forward: every address, network order
        std::string name;                     // reverse: the host name
    };
    using Done = std::function<void(const Answer& answer)>;

    // Forward: the addresses of the name `query`; reverse: the name of the dotted address
    // `query`. `done` runs on the thread of `receiver` (the application object when null).
    // Raises std::system_error when no thread can be started.
    HostLookup(std::string query, bool reverse, Done done, QObject* receiver = nullptr);
    ~HostLookup();  // detaches: `done` is never called after this
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// This machine's host name; raises ESockError "Winsock.GetHostName failed".
std::string LocalHostName();

}  // namespace netsock
