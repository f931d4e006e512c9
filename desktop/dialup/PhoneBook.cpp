#include "desktop/dialup/PhoneBook.h"

#include "platform/AppPaths.h"
#include "platform/ByteText.h"

#include <sys/stat.h>

using bytetext::equalsNoCase;

PhoneBook::PhoneBook(std::string path) : ini_(std::move(path)) {}

std::string PhoneBook::DefaultPath() { return apppaths::configFolder() + "/phonebook.ini"; }

bool PhoneBook::Load() { return ini_.load(); }

std::vector<std::string> PhoneBook::EntryNames() const
{
    std::vector<std::string> names;
    for (const std::string& s : ini_.sections()) {
        if (s.empty()) continue;
        bool seen = false;
        for (const std::string& n : names) seen = seen || equalsNoCase(n, s);
        if (!seen) names.push_back(s);
    }
    return names;
}

std::optional<PhoneBookEntry> PhoneBook::Find(std::string_view name) const
{
    for (const std::string& n : EntryNames()) {
        if (!equalsNoCase(n, name)) continue;
        PhoneBookEntry e;
        e.name = n;
        e.up = ini_.readString(n, "Up");
        e.down = ini_.readString(n, "Down");
        e.check = ini_.readString(n, "Check");
        e.userName = ini_.readString(n, "UserName");
        e.password = ini_.readString(n, "Password");
        e.passwordStored = !e.password.empty();
        return e;
    }
    return std::nullopt;
}

bool PhoneBook::Storable(std::string_view value)
{
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos) return false;
    return value.empty() || (!bytetext::isBlank(value.front()) && !bytetext::isBlank(value.back()));
}

bool PhoneBook::StoreDialParams(std::string_view entry, std::string_view userName,
                                std::string_view password, bool removePassword)
{
    if (!Load()) return false;
    const std::optional<PhoneBookEntry> e = Find(entry);
    if (!e || !Storable(userName) || (!removePassword && !Storable(password))) return false;
    ini_.writeString(e->name, "UserName", userName);
    if (removePassword) ini_.deleteKey(e->name, "Password");
    else ini_.writeString(e->name, "Password", password);
    if (!ini_.save()) return false;
    // A temporary file left by a crashed save would keep its own mode through the rename.
    return ::chmod(ini_.path().c_str(), 0600) == 0;
}
