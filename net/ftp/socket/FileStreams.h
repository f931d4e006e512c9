#pragma once
// File ends of a transfer: captured bytes go straight to the file and sent bytes come straight
// from it, through one large block each, so the disk sees few big reads and writes while the
// socket still moves pieces of its own size.

#include "platform/FdHandle.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

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

    // ASCII type: CR LF from the wire is written as LF (LineEnds.h). Set before the first byte.
    void setTextLineEnds(bool on) { text_ = on; }

    // Room for `n` bytes (n < kFileBlock), writing the block out first when it is full.
    char* space(std::size_t n);
    void commit(std::size_t n)
    {
        if (text_) commitText(n);
        else fill_ += n;
    }
    void write(std::string_view bytes);
    // Writes the block out at the end of the data (a CR held back for a line end goes too);
    // false (and error() set) when the disk refused it.
    bool flush();
    int error() const { return error_; }
    const std::string& fileName() const { return name_; }

private:
    void commitText(std::size_t n);
    bool writeBlock();

    std::string name_;
    FdHandle fd_;
    std::unique_ptr<char[]> block_;
    std::size_t fill_ = 0;
    int error_ = 0;
    bool text_ = false;
    bool crHeld_ = false;  // block_[fill_] holds a CR whose next byte has not come yet
};

// File being sent. Opening raises "Cannot open file <name>".
class FileSource {
public:
    explicit FileSource(const std::string& fileName);

    // ASCII type: each LF goes out as CR LF (LineEnds.h); offsets and counts stay the file's.
    // Set before the first byte is sent.
    void setTextLineEnds(bool on) { text_ = on; }

    std::int64_t size() const { return size_; }
    // Up to `max` bytes at `offset`, read ahead a block at a time. Empty at the end of the file
    // or on a read error (error() set).
    std::string_view at(std::int64_t offset, std::size_t max);
    // Sends up to `max` bytes from `offset` on the socket `sock`. Read and sent rather than
    // spliced with sendfile: spliced file pages made uploads to a local server a fifth to a
    // half slower, however large the moves. Returns the bytes sent, or -1 with errno set by the socket;
    // a file that cannot be read returns -1 with errno 0 and error() set. With text line ends
    // the result counts the file's bytes whose wire form has gone out whole (0 when only a CR
    // put in went), and the calls must go on at the offset reached.
    long sendTo(int sock, std::int64_t offset, std::size_t max);
    int error() const { return error_; }
    const std::string& fileName() const { return name_; }

private:
    long sendTextTo(int sock, std::int64_t offset, std::size_t max);

    std::string name_;
    FdHandle fd_;
    std::int64_t size_ = 0;
    std::unique_ptr<char[]> block_;
    std::size_t capacity_ = 0;  // a small file needs no full block
    std::int64_t blockOffset_ = 0;
    std::size_t blockLength_ = 0;
    int error_ = 0;
    bool text_ = false;
    // Text line ends: the wire form of one piece of the file, sent up to wirePos_; added_ holds
    // where in it the CRs put in are, addedSent_ how many of them lie before wirePos_.
    std::string wire_;
    std::size_t wirePos_ = 0;
    std::vector<std::size_t> added_;
    std::size_t addedSent_ = 0;
    bool lastWasCr_ = false;
};

}  // namespace ftpsock
