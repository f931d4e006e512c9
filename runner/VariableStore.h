#pragma once
// The runner's variables: names compared trimmed and without case, values kept as text, new
// names appended, none ever removed.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class VariableStore {
public:
    static constexpr char kSeparator = '\xB7';  // the byte between name and value in a line

    // The value of the first entry whose name matches, trimmed; empty when none does.
    std::string GetVariable(std::string_view name) const;
    // Trims the name and drops a leading "LET " (any case); replaces or appends.
    void SetVariable(std::string_view name, std::string_view value);
    bool Has(std::string_view name) const;
    void Clear() { entries_.clear(); }

    // The store in its line form: name, byte 183, value.
    std::vector<std::string> Lines() const;
    std::size_t Count() const { return entries_.size(); }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};
