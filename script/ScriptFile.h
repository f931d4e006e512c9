#pragma once
// Script files on disk and the scrambled password field both programs agree on:
// Password="<FF>scrambled<FF>" (and DialLoginPassword=...). The scrambling is a fixed one-to-one
// substitution: each character is replaced by its mirror within its segment of a shared table.

#include <string>
#include <string_view>
#include <vector>

constexpr char kPasswordMarker = '\xFF';

// Characters of no segment stay as they are, except the marker byte and 0xFE, which become two
// bytes (0xFE 0xFD and 0xFE 0xFE) so that no marker stands inside the field: every text survives
// a save and a load.
std::string ScramblePassword(std::string_view text);
std::string UnscramblePassword(std::string_view text);

// Save pass: PASSWORD... and DIALLOGINPASSWORD... lines with an "=" become the stored form.
void ScramblePasswordLines(std::vector<std::string>& lines);
// Load pass: on those lines only, the first pair of markers is replaced by the unscrambled text
// between them.
void UnscramblePasswordLines(std::vector<std::string>& lines);

// A script file's bytes: the lines, each ended by CR LF, with the save pass applied to a copy, after
// a UTF-8 byte-order mark when asked for.
std::string ScriptFileBytes(const std::vector<std::string>& lines, bool byteOrderMark);
// Writes those bytes (no mark) atomically, through a symbolic link and keeping the file's mode: the
// old file stays whole when writing fails. Raises Exception with the system's reason on failure.
void SaveScriptLines(const std::string& path, const std::vector<std::string>& lines);
