#include "script/ScriptFile.h"

#include "desktop/StringRoutines.h"
#include "platform/ByteText.h"
#include "platform/Errors.h"
#include "platform/LocalFiles.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace {

// Each printable ASCII character occurs once over the three segments.
const std::string_view kSegments[3] = {
    "pjKbcV?12&G%tz^/D+!doJyl(nMY=s.",
    "L~a]rT8_3\"i4`\\@CUHh';m){->x6g[w$",
    "PR:I |*NfX#BAq}veu7ZSQW<FE,5O09k",
};

char mirror(char c)
{
    for (const auto& seg : kSegments) {
        const auto p = seg.find(c);
        if (p != std::string_view::npos) return seg[seg.size() - 1 - p];
    }
    return c;
}

// The marker cannot stand inside the field it ends, so it is written as two bytes, led by an
// escape byte that is written doubled itself.
constexpr char kEscape = '\xFE';
constexpr char kEscapedMarker = '\xFD';

// Only these lines carry the field; a marker byte elsewhere (a Latin-1 "\xFF") is text.
bool isPasswordLine(const std::string& trimmed)
{
    return trimmed.find('=') != std::string::npos &&
           (bytetext::startsWithNoCase(trimmed, "PASSWORD") || bytetext::startsWithNoCase(trimmed, "DIALLOGINPASSWORD"));
}

std::string storedValue(const std::string& s)
{
    const auto eq = s.find('=');
    return ScramblePassword(StripQuotes(s.substr(eq + 1)));
}

}  // namespace

std::string ScramblePassword(std::string_view text)
{
    std::string r;
    r.reserve(text.size());
    for (char c : text) {
        if (c == kPasswordMarker) r.append({kEscape, kEscapedMarker});
        else if (c == kEscape) r.append({kEscape, kEscape});
        else r += mirror(c);
    }
    return r;
}

std::string UnscramblePassword(std::string_view text)
{
    std::string r;
    r.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : 0;
        if (text[i] == kEscape && (next == kEscape || next == kEscapedMarker)) {
            r += next == kEscape ? kEscape : kPasswordMarker;
            ++i;
        } else {
            r += mirror(text[i]);  // a lone escape byte (a hand-edited file) stays as it is
        }
    }
    return r;
}

void ScramblePasswordLines(std::vector<std::string>& lines)
{
    const std::string marker(1, kPasswordMarker);
    for (auto& line : lines) {
        const std::string s = bytetext::trim(line);
        if (!isPasswordLine(s)) continue;
        if (bytetext::startsWithNoCase(s, "PASSWORD"))
            line = "Password=\"" + marker + storedValue(s) + marker + "\"";
        else if (bytetext::startsWithNoCase(s, "DIALLOGINPASSWORD"))
            line = "DialLoginPassword=\"" + marker + storedValue(s) + marker + "\"";
    }
}

void UnscramblePasswordLines(std::vector<std::string>& lines)
{
    for (auto& line : lines) {
        if (!isPasswordLine(bytetext::trim(line))) continue;
        const auto p1 = line.find(kPasswordMarker);
        if (p1 == std::string::npos) continue;
        const auto p2 = line.find(kPasswordMarker, p1 + 1);
        if (p2 == std::string::npos) continue;
        line = line.substr(0, p1) + UnscramblePassword(std::string_view(line).substr(p1 + 1, p2 - p1 - 1)) +
               line.substr(p2 + 1);
    }
}

std::string ScriptFileBytes(const std::vector<std::string>& lines, bool byteOrderMark)
{
    std::vector<std::string> copy = lines;
    ScramblePasswordLines(copy);
    return (byteOrderMark ? std::string("\xEF\xBB\xBF") : std::string()) + bytetext::joinLinesCrLf(copy);
}

void SaveScriptLines(const std::string& path, const std::vector<std::string>& lines)
{
    struct stat st {};
    const unsigned mode = ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0644;
    if (!localfiles::writeFileAtomically(path, ScriptFileBytes(lines, false), mode))
        throw Exception("Cannot write file \"" + path + "\". " + std::strerror(errno));
}
