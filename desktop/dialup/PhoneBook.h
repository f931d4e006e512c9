#pragma once
// The phone book that stands in for the remote-access service: an ini file, one section per entry
// in file order, with the shell commands Up, Down and Check and the stored UserName and Password.

#include "platform/IniFile.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct PhoneBookEntry {
    std::string name;  // the phone book's spelling
    std::string up, down, check;
    std::string userName, password;
    bool passwordStored = false;
};

class PhoneBook {
public:
    explicit PhoneBook(std::string path);

    // $XDG_CONFIG_HOME/vantrel/phonebook.ini
    static std::string DefaultPath();

    // Reads the file again; a missing file is an empty phone book. False when it cannot be read.
    [[nodiscard]] bool Load();
    const std::string& Path() const { return ini_.path(); }

    // Entry names in file order; a section repeated in another case counts once (the first).
    std::vector<std::string> EntryNames() const;
    // Matched without case, as the ini rules match sections.
    std::optional<PhoneBookEntry> Find(std::string_view name) const;

    // True when the value can be written and read back unchanged (no line breaks or NUL, no
    // blanks at its ends, which the ini rules trim).
    static bool Storable(std::string_view value);
    // Stores the user name, and the password unless removePassword (then a stored one is removed),
    // rewriting the file atomically with mode 0600. The entry must exist and the values be storable.
    [[nodiscard]] bool StoreDialParams(std::string_view entry, std::string_view userName,
                                       std::string_view password, bool removePassword);

private:
    IniFile ini_;
};
