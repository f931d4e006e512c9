#pragma once
// String and path routines both programs share.

#include <string>
#include <string_view>

// Every blank (code 32) deleted; tabs stay.
std::string RemoveBlanks(std::string_view text);
// Trimmed, then at most one double quote removed from each end.
std::string StripQuotes(std::string_view text);
// Every occurrence of `search`, ASCII case-insensitive, replaced. While the replacement is shorter
// than the search text each round searches from the start again (so "AAAA", "AA" -> "A" gives
// "A"); otherwise the search resumes after the inserted text, so a replacement that contains the
// search text cannot loop. An empty search text returns the text unchanged.
std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement);

// A folder of the user's shell: the key store's "Shell Folders" value when present, else the
// XDG folder that stands for it; empty for names without one.
std::string GetShellFolder(std::string_view name);
