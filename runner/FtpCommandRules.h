#pragma once
// Plain rules of the FTP commands, kept apart from the engine so they can be tested by tables.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>

struct CivilTime;

namespace ftpcommands {

// The listed path of a masked listing's entry: a bare name is taken in the mask's folder, so
// "LIST /pub/*.txt" answered with "a.txt" names /pub/a.txt, not a.txt in the current folder.
std::string ListedPath(std::string_view mask, std::string_view listedName);

// Whether a listed name matches the last part of a remote mask (`wildcard` and "?", no case).
bool MatchesRemoteMask(std::string_view mask, std::string_view listedName, char wildcard);

// The extension of a name part: from its last "." on; empty without one.
std::string Extension(std::string_view namePart);
// The first number n >= 1 whose "." + n no extension in `used` equals; nullopt past 99999999.
std::optional<std::int64_t> FirstFreeNumber(const std::set<std::string>& usedExtensions);

// A wall-clock time as seconds since 1970-01-01 00:00 of the same clock.
std::int64_t CivilSeconds(const CivilTime& t);

// A reply code text of an error message ("550 ..."): its first three characters.
std::string ReplyCodeOf(std::string_view message);
// A negative listing reply that only says the name is not there (450 or 550).
bool MeansAbsent(std::string_view message);

}  // namespace ftpcommands
