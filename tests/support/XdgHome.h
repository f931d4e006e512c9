#pragma once
// Points HOME and the XDG user folders at a temporary folder for one test and puts the old
// values back afterwards, so no test reads or writes the real home.

#include "tests/support/TempDir.h"

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class XdgHome {
public:
    XdgHome()
    {
        set("HOME", dir_.file("home"));
        set("XDG_DATA_HOME", dir_.file("home/.local/share"));
        set("XDG_CONFIG_HOME", dir_.file("home/.config"));
        set("XDG_STATE_HOME", dir_.file("home/.local/state"));
        set("XDG_CACHE_HOME", dir_.file("home/.cache"));
        std::filesystem::create_directories(dir_.file("home"));
    }
    ~XdgHome()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else ::unsetenv(it->first.c_str());
        }
    }
    XdgHome(const XdgHome&) = delete;
    XdgHome& operator=(const XdgHome&) = delete;

    const TempDir& dir() const { return dir_; }
    std::string home() const { return dir_.file("home"); }
    std::string dataHome() const { return dir_.file("home/.local/share"); }
    std::string configHome() const { return dir_.file("home/.config"); }

    // Sets a variable for the test's duration; no value removes it.
    void set(const std::string& name, const std::optional<std::string>& value)
    {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        if (value) ::setenv(name.c_str(), value->c_str(), 1);
        else ::unsetenv(name.c_str());
    }

private:
    TempDir dir_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
