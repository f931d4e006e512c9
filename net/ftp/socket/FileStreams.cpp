#include "net/ftp/socket/FileStreams.h"

#include "net/ftp/socket/LineEnds.h"
#include "net/ftp/socket/SockErrors.h"
#include "platform/LocalFiles.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace ftpsock {

FileSink::FileSink(const std::string& fileName, bool append, bool noFollow) : name_(fileName)
{
    const int flags = (append ? O_WRONLY | O_APPEND : O_WRONLY | O_CREAT | O_TRUNC) | (noFollow ? O_NOFOLLOW : 0);
    bool notRegular = false;
    fd_ = localfiles::openRegularFile(fileName, flags, notRegular);
    if (notRegular) throw ELocalFileError("Cannot write to " + fileName + ": not a regular file", false);
    if (!fd_) {
        const int err = errno;
        const std::string reason = noFollow && err == ELOOP ? "it is a link" : std::strerror(err);
        throw ELocalFileError((append ? "Cannot open file " : "Cannot create file ") + fileName + ": " + reason, false);
    }
    // Not zeroed: only committed bytes are ever written, and a tree of small files would
    // otherwise clear a megabyte per file.
    block_ = std::make_unique_for_overwrite<char[]>(kFileBlock);
}

FileSink::FileSink(const std::string& fileName, FdHandle file)
    : name_(fileName), fd_(std::move(file)), block_(std::make_unique_for_overwrite<char[]>(kFileBlock))
{
}

char* FileSink::space(std::size_t n)
{
    // A held CR stays in front of the bytes to come, so a CR LF split between pieces meets.
    const std::size_t held = crHeld_ ? 1 : 0;
    if (fill_ + held + n > kFileBlock) writeBlock();
    return block_.get() + fill_ + held;
}

void FileSink::commitText(std::size_t n)
{
    const std::size_t held = crHeld_ ? 1 : 0;
    fill_ += WireToLocalText(block_.get() + fill_, held + n, crHeld_);
}

void FileSink::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kFileBlock - 1);
        char* dst = space(n);
        std::copy(bytes.begin(), bytes.begin() + n, dst);
        commit(n);
        bytes.remove_prefix(n);
    }
}

bool FileSink::flush()
{
    // Nothing follows: a CR at the very end is a lone CR, and stays.
    if (std::exchange(crHeld_, false)) ++fill_;
    return writeBlock();
}

bool FileSink::writeBlock()
{
    std::size_t done = 0;
    while (done < fill_ && error_ == 0) {
        const ssize_t n = ::write(fd_.get(), block_.get() + done, fill_ - done);
        if (n > 0) done += static_cast<std::size_t>(n);
        else if (n < 0 && errno == EINTR) continue;
        else error_ = n < 0 ? errno : ENOSPC;
    }
    if (crHeld_) block_[0] = block_[fill_];
    fill_ = 0;
    return error_ == 0;
}

FileSource::FileSource(const std::string& fileName) : name_(fileName)
{
    bool notRegular = false;
    fd_ = localfiles::openRegularFile(fileName, O_RDONLY, notRegular);
    struct stat st {};
    if (!fd_ || ::fstat(fd_.get(), &st) != 0) throw Exception("Cannot open file " + fileName);
    size_ = st.st_size;
    capacity_ = static_cast<std::size_t>(std::clamp<std::int64_t>(size_, 1, kSourceBlock));
}

std::string_view FileSource::at(std::int64_t offset, std::size_t max)
{
    if (offset < 0 || offset >= size_ || error_ != 0) return {};
    if (offset < blockOffset_ || offset >= blockOffset_ + static_cast<std::int64_t>(blockLength_)) {
        if (!block_) block_ = std::make_unique_for_overwrite<char[]>(capacity_);
        blockOffset_ = offset;
        blockLength_ = 0;
        for (;;) {
            const ssize_t n = ::pread(fd_.get(), block_.get(), capacity_, offset);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) error_ = errno;
            else if (n == 0) error_ = EIO;  // shrank while being sent
            else blockLength_ = static_cast<std::size_t>(n);
            break;
        }
        if (blockLength_ == 0) return {};
    }
    const std::size_t skip = static_cast<std::size_t>(offset - blockOffset_);
    // A file that grows while it is sent is sent as large as it was when opened.
    const std::size_t left = static_cast<std::size_t>(size_ - offset);
    return std::string_view(block_.get() + skip, std::min({max, blockLength_ - skip, left}));
}

long FileSource::sendTo(int sock, std::int64_t offset, std::size_t max)
{
    if (text_) return sendTextTo(sock, offset, max);
    const std::string_view chunk = at(offset, max);
    if (chunk.empty()) {
        errno = 0;
        return -1;
    }
    return ::send(sock, chunk.data(), chunk.size(), MSG_NOSIGNAL);
}

long FileSource::sendTextTo(int sock, std::int64_t offset, std::size_t max)
{
    if (wirePos_ >= wire_.size()) {
        const std::string_view chunk = at(offset, max);
        if (chunk.empty()) {
            errno = 0;
            return -1;
        }
        wire_.clear();
        added_.clear();
        wirePos_ = addedSent_ = 0;
        LocalToWireText(chunk, wire_, lastWasCr_, &added_);
    }
    const ssize_t n = ::send(sock, wire_.data() + wirePos_, wire_.size() - wirePos_, MSG_NOSIGNAL);
    if (n < 0) return -1;
    // Of the wire bytes sent, those not put in are the file's.
    const std::size_t fileBefore = wirePos_ - addedSent_;
    wirePos_ += static_cast<std::size_t>(n);
    while (addedSent_ < added_.size() && added_[addedSent_] < wirePos_) ++addedSent_;
    // A CR put in but not yet its LF: neither counts.
    const std::size_t fileAfter = wirePos_ - addedSent_;
    return static_cast<long>(fileAfter - fileBefore);
}

}  // namespace ftpsock
