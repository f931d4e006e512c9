#pragma once
// The runner's variables: names compared trimmed and without case, values kept as text, new
// names appended, none ever removed. Look-ups go through an index of the folded names, so a run
// with many parameters does not compare every name on every read.

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class VariableStore {
public:
    static constexpr char kSeparator = '\xB7';  // the byte between name and value in a line

    // The value of the first entry whose name matches, trimmed; empty when none does.
    std::string GetVariable(std::string_view name) const;
    // Trims the name and drops a leading "LET " (any case); replaces or appends. The value is
    // the script's own: markers in it are substituted in turn.
    void SetVariable(std::string_view name, std::string_view value);
    // The same for a value that came from a server (a folder, a listed name): it is substituted
    // as it stands, never scanned for markers.
    void SetVerbatimVariable(std::string_view name, std::string_view value);
    // True when the name exists and its value is to be taken verbatim.
    bool IsVerbatim(std::string_view name) const;
    bool Has(std::string_view name) const;
    void Clear();

    // The store in its line form: name, byte 183, value.
    std::vector<std::string> Lines() const;
    std::size_t Count() const { return entries_.size(); }

private:
    struct Entry {
        std::string name, value;
        bool verbatim = false;
    };
    void Set(std::string_view name, std::string_view value, bool verbatim);
    const Entry* Find(std::string_view name) const;

    std::vector<Entry> entries_;
    std::unordered_map<std::string, std::size_t> index_;  // upper-cased trimmed name -> entry
};
