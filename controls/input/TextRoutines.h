#pragma once
// Word, replace and command-line routines of the input controls: plain byte text, no Qt.
// Positions are 1-based, as the controls count characters.

#include <bitset>
#include <functional>
#include <string>
#include <string_view>

// A word-delimiter set: one bit per byte value.
using TCharSet = std::bitset<256>;
TCharSet MakeCharSet(std::string_view chars);

// Every occurrence of `search` (case-sensitive) replaced, the scan resuming after each
// replacement. An empty search text returns the text unchanged.
std::string ReplaceStr(std::string_view text, std::string_view search, std::string_view replacement);

// Runs of delimiters separate words; leading and trailing delimiters are ignored.
int WordCount(std::string_view text, const TCharSet& delimiters);
// Position of the n-th word (n from 1); 0 when there is none, also for n below 1.
int WordPosition(int n, std::string_view text, const TCharSet& delimiters);
// The n-th word; empty when there is none.
std::string ExtractWord(int n, std::string_view text, const TCharSet& delimiters);
// The characters from `position` up to the next delimiter; `position` then moves past that one
// delimiter. A position below 1 reads from the start; one past the end gives an empty text and
// stays where it is.
std::string ExtractSubstr(std::string_view text, int& position, const TCharSet& delimiters);

// Program and parameters of a command line. Tokens are separated by bytes below 33; a leading ""
// is skipped; text between double quotes (blanks included) is taken without them, and a quote
// left open takes the rest of the line. The parameters are the other tokens joined with single
// blanks, a token holding a blank or control byte wrapped in double quotes.
void SplitCommandLine(std::string_view commandLine, std::string& program, std::string& parameters);

// Text width in pixels, as the canvas measures it.
using TextWidthFunction = std::function<int(std::string_view text)>;

// Shortens the text until it fits `width`: with a count starting at 1, while the result is wider
// and the count is not above the length, the count rises by 1 and the result becomes the first
// (length - count) characters followed by "...". Characters are code points when the text is
// valid UTF-8 (so no sequence is cut in half), else bytes.
std::string MinimizeText(std::string_view text, const TextWidthFunction& textWidth, int width);
