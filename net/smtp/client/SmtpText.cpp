#include "net/smtp/client/SmtpText.h"

#include "platform/ByteText.h"

#include <algorithm>

namespace smtptext {

bool BreaksLine(std::string_view text)
{
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string HeaderValue(std::string_view text)
{
    std::string s(text);
    for (char& c : s)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    return s;
}

bool EightBit(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > 0x7F) return true;
    return false;
}

std::string BodyCharset(std::string_view text)
{
    return EightBit(text) && bytetext::isValidUtf8(text) ? "utf-8" : "iso-8859-1";
}

std::string EncodedWords(std::string_view text)
{
    if (!EightBit(text)) return std::string(text);
    const bool utf8 = bytetext::isValidUtf8(text);
    const std::string open = utf8 ? "=?UTF-8?B?" : "=?ISO-8859-1?B?";
    // 45 bytes give 60 base64 characters: each word stays within RFC 2047's 75.
    constexpr std::size_t kWordBytes = 45;
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t n = std::min(kWordBytes, text.size() - at);
        // A word holds whole characters (RFC 2047 5): never cut a UTF-8 sequence.
        if (utf8)
            while (at + n < text.size() && n > 1 && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) --n;
        if (!out.empty()) out += "\r\n ";
        out += open + Base64(text.substr(at, n)) + "?=";
        at += n;
    }
    return out;
}

std::string Mailbox(std::string_view text)
{
    const std::string t = bytetext::trim(text);
    const std::size_t open = t.rfind('<');
    if (open == std::string::npos || open == 0) return t;
    std::string name = bytetext::trim(std::string_view(t).substr(0, open));
    const std::string address = t.substr(open);
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"') return t;  // quoted already
    if (EightBit(name)) return EncodedWords(name) + " " + address;
    if (name.find_first_of("()<>[]:;@\\,.\"") != std::string::npos) {
        std::string quoted = "\"";
        for (char c : name) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += c;
        }
        name = quoted + "\"";
    }
    return name + " " + address;
}

std::string EnvelopeAddress(std::string_view text)
{
    const std::string t = bytetext::trim(text);
    const std::size_t open = t.rfind('<');
    if (open == std::string::npos) return t;
    const std::size_t close = t.find('>', open);
    if (close == std::string::npos) return t;
    return bytetext::trim(std::string_view(t).substr(open + 1, close - open - 1));
}

std::string QuotedParameter(std::string_view value)
{
    std::string s = "\"";
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            s += '\\';
            s += c;
        } else if (u < 0x20 || u == 0x7F) {
            s += '_';
        } else {
            s += c;
        }
    }
    return s + "\"";
}

namespace {

void appendWrapped(std::string& out, std::string_view line, bool fold)
{
    bool first = true;
    do {
        const char* lead = (!first && fold) ? " " : "";
        std::size_t room = kMaxLineLength - (*lead ? 1 : 0);
        const bool stuffed = !*lead && !line.empty() && line[0] == '.';
        if (stuffed) --room;
        const std::string_view piece = line.substr(0, room);
        out += lead;
        if (stuffed) out += '.';
        out.append(piece);
        out += "\r\n";
        line.remove_prefix(piece.size());
        first = false;
    } while (!line.empty());
}

}  // namespace

void AppendWireLines(std::string& out, std::string_view text, bool fold)
{
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            // A text ending in a line break has no empty line after it, unless it is empty.
            if (start < text.size() || start == 0) appendWrapped(out, text.substr(start), fold);
            return;
        }
        appendWrapped(out, text.substr(start, end - start), fold);
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        if (start >= text.size()) return;
    }
}

std::string Base64(std::string_view bytes)
{
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string s;
    s.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
        std::uint32_t v = static_cast<unsigned char>(bytes[i]) << 16;
        if (n > 1) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (n > 2) v |= static_cast<unsigned char>(bytes[i + 2]);
        s += kAlphabet[(v >> 18) & 63];
        s += kAlphabet[(v >> 12) & 63];
        s += n > 1 ? kAlphabet[(v >> 6) & 63] : '=';
        s += n > 2 ? kAlphabet[v & 63] : '=';
    }
    return s;
}

}  // namespace smtptext
