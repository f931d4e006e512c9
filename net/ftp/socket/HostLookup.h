#pragma once
// Asynchronous IPv4 host lookup: getaddrinfo runs on a pool thread and its outcome comes back
// as a queued call on the event loop, so a wait wakes at once. A lookup whose requester has
// given up (time-out, cancel, destroyed) is detached and its late outcome dropped.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace ftpsock {

// Resolves `name` to an IPv4 address in network order; returns 0 or a Winsock error number.
using Resolver = std::function<int(const std::string& name, std::uint32_t& address)>;

// Tests replace the resolver (a failing or hanging one); an empty one restores getaddrinfo.
void setResolverForTesting(Resolver resolver);

class HostLookup {
public:
    // Called on the event loop's thread with the Winsock error (0 on success) and the address.
    using Done = std::function<void(int error, std::uint32_t address)>;

    HostLookup(const std::string& name, Done done);
    ~HostLookup();  // detaches: `done` is never called after this
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace ftpsock
