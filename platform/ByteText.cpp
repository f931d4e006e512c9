#include "platform/ByteText.h"

#include <charconv>
#include <limits>

namespace bytetext {

std::string toUpper(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = upper(c);
    return r;
}

std::string toLower(std::string_view s)
{
    std::string r(s);
    for (char& c : r) c = lower(c);
    return r;
}

std::string trimLeft(std::string_view s)
{
    std::size_t b = 0;
    while (b < s.size() && isBlank(s[b])) ++b;
    return std::string(s.substr(b));
}

std::string trimRight(std::string_view s)
{
    std::size_t e = s.size();
    while (e > 0 && isBlank(s[e - 1])) --e;
    return std::string(s.substr(0, e));
}

std::string trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (upper(a[i]) != upper(b[i])) return false;
    return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix)
{
    return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

bool endsWithNoCase(std::string_view s, std::string_view suffix)
{
    return s.size() >= suffix.size() && equalsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from)
{
    if (needle.empty()) return from <= haystack.size() ? from : std::string_view::npos;
    if (needle.size() > haystack.size()) return std::string_view::npos;
    const char first = upper(needle[0]);
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        if (upper(haystack[i]) != first) continue;
        if (equalsNoCase(haystack.substr(i, needle.size()), needle)) return i;
    }
    return std::string_view::npos;
}

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    std::size_t start = 0, i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.emplace_back(text.substr(start, i - start));
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = ++i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

std::string joinLinesCrLf(const std::vector<std::string>& lines)
{
    std::size_t n = 0;
    for (const auto& l : lines) n += l.size() + 2;
    std::string out;
    out.reserve(n);
    for (const auto& l : lines) {
        out += l;
        out += "\r\n";
    }
    return out;
}

bool parseInt64(std::string_view s, std::int64_t& out)
{
    const std::string t = trim(s);
    if (t.empty()) return false;
    const char* b = t.data();
    const char* e = t.data() + t.size();
    if (*b == '+') {
        ++b;
        if (b == e || *b == '-') return false;
    }
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(b, e, v);
    if (ec != std::errc() || p != e) return false;
    out = v;
    return true;
}

bool parseInt(std::string_view s, int& out)
{
    std::int64_t v = 0;
    if (!parseInt64(s, v)) return false;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
    out = static_cast<int>(v);
    return true;
}

bool isValidUtf8(std::string_view b)
{
    std::size_t i = 0;
    const std::size_t n = b.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(b[i]);
        std::size_t len = 0;
        unsigned cp = 0;
        if (c < 0x80) { ++i; continue; }
        if (c >= 0xC2 && c <= 0xDF) { len = 1; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { len = 2; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { len = 3; cp = c & 0x07; }
        else return false;
        for (std::size_t k = 1; k <= len; ++k) {
            if (i + k >= n) return false;
            const unsigned char cc = static_cast<unsigned char>(b[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 2 && cp < 0x800) || (len == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len + 1;
    }
    return true;
}

std::string asUtf8(std::string_view bytes)
{
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out += ch;
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace bytetext
