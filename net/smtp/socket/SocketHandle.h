#pragma once
// Move-only owner of a socket or other descriptor. Closing happens exactly once: a close that
// fails still releases the number, so retrying could close a descriptor someone else reused.

#include <cerrno>
#include <unistd.h>
#include <utility>

class SocketHandle {
public:
    SocketHandle() = default;
    explicit SocketHandle(int fd) : fd_(fd) {}
    ~SocketHandle() { reset(); }

    SocketHandle(SocketHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    SocketHandle& operator=(SocketHandle&& other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    SocketHandle(const SocketHandle&) = delete;
    SocketHandle& operator=(const SocketHandle&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }

    // Closes the descriptor; returns 0 or the errno of a failed close (EINTR counts as closed).
    int reset()
    {
        if (fd_ < 0) return 0;
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) == 0 || errno == EINTR) return 0;
        return errno;
    }

private:
    int fd_ = -1;
};
