#pragma once
// File ends of a transfer: captured bytes go straight to the file and sent bytes come straight
// from it, through one large block each, so the disk sees few big reads and writes while the
// socket still moves pieces of its own size.

#include "platform/FdHandle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace ftpsock {

inline constexpr std::size_t kFileBlock = 1024 * 1024;
// Bytes one system call moves on a data connection: few calls per megabyte, yet small enough
// that Cancel and other events are seen between calls.
inline constexpr std::size_t kMoveSize = 256 * 1024;
// A sent file is read a move at a time: each block goes out while it is still in the cache.
inline constexpr std::size_t kSourceBlock = kMoveSize;

// Capture file. Opening raises ELocalFileError "Cannot create file <name>: <reason>" /
// "Cannot open file <name>: <reason>".
class FileSink {
public:
    // append: the file must exist and is written at its end; else it is created or replaced.
    // noFollow: a link at fileName is refused, never written through.
    FileSink(const std::string& fileName, bool append, bool noFollow = false);
    // A file already open for writing; `fileName` names it in messages.
    FileSink(const std::string& fileName, FdHandle file);

    // Room for `n` bytes (n <= kFileBlock), flushing the block first when it is full.
    char* space(std::size_t n);
    void commit(std::size_t n) { fill_ += n; }
    void write(std::string_view bytes);
    // Writes the block out; false (and error() set) when the disk refused it.
    bool flush();
    int error() const { return error_; }
    const std::string& fileName() const { return name_; }

private:
    std::string name_;
    FdHandle fd_;
    std::unique_ptr<char[]> block_;
    std::size_t fill_ = 0;
    int error_ = 0;
};

// File being sent. Opening raises "Cannot open file <name>".
class FileSource {
public:
    explicit FileSource(const std::string& fileName);

    std::int64_t size() const { return size_; }
    // Up to `max` bytes at `offset`, read ahead a block at a time. Empty at the end of the file
    // or on a read error (error() set).
    std::string_view at(std::int64_t offset, std::size_t max);
    // Sends up to `max` bytes from `offset` on the socket `sock`. Read and sent rather than
    // spliced with sendfile: spliced file pages made uploads to a local server a fifth to a
    // half slower, however large the moves. Returns the bytes sent, or -1 with errno set by the socket;
    // a file that cannot be read returns -1 with errno 0 and error() set.
    long sendTo(int sock, std::int64_t offset, std::size_t max);
    int error() const { return error_; }
    const std::string& fileName() const { return name_; }

private:
    std::string name_;
    FdHandle fd_;
    std::int64_t size_ = 0;
    std::unique_ptr<char[]> block_;
    std::size_t capacity_ = 0;  // a small file needs no full block
    std::int64_t blockOffset_ = 0;
    std::size_t blockLength_ = 0;
    int error_ = 0;
};

}  // namespace ftpsock
