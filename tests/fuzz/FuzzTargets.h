#pragma once
// Every fuzz target: one input in, its properties checked (FuzzCheck.h). Each runs alone under
// libFuzzer (one binary per target) and all together in the replay test.

#include <string_view>

namespace fuzz {

// Byte 0: the listing style (0-17, or 18 and up: the style DetectStyle picks); byte 1: which
// "now" the dates are read against; the rest: the LIST data.
void Listing(std::string_view data);
// Byte 0: the word number; byte 1: which "now"; the rest: one listing line for the word and date
// routines.
void ListingWords(std::string_view data);
// Line 1: the expression; further lines "NAME=number" register and set variables first.
void MathParser(std::string_view data);
// Line 1: the script line; further lines "name=value" (text variable), "#name=number" (numeric
// variable) or "@parameter" (a command-line parameter after the script path).
void Substitution(std::string_view data);
// A script file's bytes: the load pass, the save pass and the "#INCLUDE" expansion.
void ScriptLoad(std::string_view data);
// Byte 0: the field delimiter; byte 1: a field number; the rest up to the first NUL: the text;
// after it: a field value.
void Arguments(std::string_view data);
// Byte 0: the piece size the bytes arrive in; the rest: what a server sends on the control
// connection, read line by line and reply by reply.
void FtpReply(std::string_view data);
// Byte 0: a word number and shortening width; byte 1: a start position; the rest up to the first
// NUL: the text (also read as a command line and a file name); after it: the delimiters.
void InputWords(std::string_view data);
// A desktop entry or mimeapps.list file; every line's value also through the escapes, the list
// split and the Exec quoting.
void DesktopEntry(std::string_view data);
// Any bytes: compressed and expanded again, and read as one block and as a compressed stream.
void Lzb1(std::string_view data);
// A list file of any kind: loaded as each of the four list kinds, and what loads saved and read back.
void ListFile(std::string_view data);
// Byte 0: the piece size the bytes move in; the rest: data of an ASCII-type transfer, read as
// wire text and as a local file.
void LineEnds(std::string_view data);

}  // namespace fuzz
