#include "net/smtp/socket/SendBuffer.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(int size) : buf_(static_cast<std::size_t>(size > 0 ? size : kDefaultSize)) {}

void TBuffer::SetBufSize(int size)
{
    if (size <= 0) size = kDefaultSize;
    const int unread = wrCount_ - rdCount_;
    std::vector<char> next(static_cast<std::size_t>(std::max(size, unread)));
    if (unread > 0) std::memcpy(next.data(), buf_.data() + rdCount_, static_cast<std::size_t>(unread));
    buf_ = std::move(next);
    wrCount_ = unread;
    rdCount_ = 0;
}

int TBuffer::Write(const char* data, int length)
{
    const int n = std::min(std::max(length, 0), BufSize() - wrCount_);
    if (n <= 0) return 0;
    std::memcpy(buf_.data() + wrCount_, data, static_cast<std::size_t>(n));
    wrCount_ += n;
    return n;
}

int TBuffer::Peek(const char*& data) const
{
    const int n = wrCount_ - rdCount_;
    data = n > 0 ? buf_.data() + rdCount_ : nullptr;
    return n > 0 ? n : 0;
}

int TBuffer::Remove(int count)
{
    const int n = std::min(std::max(count, 0), wrCount_ - rdCount_);
    rdCount_ += n;
    if (rdCount_ >= wrCount_) wrCount_ = rdCount_ = 0;
    return n;
}

TSendQueue::TSendQueue(int blockSize) : blockSize_(blockSize > 0 ? blockSize : TBuffer::kDefaultSize) {}

void TSendQueue::Append(const char* data, std::int64_t length)
{
    while (length > 0) {
        if (blocks_.empty()) blocks_.push_back(std::make_unique<TBuffer>(blockSize_));
        const int piece = static_cast<int>(std::min<std::int64_t>(length, blockSize_));
        const int n = blocks_.back()->Write(data, piece);
        if (n == 0) {
            blocks_.push_back(std::make_unique<TBuffer>(blockSize_));
            continue;
        }
        data += n;
        length -= n;
    }
}

bool TSendQueue::HasUnread() const { return UnreadBytes() > 0; }

std::int64_t TSendQueue::UnreadBytes() const
{
    std::int64_t total = 0;
    for (const auto& b : blocks_) total += b->WrCount() - b->RdCount();
    return total;
}

bool TSendQueue::DropEmptyFront()
{
    if (blocks_.size() < 2 || blocks_.front()->WrCount() != blocks_.front()->RdCount()) return false;
    blocks_.pop_front();
    return true;
}
