#include "platform/LocalFiles.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace localfiles {

bool hasMask(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

bool matchesMask(std::string_view mask, std::string_view name)
{
    if (mask == "*.*" || mask == "*") return true;
    // Iterative wildcard match with one backtrack point.
    std::size_t m = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || bytetext::upper(mask[m]) == bytetext::upper(name[n]))) {
            ++m;
            ++n;
        } else if (m < mask.size() && mask[m] == '*') {
            star = m++;
            mark = n;
        } else if (star != std::string_view::npos) {
            m = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

std::vector<std::string> findMatches(const std::string& pathWithMask)
{
    std::vector<std::string> out;
    const std::string name = apppaths::extractFileName(pathWithMask);
    if (!hasMask(name)) {
        struct stat st {};
        if (name != "." && name != ".." && !name.empty() && ::lstat(pathWithMask.c_str(), &st) == 0) out.push_back(name);
        return out;
    }
    std::string folder = apppaths::extractFilePath(pathWithMask);
    if (folder.empty()) folder = ".";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return out;
    while (const dirent* e = ::readdir(d)) {
        const std::string entry = e->d_name;
        if (entry == "." || entry == "..") continue;
        if (matchesMask(name, entry)) out.push_back(entry);
    }
    ::closedir(d);
    return out;
}

std::int64_t fileSize(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

FdHandle openRegularFile(const std::string& path, int flags, bool& notRegular)
{
    notRegular = false;
    struct stat st {};
    const auto refuse = [&] {
        notRegular = true;
        errno = EINVAL;
        return FdHandle();
    };
    // Looked at first, so nothing is truncated or opened that is not a file.
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) return refuse();
    // Non-blocking in case the name was replaced by a FIFO meanwhile; checked again once open.
    FdHandle fd(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644));
    if (!fd) return fd;
    if (::fstat(fd.get(), &st) != 0) return FdHandle();
    if (!S_ISREG(st.st_mode)) return refuse();
    ::fcntl(fd.get(), F_SETFL, ::fcntl(fd.get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string linkTarget(const std::string& link)
{
    char resolved[PATH_MAX];
    if (::realpath(link.c_str(), resolved)) return resolved;
    // A link to a file not made yet: the file it names, one step, relative to the link's folder.
    char target[PATH_MAX];
    const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) return link;
    const std::string named(target, static_cast<std::size_t>(n));
    return named[0] == '/' ? named : apppaths::extractFilePath(link) + named;
}

bool writeFileAtomically(const std::string& name, std::string_view bytes, unsigned mode, bool throughLink)
{
    // Through a symbolic link (a dot-file kept elsewhere) to the file it names: the link stays.
    std::string path = name;
    struct stat st {};
    if (throughLink && ::lstat(name.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) path = linkTarget(name);
    std::string tmp = path + ".tmp-XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, static_cast<mode_t>(mode)) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        const int err = errno;
        ::unlink(tmp.c_str());
        errno = err;
    }
    return ok;
}

}  // namespace localfiles
