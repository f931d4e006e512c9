#pragma once
// Text rules of the mail client: the lines between DATA and ".", envelope
// addresses, header values and base64. Plain C++, no Qt.

#include <string>
#include <string_view>

namespace smtptext {

// SMTP forbids longer lines (RFC 5321 4.5.3.1.6); the line end comes on top.
inline constexpr std::size_t kMaxLineLength = 998;
// Bytes of a file in one base64 line (60 characters).
inline constexpr std::size_t kBase64LineBytes = 45;

// True when the text holds CR, LF or NUL, which would end or break a protocol line.
bool BreaksLine(std::string_view text);

// A header value from a property: CR, LF and NUL become blanks, so it stays one field.
std::string HeaderValue(std::string_view text);

// A header text as it may stand in a message: unchanged when it is ASCII, else RFC 2047 encoded
// words ("=?UTF-8?B?...?=", or ISO-8859-1 for bytes that are not UTF-8), folded between words.
std::string EncodedWords(std::string_view text);

// One "Name <address>" (or a bare address) for From, To and Cc: a name that is not ASCII becomes
// encoded words, an ASCII name holding specials such as "," is quoted (RFC 5322 3.4).
std::string Mailbox(std::string_view text);

// The charset a body's bytes are in: "utf-8" for valid UTF-8 with 8-bit bytes, else "iso-8859-1".
std::string BodyCharset(std::string_view text);

// True when the text holds a byte above 0x7F (a body that needs "8bit").
bool EightBit(std::string_view text);

// The envelope address of a sender or recipient: the trimmed text, or only the address when the
// text holds "Name <address>".
std::string EnvelopeAddress(std::string_view text);

// A MIME parameter value in double quotes: quotes and backslashes escaped, control bytes made
// '_', so a file name cannot break the part header.
std::string QuotedParameter(std::string_view value);

// Appends a text to the wire as lines ended by CR LF: split at CR, LF and CR LF, wrapped at
// kMaxLineLength and dot-stuffed. In the header (`fold`) a wrapped piece goes on as a folded line
// starting with a blank. An empty text gives one empty line.
void AppendWireLines(std::string& out, std::string_view text, bool fold);

// Standard base64 with '=' padding.
std::string Base64(std::string_view bytes);

}  // namespace smtptext
