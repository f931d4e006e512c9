#pragma once
// Runs a clean-up when the scope ends, whether by return or by an exception.

#include <utility>

namespace ftpsock {

template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    ~ScopeExit() { f_(); }

private:
    F f_;
};

}  // namespace ftpsock
