#include "desktop/StringRoutines.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"
#include "platform/KeyStore.h"

#include <cstdlib>
#include <fstream>

using bytetext::equalsNoCase;

std::string RemoveBlanks(std::string_view text)
{
    std::string r;
    r.reserve(text.size());
    for (char c : text)
        if (c != ' ') r += c;
    return r;
}

std::string StripQuotes(std::string_view text)
{
    std::string r = bytetext::trim(text);
    if (!r.empty() && r.front() == '"') r.erase(0, 1);
    if (!r.empty() && r.back() == '"') r.pop_back();
    return r;
}

std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement)
{
    std::string r(text);
    if (search.empty()) return r;
    const bool restart = replacement.size() < search.size();
    std::size_t from = 0;
    for (;;) {
        const std::size_t p = bytetext::findNoCase(r, search, restart ? 0 : from);
        if (p == std::string::npos) return r;
        r.replace(p, search.size(), replacement);
        from = p + replacement.size();
    }
}

namespace {

std::string env(const char* name, const std::string& fallback)
{
    const char* v = std::getenv(name);
    return (v && *v) ? std::string(v) : fallback;
}

// A folder from $XDG_CONFIG_HOME/user-dirs.dirs (XDG_DESKTOP_DIR="$HOME/Desktop"), else the default.
std::string xdgUserDir(const std::string& key, const std::string& fallbackName)
{
    const std::string home = env("HOME", "/tmp");
    std::ifstream in(apppaths::xdgConfigHome() + "/user-dirs.dirs");
    std::string line;
    while (std::getline(in, line)) {
        line = bytetext::trim(line);
        if (line.rfind(key + "=", 0) != 0) continue;
        std::string v = StripQuotes(line.substr(key.size() + 1));
        if (v.rfind("$HOME", 0) == 0) v = home + v.substr(5);
        if (!v.empty()) return v;
    }
    return home + "/" + fallbackName;
}

}  // namespace

std::string GetShellFolder(std::string_view name)
{
    if (auto v = keystore::readValue(
            "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name))
        return *v;
    const std::string data = apppaths::xdgDataHome();
    const std::string config = apppaths::xdgConfigHome();
    if (equalsNoCase(name, "Desktop")) return xdgUserDir("XDG_DESKTOP_DIR", "Desktop");
    if (equalsNoCase(name, "Personal")) return xdgUserDir("XDG_DOCUMENTS_DIR", "Documents");
    if (equalsNoCase(name, "Templates")) return xdgUserDir("XDG_TEMPLATES_DIR", "Templates");
    if (equalsNoCase(name, "Programs") || equalsNoCase(name, "Start Menu") || equalsNoCase(name, "SendTo"))
        return data + "/applications";
    if (equalsNoCase(name, "Startup")) return config + "/autostart";
    if (equalsNoCase(name, "Fonts")) return data + "/fonts";
    return {};
}
