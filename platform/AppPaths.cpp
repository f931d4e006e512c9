#include "platform/AppPaths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace apppaths {

namespace {

std::string& programFolderOverride()
{
    static std::string folder;
    return folder;
}

std::string envOr(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

std::string homeFolder() { return envOr("HOME", "/tmp"); }

}  // namespace

std::string programFolder()
{
    if (!programFolderOverride().empty()) return programFolderOverride();
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return currentDirectory();
    return excludeTrailingSlash(extractFilePath(std::string(buf, static_cast<std::size_t>(n))));
}

void setProgramFolderForTesting(const std::string& folder)
{
    programFolderOverride() = excludeTrailingSlash(folder);
}

bool programFolderHoldsData()
{
    // An installed folder says so by a file of its own: root may write anywhere, and its files
    // still belong in its own home, not among the installed programs.
    const std::string prog = programFolder();
    return isWritableDirectory(prog) && !fileExists(prog + "/" + InstalledMarker);
}

std::string dataFolder()
{
    const std::string prog = programFolder();
    if (programFolderHoldsData()) return prog;
    const std::string d = xdgDataHome() + "/vantrel";
    makeDirectories(d);
    return d;
}

std::string xdgDataHome() { return envOr("XDG_DATA_HOME", homeFolder() + "/.local/share"); }
std::string xdgConfigHome() { return envOr("XDG_CONFIG_HOME", homeFolder() + "/.config"); }

std::string configFolder() { return xdgConfigHome() + "/vantrel"; }

std::string stateFolder(std::string_view program)
{
    return envOr("XDG_STATE_HOME", homeFolder() + "/.local/state") + "/" + std::string(program);
}

std::string historyPathFor(std::string_view scriptPath)
{
    return changeFileExt(scriptPath, ".History.txt");
}

std::string extractFileName(std::string_view path)
{
    const auto p = path.rfind('/');
    return std::string(p == std::string_view::npos ? path : path.substr(p + 1));
}

std::string extractFilePath(std::string_view path)
{
    const auto p = path.rfind('/');
    return p == std::string_view::npos ? std::string() : std::string(path.substr(0, p + 1));
}

std::string extractFileExt(std::string_view path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    return std::string(path.substr(dot));
}

std::string changeFileExt(std::string_view path, std::string_view ext)
{
    const std::string old = extractFileExt(path);
    return std::string(path.substr(0, path.size() - old.size())) + std::string(ext);
}

std::string includeTrailingSlash(std::string_view path)
{
    std::string r(path);
    if (r.empty() || r.back() != '/') r += '/';
    return r;
}

std::string excludeTrailingSlash(std::string_view path)
{
    std::string r(path);
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    return r;
}

bool fileExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool directoryExists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isWritableDirectory(const std::string& path)
{
    return directoryExists(path) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string currentDirectory()
{
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf)) return buf;
    return ".";
}

bool makeDirectories(const std::string& path)
{
    if (path.empty()) return false;
    if (directoryExists(path)) return true;
    std::string partial;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty() || directoryExists(partial)) continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return false;
    }
    return directoryExists(path);
}

}  // namespace apppaths
