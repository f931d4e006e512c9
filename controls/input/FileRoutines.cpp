#include "controls/input/FileRoutines.h"

#include <sys/stat.h>

bool DirExists(const std::string& name)
{
    if (name.empty() || name.find('\0') != std::string::npos) return false;
    struct stat st {};
    return ::stat(name.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ValidFileName(std::string_view name)
{
    static constexpr std::string_view refused("<>\"[]|\0", 7);
    return !name.empty() && name.find_first_of(refused) == std::string_view::npos;
}

std::string ShortToLongPath(const std::string& path) { return path; }
std::string LongToShortPath(const std::string& path) { return path; }
