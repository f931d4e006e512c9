#pragma once
// Byte-text helpers: script lines, names and protocol lines are raw bytes, never decoded.
// Case folding is ASCII-only; "blank" means any byte <= 0x20, compared as unsigned char.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace bytetext {

inline bool isBlank(char c) { return static_cast<unsigned char>(c) <= 0x20; }
inline char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }
inline char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

std::string toUpper(std::string_view s);
std::string toLower(std::string_view s);

// The framework's Trim, TrimLeft and TrimRight: bytes <= 0x20 at the ends.
std::string trim(std::string_view s);
std::string trimLeft(std::string_view s);
std::string trimRight(std::string_view s);

bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
bool endsWithNoCase(std::string_view s, std::string_view suffix);

// Position of needle in haystack at or after `from`, ASCII case-insensitive; npos when absent.
std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// Lines ended by CR LF, LF or CR. A final line without an end still counts; a text that ends
// with a line end has no empty line after it (as a text file is read line by line).
std::vector<std::string> splitLines(std::string_view text);

// Lines joined with CR LF after every line, the last one too.
std::string joinLinesCrLf(const std::vector<std::string>& lines);

// Strict decimal integer (optional sign, digits, surrounding blanks allowed); false on anything else
// or on overflow. The framework's StrToInt accepts "$" hex too; scripts never rely on it.
bool parseInt64(std::string_view s, std::int64_t& out);
bool parseInt(std::string_view s, int& out);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view bytes);
// The text as UTF-8: itself when it is valid UTF-8, else read as Latin-1.
std::string asUtf8(std::string_view bytes);

}  // namespace bytetext
