#include "runner/LocalFileOps.h"

#include "platform/AppPaths.h"
#include "platform/LocalFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using apppaths::extractFileName;
using apppaths::extractFilePath;

namespace localops {

namespace {

Outcome failed(std::string reason) { return {false, std::move(reason)}; }
Outcome failedErrno(const std::string& path, int err) { return failed("\"" + path + "\": " + std::strerror(err)); }

bool statOf(const std::string& path, struct stat& st) { return ::stat(path.c_str(), &st) == 0; }
bool exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}
bool isFolder(const std::string& path)
{
    struct stat st {};
    return statOf(path, st) && S_ISDIR(st.st_mode);
}

// Puts `tmp` in place as `target` unless `target` exists; `tmp` is gone either way.
Outcome placeWithoutReplacing(const std::string& tmp, const std::string& target)
{
    if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return {};
    int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        // A file system without the flag: a hard link fails on an existing name just as well.
        if (::link(tmp.c_str(), target.c_str()) == 0) {
            ::unlink(tmp.c_str());
            return {};
        }
        err = errno;
    }
    ::unlink(tmp.c_str());
    return failedErrno(target, err);
}

// Copies the bytes, mode and times of `from` to a new temporary file in `folder`.
Outcome copyToTemporary(const std::string& from, const std::string& folder, std::string& tmp)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return failedErrno(from, errno);
    struct stat st {};
    ::fstat(in, &st);
    tmp = apppaths::includeTrailingSlash(folder) + ".copying-XXXXXX";
    const int out = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (out < 0) {
        const int err = errno;
        ::close(in);
        return failedErrno(folder, err);
    }
    Outcome result;
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            result = failedErrno(from, errno);
            break;
        }
        if (n == 0) break;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out, buffer.data() + done, static_cast<std::size_t>(n - done));
            if (w < 0 && errno == EINTR) continue;
            if (w < 0) {
                result = failedErrno(tmp, errno);
                break;
            }
            done += w;
        }
        if (!result.ok) break;
    }
    if (result.ok) {
        ::fchmod(out, st.st_mode & 07777);
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    if (::close(out) != 0 && result.ok) result = failedErrno(tmp, errno);
    ::close(in);
    if (!result.ok) ::unlink(tmp.c_str());
    return result;
}

// "Copy of a.txt", then "Copy (2) of a.txt" and so on: the first name not taken.
std::string freeCopyName(const std::string& target)
{
    const std::string folder = extractFilePath(target);
    const std::string name = extractFileName(target);
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate =
            folder + (n == 1 ? "Copy of " : "Copy (" + std::to_string(n) + ") of ") + name;
        if (!exists(candidate)) return candidate;
    }
    return {};
}

Outcome copyOneFile(const std::string& from, std::string target, bool renameOnCollision)
{
    struct stat src {};
    if (!statOf(from, src)) return failedErrno(from, errno);
    if (S_ISDIR(src.st_mode)) return failed("\"" + from + "\" is a folder");
    if (!S_ISREG(src.st_mode)) return failed("\"" + from + "\" is not a regular file");
    struct stat dst {};
    const bool collision = statOf(target, dst);
    if (collision && S_ISDIR(dst.st_mode)) return failed("\"" + target + "\" is a folder");
    if (collision && renameOnCollision) {
        target = freeCopyName(target);
        if (target.empty()) return failed("no free name for a copy of \"" + from + "\"");
    } else if (collision && dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
        return failed("\"" + from + "\" cannot be copied onto itself");
    }
    std::string tmp;
    const Outcome copied = copyToTemporary(from, extractFilePath(target), tmp);
    if (!copied.ok) return copied;
    if (collision && !renameOnCollision) {
        // Replacing: the old target stays whole until the new one takes its name.
        if (::rename(tmp.c_str(), target.c_str()) == 0) return {};
        const int err = errno;
        ::unlink(tmp.c_str());
        return failedErrno(target, err);
    }
    return placeWithoutReplacing(tmp, target);
}

std::string applyPattern(std::string_view pattern, std::string_view part)
{
    std::string out;
    std::size_t at = 0;
    for (char c : pattern) {
        if (c == '*') {
            if (at < part.size()) out.append(part.substr(at));
            at = part.size();
        } else if (c == '?') {
            if (at < part.size()) out += part[at];
            ++at;
        } else {
            out += c;
            ++at;
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> MatchingFiles(const std::string& pathWithMask)
{
    std::vector<std::string> out;
    const bool masked = localfiles::hasMask(extractFileName(pathWithMask));
    const std::string folder = extractFilePath(pathWithMask);
    for (const std::string& name : localfiles::findMatches(pathWithMask)) {
        if (masked && name[0] == '.') continue;
        const std::string path = folder + name;
        if (!isFolder(path)) out.push_back(path);
    }
    return out;
}

bool DeleteLocalFile(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    if (S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) return false;
    return ::unlink(path.c_str()) == 0;
}

Outcome CopyFiles(const std::string& from, const std::string& to, bool renameOnCollision)
{
    if (extractFileName(from).empty()) return failed("no source file given");
    if (to.empty()) return failed("no target given");
    const bool masked = localfiles::hasMask(extractFileName(from));
    std::vector<std::string> sources;
    if (masked) {
        sources = MatchingFiles(from);
        if (sources.empty()) return failed("no file matches \"" + from + "\"");
    } else {
        if (!exists(from)) return failedErrno(from, ENOENT);
        sources.push_back(from);
    }
    const bool intoFolder = masked || to.back() == '/' || isFolder(to);
    const std::string folder = intoFolder ? apppaths::includeTrailingSlash(to) : extractFilePath(to);
    if (!folder.empty() && !apppaths::makeDirectories(folder)) return failed("cannot make the folder \"" + folder + "\"");
    Outcome result;
    for (const std::string& source : sources) {
        const std::string target = intoFolder ? folder + extractFileName(source) : to;
        const Outcome one = copyOneFile(source, target, renameOnCollision);
        if (!one.ok && result.ok) result = one;
    }
    return result;
}

Outcome RenameMasked(const std::string& from, const std::string& to)
{
    const std::string pattern = extractFileName(to);
    if (pattern.empty()) return failed("no new name given");
    const std::vector<std::string> sources = MatchingFiles(from);
    if (sources.empty()) return failed("no file matches \"" + from + "\"");
    Outcome result;
    for (const std::string& source : sources) {
        const std::string target = extractFilePath(to) + MaskedName(pattern, extractFileName(source));
        if (target == source) continue;
        const Outcome one = MoveEntry(source, target);
        if (!one.ok && result.ok) result = one;
    }
    return result;
}

Outcome MoveEntry(const std::string& from, const std::string& to)
{
    struct stat st {};
    if (from.empty() || ::lstat(from.c_str(), &st) != 0) return failedErrno(from, ENOENT);
    if (to.empty()) return failed("no new name given");
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return {};
    const int err = errno;
    if (err == EINVAL || err == ENOSYS) {
        if (exists(to)) return failedErrno(to, EEXIST);
        if (::rename(from.c_str(), to.c_str()) == 0) return {};
        return failedErrno(to, errno);
    }
    if (err != EXDEV) return failedErrno(err == EEXIST ? to : from, err);
    if (!S_ISREG(st.st_mode)) return failed("\"" + from + "\" cannot be moved to another file system");
    std::string tmp;
    const Outcome copied = copyToTemporary(from, extractFilePath(to), tmp);
    if (!copied.ok) return copied;
    const Outcome placed = placeWithoutReplacing(tmp, to);
    if (!placed.ok) return placed;
    if (::unlink(from.c_str()) != 0) {
        // Two files where one was asked for: take the copy back.
        const int unlinkErr = errno;
        ::unlink(to.c_str());
        return failedErrno(from, unlinkErr);
    }
    return {};
}

std::string MaskedName(std::string_view pattern, std::string_view name)
{
    const std::size_t patternDot = pattern.rfind('.');
    if (patternDot == std::string_view::npos) return applyPattern(pattern, name);
    const std::size_t nameDot = name.rfind('.');
    const std::string_view base = nameDot == std::string_view::npos ? name : name.substr(0, nameDot);
    const std::string_view ext = nameDot == std::string_view::npos ? std::string_view() : name.substr(nameDot + 1);
    const std::string newExt = applyPattern(pattern.substr(patternDot + 1), ext);
    std::string out = applyPattern(pattern.substr(0, patternDot), base);
    if (!newExt.empty()) out += "." + newExt;
    return out;
}

}  // namespace localops
