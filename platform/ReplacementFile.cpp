#include "platform/ReplacementFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
constexpr int kNameAttempts = 100;

std::string randomSuffix()
{
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    unsigned char bytes[8] = {};
    if (::getrandom(bytes, sizeof bytes, 0) != static_cast<ssize_t>(sizeof bytes)) {
        // Without the kernel's randomness the name is still unique enough: O_EXCL guards it.
        static unsigned counter = 0;
        const unsigned v = static_cast<unsigned>(::getpid()) * 2654435761u + ++counter;
        std::memcpy(bytes, &v, sizeof v);
    }
    std::string s;
    for (unsigned char b : bytes) s += kChars[b % (sizeof kChars - 1)];
    return s;
}

}  // namespace

bool ReplacementFile::Open(const std::string& target)
{
    Discard();
    target_ = target;
    error_.clear();
    buffer_.reserve(kBufferBytes);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string temp = target + "." + randomSuffix() + ".tmp";
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_.reset(fd);
            temp_ = temp;
            return true;
        }
        if (errno != EEXIST) {
            Fail("cannot create a temporary file beside " + target, errno);
            return false;
        }
    }
    Fail("cannot create a temporary file beside " + target, EEXIST);
    return false;
}

void ReplacementFile::Write(std::string_view bytes)
{
    if (!fd_.valid() || !error_.empty()) return;
    if (buffer_.size() + bytes.size() > kBufferBytes) {
        if (!Flush()) return;
        // A piece larger than the buffer goes out as it is, without a copy.
        if (bytes.size() >= kBufferBytes) {
            (void)WriteAll(bytes);
            return;
        }
    }
    buffer_.append(bytes);
}

bool ReplacementFile::Flush()
{
    const bool ok = WriteAll(buffer_);
    buffer_.clear();
    return ok;
}

bool ReplacementFile::WriteAll(std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd_.get(), bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail("cannot write " + temp_, n < 0 ? errno : ENOSPC);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

FdHandle ReplacementFile::TakeDescriptor()
{
    if (!fd_.valid() || !Flush()) return {};
    // A descriptor of its own for the writer; this one stays for the flush before the rename.
    const int copy = ::fcntl(fd_.get(), F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        Fail("cannot write " + temp_, errno);
        return {};
    }
    return FdHandle(copy);
}

bool ReplacementFile::Commit()
{
    if (!fd_.valid()) {
        if (error_.empty()) error_ = "nothing was written";
        return false;
    }
    if (error_.empty() && Flush()) {
        if (::fsync(fd_.get()) != 0) Fail("cannot write " + temp_, errno);
        else if (const int err = fd_.reset()) Fail("cannot write " + temp_, err);
        else if (std::rename(temp_.c_str(), target_.c_str()) != 0) Fail("cannot rename it to " + target_, errno);
        else {
            temp_.clear();
            return true;
        }
    }
    Discard();
    return false;
}

void ReplacementFile::Discard()
{
    fd_.reset();
    buffer_.clear();
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

void ReplacementFile::Fail(const std::string& what, int err)
{
    if (error_.empty()) error_ = what + ": " + std::strerror(err);
}
