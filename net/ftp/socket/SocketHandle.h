#pragma once
// Move-only owners of file descriptors: sockets, listeners and files are closed exactly once.

#include <unistd.h>
#include <utility>

namespace ftpsock {

class FdHandle {
public:
    FdHandle() = default;
    explicit FdHandle(int fd) : fd_(fd) {}
    FdHandle(FdHandle&& other) noexcept : fd_(other.release()) {}
    FdHandle& operator=(FdHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    FdHandle(const FdHandle&) = delete;
    FdHandle& operator=(const FdHandle&) = delete;
    ~FdHandle() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }
    int release() { return std::exchange(fd_, -1); }
    // Linux closes the descriptor even when close() reports EINTR, so it is never retried.
    void reset(int fd = -1)
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

using SocketHandle = FdHandle;
using FileHandle = FdHandle;

}  // namespace ftpsock
