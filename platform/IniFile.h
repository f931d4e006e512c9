#pragma once
// Ini files with Windows rules: sections and keys compared without case, lines we do not touch
// kept as they were, and an atomic save (write a temporary file, then rename it over the old).

#include <string>
#include <string_view>
#include <vector>

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(std::string path);

    // Reads the file; a missing file is an empty ini. False only when it exists but cannot be read.
    bool load();
    // Writes atomically; false when the folder or file cannot be written.
    [[nodiscard]] bool save() const;
    const std::string& path() const { return path_; }

    void parse(std::string_view text);
    std::string text() const;

    std::string readString(std::string_view section, std::string_view key, std::string_view def = {}) const;
    int readInteger(std::string_view section, std::string_view key, int def) const;
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    bool hasValue(std::string_view section, std::string_view key) const;
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    void deleteKey(std::string_view section, std::string_view key);
    void eraseSection(std::string_view section);
    // A section without keys, at the end, unless there is one of that name.
    void addSection(std::string_view section);

    std::vector<std::string> sections() const;                       // in file order
    std::vector<std::string> keys(std::string_view section) const;   // in file order
    bool sectionExists(std::string_view section) const;

private:
    struct Line {
        std::string raw;       // the line as read (kept for comments and blank lines)
        std::string section;   // for section headers: the name
        std::string key;       // for key lines
        std::string value;
        enum Kind { Other, Section, Key } kind = Other;
    };
    // Index of the section header, or -1.
    long findSection(std::string_view section) const;
    long findKey(std::string_view section, std::string_view key) const;

    std::string path_;
    std::vector<Line> lines_;
};
