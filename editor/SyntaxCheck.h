#pragma once
// The editor's syntax check: every line must begin with a command word the runner performs (the
// runner's own word table), a comment or a label, and a DIALENTRY= line must name an
// entry of the phone book. Arguments are not validated. Plain code over the script's lines.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SyntaxError {
    std::size_t line = 0;  // 0-based index of the first bad line
    std::string message;   // empty when the line begins with no known word
};

// The first bad line of the script, or nothing when every line passes.
std::optional<SyntaxError> SyntaxCheck(const std::vector<std::string>& lines,
                                       const std::vector<std::string>& dialEntries);

// Index of the first entry spelled exactly `name` (case counts), or -1.
int FindDialEntry(const std::vector<std::string>& dialEntries, std::string_view name);

// The text of the information box after a check; `line` is the bad line as it stands.
std::string SyntaxCheckReport(const std::optional<SyntaxError>& error, std::string_view line);
