#pragma once
// Raises this process's soft core-size limit for a scope, so a program it starts shows whether
// it turns core dumps off itself (a shell's default limit of 0 would hide that).

#include <sys/resource.h>

class RaisedCoreLimit {
public:
    RaisedCoreLimit()
    {
        ::getrlimit(RLIMIT_CORE, &old_);
        rlimit raised = old_;
        raised.rlim_cur = old_.rlim_max;
        raised_ = raised.rlim_cur != 0 && ::setrlimit(RLIMIT_CORE, &raised) == 0;
    }
    ~RaisedCoreLimit() { ::setrlimit(RLIMIT_CORE, &old_); }
    RaisedCoreLimit(const RaisedCoreLimit&) = delete;
    RaisedCoreLimit& operator=(const RaisedCoreLimit&) = delete;
    // False when the hard limit allows no core dumps anyway.
    bool raised() const { return raised_; }

private:
    rlimit old_{};
    bool raised_ = false;
};
