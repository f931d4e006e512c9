#pragma once
// Outgoing data of the mail socket: copied into fixed blocks chained in a list, so a large send
// needs no reallocation and partly sent data keeps its place.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

class TBuffer {
public:
    static constexpr int kDefaultSize = 1514;  // one Ethernet frame

    explicit TBuffer(int size);

    int BufSize() const { return static_cast<int>(buf_.size()); }
    // Keeps the unread bytes; never shrinks below them, so nothing queued is lost.
    void SetBufSize(int size);

    int WrCount() const { return wrCount_; }
    int RdCount() const { return rdCount_; }

    // Copies at most the free room; 0 when full.
    int Write(const char* data, int length);
    // The unread bytes and their count (0 when none).
    int Peek(const char*& data) const;
    // Takes at most the unread count; once everything is taken both counters return to 0.
    int Remove(int count);

private:
    std::vector<char> buf_;
    int wrCount_ = 0;
    int rdCount_ = 0;
};

// The chain of send blocks.
class TSendQueue {
public:
    explicit TSendQueue(int blockSize = TBuffer::kDefaultSize);

    // Appends to the last block, adding blocks of the block size as they fill.
    void Append(const char* data, std::int64_t length);
    void Clear() { blocks_.clear(); }

    int BlockCount() const { return static_cast<int>(blocks_.size()); }
    bool HasUnread() const;
    std::int64_t UnreadBytes() const;

    // The first block; null when the queue has none.
    TBuffer* Front() { return blocks_.empty() ? nullptr : blocks_.front().get(); }
    // Frees the first block once it is emptied and more blocks follow. Returns whether it did.
    bool DropEmptyFront();

private:
    int blockSize_;
    std::deque<std::unique_ptr<TBuffer>> blocks_;
};
