#pragma once
// Argument splitting and unquoting that every script command uses, and delimited fields.

#include <string>
#include <string_view>
#include <utility>

// First and second argument: each quoted ("...") or up to a blank; further words are dropped.
// Each is trimmed and every "'" becomes a double quote.
std::pair<std::string, std::string> SplitArguments(std::string_view text);
// Trimmed; enclosing double quotes dropped when both are there; "'" becomes a double quote.
std::string UnquoteArgument(std::string_view text);
// Trimmed; a leading and a trailing double quote dropped independently; "'" becomes '"'.
std::string StripArgQuotes(std::string_view text);

// Fields numbered from 1, separated by a one-character delimiter.
int CountDelimitedFields(std::string_view text, char delimiter);
std::string GetDelimitedField(int n, std::string_view text, char delimiter);
std::string SetDelimitedField(int n, std::string_view text, std::string_view value, char delimiter);
