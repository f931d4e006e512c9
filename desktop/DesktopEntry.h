#pragma once
// Freedesktop key files (desktop entries, mimeapps.list): "[Group]" headers and "Key=Value"
// lines, keys compared exactly, every line we do not change kept as it was. Values follow the
// Desktop Entry escapes; Exec lines its quoting rules. Bytes are written as they are.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace xdg {

// A string value: "\" as "\\", newline, tab and CR as "\n", "\t", "\r", a blank at either end as
// "\s".
std::string escapeValue(std::string_view text);
// The inverse; an unknown escape stays as it stands.
std::string unescapeValue(std::string_view value);

// Items of a list value ("a;b;"): split at ";" not escaped as "\;", each item unescaped; the
// empty item after the last ";" is not one.
std::vector<std::string> listItems(std::string_view value);
// Items joined, each escaped (";" as "\;"), each followed by ";".
std::string listValue(const std::vector<std::string>& items);

// An Exec command (before escapeValue): each argument quoted when it holds a reserved character
// or is empty, with "\"", "`", "$" and "\" escaped inside the quotes; "%" doubled. A field code
// ("%f", "%F") is appended unquoted when given.
std::string execCommand(const std::vector<std::string>& args, std::string_view fieldCode = {});

struct ExecParts {
    std::vector<std::string> args;     // field codes left out
    std::vector<std::string> fields;   // the field codes met ("%f", ...)
};
// The arguments of an Exec command (after unescapeValue); nothing when a quote is not closed.
std::optional<ExecParts> execArguments(std::string_view command);

class KeyFile {
public:
    KeyFile() = default;
    explicit KeyFile(std::string path) : path_(std::move(path)) {}

    // A missing file reads as empty; false when it exists but cannot be read.
    [[nodiscard]] bool load();
    // Atomic; the folder must exist. False (errno set) when it cannot be written.
    [[nodiscard]] bool save(unsigned mode) const;
    const std::string& path() const { return path_; }

    void parse(std::string_view text);
    std::string text() const;

    bool hasGroup(std::string_view group) const;
    // The value as stored (still escaped).
    std::optional<std::string> value(std::string_view group, std::string_view key) const;
    // The value unescaped; nothing when absent.
    std::optional<std::string> readString(std::string_view group, std::string_view key) const;
    // Sets the stored value (already escaped); a new key goes to the end of its group, a new
    // group to the end of the file.
    void setValue(std::string_view group, std::string_view key, std::string_view value);
    void writeString(std::string_view group, std::string_view key, std::string_view text)
    {
        setValue(group, key, escapeValue(text));
    }

private:
    struct Line {
        enum Kind { Other, Group, Key } kind = Other;
        std::string raw;    // comments and blank lines as read
        std::string name;   // group name or key
        std::string value;  // stored value of a key line
    };
    long findGroup(std::string_view group) const;
    long findKey(std::string_view group, std::string_view key) const;

    std::string path_;
    std::vector<Line> lines_;
};

}  // namespace xdg
