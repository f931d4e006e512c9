#pragma once
// A named pipe for tests of code that must refuse one. A writer that opened it anyway would
// block until a reader comes: the pipe opens its own reading end after a few seconds, so such a
// fault fails the test instead of hanging it.

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

class Fifo {
public:
    explicit Fifo(std::string path) : path_(std::move(path))
    {
        made_ = ::mkfifo(path_.c_str(), 0644) == 0;
        unblocker_ = std::thread([this] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            while (!stop_ && std::chrono::steady_clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (stop_) return;
            const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) return;
            opened_ = true;
            char buf[4096];
            for (int idle = 0; idle < 50 && !stop_;) {
                if (::read(fd, buf, sizeof buf) > 0) idle = 0;
                else ++idle, std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            ::close(fd);
        });
    }
    ~Fifo()
    {
        stop_ = true;
        unblocker_.join();
        ::unlink(path_.c_str());
    }
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    bool made() const { return made_; }
    const std::string& path() const { return path_; }
    // The reading end had to be opened: something opened the pipe and blocked on it.
    bool unblocked() const { return opened_; }

private:
    std::string path_;
    bool made_ = false;
    std::atomic<bool> stop_{false}, opened_{false};
    std::thread unblocker_;
};
