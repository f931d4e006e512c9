#include "net/ftp/socket/RecvBuffer.h"

#include <algorithm>
#include <cstring>

namespace ftpsock {

namespace {
constexpr std::size_t kDropFrontAt = 64 * 1024;
}

char* RecvBuffer::space(std::size_t n)
{
    tail_ = data_.size();
    data_.resize(tail_ + n);
    return data_.data() + tail_;
}

void RecvBuffer::commit(std::size_t n) { data_.resize(tail_ + n); }

void RecvBuffer::append(std::string_view bytes) { data_.append(bytes); }

std::size_t RecvBuffer::findLf()
{
    const std::size_t from = std::max(scanned_, start_);
    if (from < data_.size()) {
        const void* hit = std::memchr(data_.data() + from, '\n', data_.size() - from);
        if (hit) return static_cast<const char*>(hit) - data_.data() - start_;
    }
    scanned_ = data_.size();
    return std::string::npos;
}

bool RecvBuffer::holdsLine() const
{
    const std::size_t from = std::max(scanned_, start_);
    return from < data_.size() &&
           std::memchr(data_.data() + from, '\n', data_.size() - from) != nullptr;
}

std::string RecvBuffer::take(std::size_t n)
{
    n = std::min(n, size());
    std::string out = data_.substr(start_, n);
    start_ += n;
    dropFront();
    return out;
}

std::string RecvBuffer::takeAll() { return take(size()); }

void RecvBuffer::clear()
{
    data_.clear();
    start_ = scanned_ = tail_ = 0;
}

void RecvBuffer::dropFront()
{
    if (start_ == data_.size()) {
        clear();
    } else if (start_ >= kDropFrontAt && start_ >= data_.size() / 2) {
        data_.erase(0, start_);
        scanned_ = scanned_ > start_ ? scanned_ - start_ : 0;
        start_ = 0;
    }
}

}  // namespace ftpsock
