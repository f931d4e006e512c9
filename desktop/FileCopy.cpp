#include "desktop/FileCopy.h"

#include "platform/AppPaths.h"
#include "platform/FdHandle.h"
#include "platform/LocalFiles.h"
#include "platform/Prompt.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// The copy's temporary file beside the target: removed unless it took the target's name.
class PartFile {
public:
    // Made with mode 0666 so the umask applies as it does to any new file.
    bool create(const std::string& folder)
    {
        static std::atomic<unsigned> counter{0};
        for (int attempt = 0; attempt < 100; ++attempt) {
            path_ = folder + ".vantrel-copy-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
            fd_ = FdHandle(::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
            if (fd_) return true;
            if (errno != EEXIST) break;
        }
        path_.clear();
        return false;
    }
    ~PartFile()
    {
        fd_.reset();
        if (!path_.empty()) ::unlink(path_.c_str());
    }
    int fd() const { return fd_.get(); }

    bool writeAll(const char* data, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(fd_.get(), data, size);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;  // a write that takes nothing is a full disk
            data += n;
            size -= static_cast<std::size_t>(n);
        }
        return true;
    }
    // Flushed, closed and renamed to `target`; false when any step fails.
    bool commit(const std::string& target)
    {
        if (::fsync(fd_.get()) != 0 || fd_.reset() != 0) return false;
        if (::rename(path_.c_str(), target.c_str()) != 0) return false;
        path_.clear();
        return true;
    }

private:
    std::string path_;
    FdHandle fd_;
};

// The file a target name writes to: through a symbolic link to the file it names, as opening the
// name would, so the link itself stays.
std::string placeOf(const std::string& target)
{
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return target;
    char resolved[PATH_MAX];
    return ::realpath(target.c_str(), resolved) ? std::string(resolved) : target;
}

int percent(std::int64_t done, std::int64_t size)
{
    if (size <= 0 || done >= size) return 100;  // an empty file is copied whole at once
    return static_cast<int>(done * 100 / size);
}

}  // namespace

void TFileCopy::SetSourceFile(const std::string& name)
{
    if (name != sourceFile_) sourceFile_ = name;
}

void TFileCopy::SetTargetFile(const std::string& name)
{
    if (name != targetFile_) targetFile_ = name;
}

void TFileCopy::Execute()
{
    if (sourceFile_.empty()) {
        prompt::current().message("I can't copy\rSource File name missing", {}, MessageKind::Error);
        return;
    }
    if (targetFile_.empty()) {
        prompt::current().message("I can't copy\rTarget File name missing", {}, MessageKind::Error);
        return;
    }
    if (!Copy(sourceFile_, targetFile_)) prompt::current().message("Execution failed", {}, MessageKind::Error);
}

bool TFileCopy::fail(const std::string& text)
{
    prompt::current().beep();
    prompt::current().message(text, {}, MessageKind::Error);
    return false;
}

void TFileCopy::progress(std::int64_t read, std::int64_t written, std::int64_t size)
{
    if (OnProgress) OnProgress(percent(read, size), percent(written, size));
}

bool TFileCopy::Copy(const std::string& source, const std::string& target)
{
    const std::string onItself = "Error !!!\rCan't copy the file on itself";
    if (source == target) return fail(onItself);

    // Only a regular file has an end, and opening a FIFO could wait for good.
    bool notRegular = false;
    const FdHandle in = localfiles::openRegularFile(source, O_RDONLY, notRegular);
    struct stat src {};
    if (!in || ::fstat(in.get(), &src) != 0) return fail(source + " missing or damaged");
    const std::int64_t size = src.st_size;

    const std::string place = placeOf(target);
    const std::string creating = "Error on creating " + target;
    struct stat dst {};
    const bool exists = ::stat(place.c_str(), &dst) == 0;
    if (exists) {
        // The same file under another spelling ("./a", a link) would be truncated by its own copy.
        if (dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) return fail(onItself);
        if (!S_ISREG(dst.st_mode)) return fail(creating);
        if (!prompt::current().question("The file " + target + "\r already exists. Overwrite ?", {},
                                        MessageKind::Information))
            return false;
        // What could not be opened for writing is not replaced either.
        if (::access(place.c_str(), W_OK) != 0) return fail(creating);
    }

    PartFile part;
    if (!part.create(apppaths::extractFilePath(place))) return fail(creating);
    if (exists) ::fchmod(part.fd(), dst.st_mode & 07777);

    const std::string readFailed = "Error reading \r" + source + "\rCopy failed.";
    const std::string writeFailed = "Error writing \r" + target + "\rCopy failed.";
    std::vector<char> buffer(BlockSize);
    std::int64_t read = 0;
    std::int64_t written = 0;
    for (;;) {
        ssize_t n;
        do {
            n = ::read(in.get(), buffer.data(), buffer.size());
        } while (n < 0 && errno == EINTR);
        if (n < 0) return fail(readFailed);
        read += n;
        progress(read, written, size);
        if (!part.writeAll(buffer.data(), static_cast<std::size_t>(n))) return fail(writeFailed);
        written += n;
        progress(read, written, size);
        if (n == 0) break;
    }
    if (!part.commit(place)) return fail(writeFailed);
    if (OnProgress) OnProgress(100, 100);
    return true;
}
