#pragma once
// Move-only owner of a file descriptor (a socket, a listener, an open file): closed exactly
// once. A close that fails still releases the number (Linux closes it even on EINTR), so it is
// never retried: a retry could close a descriptor someone else has reused meanwhile.

#include <cerrno>
#include <unistd.h>
#include <utility>

class FdHandle {
public:
    FdHandle() = default;
    explicit FdHandle(int fd) : fd_(fd) {}
    ~FdHandle() { reset(); }

    FdHandle(FdHandle&& other) noexcept : fd_(other.release()) {}
    FdHandle& operator=(FdHandle&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    FdHandle(const FdHandle&) = delete;
    FdHandle& operator=(const FdHandle&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    explicit operator bool() const { return valid(); }
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }

    // Closes the descriptor held and takes `fd`; returns 0 or the errno of a failed close
    // (EINTR counts as closed).
    int reset(int fd = -1)
    {
        const int old = std::exchange(fd_, fd);
        if (old < 0 || ::close(old) == 0 || errno == EINTR) return 0;
        return errno;
    }

private:
    int fd_ = -1;
};
