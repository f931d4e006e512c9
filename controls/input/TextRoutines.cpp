#include "controls/input/TextRoutines.h"

#include <vector>

namespace {

bool isDelimiter(const TCharSet& delimiters, char c) { return delimiters.test(static_cast<unsigned char>(c)); }

// Start offsets (0-based) of every word.
std::vector<std::size_t> wordStarts(std::string_view text, const TCharSet& delimiters)
{
    std::vector<std::size_t> starts;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool delim = isDelimiter(delimiters, text[i]);
        if (!delim && !inWord) starts.push_back(i);
        inWord = !delim;
    }
    return starts;
}

bool isSeparator(char c) { return static_cast<unsigned char>(c) < 33; }

// One token of a command line from `pos`; false when only separators are left.
bool nextToken(std::string_view line, std::size_t& pos, std::string& token)
{
    for (;;) {
        while (pos < line.size() && isSeparator(line[pos])) ++pos;
        if (line.substr(pos, 2) == "\"\"") pos += 2;
        else break;
    }
    if (pos >= line.size()) return false;
    token.clear();
    while (pos < line.size() && !isSeparator(line[pos])) {
        if (line[pos] == '"') {
            const std::size_t close = line.find('"', pos + 1);
            const std::size_t end = close == std::string_view::npos ? line.size() : close;
            token.append(line.substr(pos + 1, end - pos - 1));
            pos = close == std::string_view::npos ? line.size() : close + 1;
        } else {
            token.push_back(line[pos++]);
        }
    }
    return true;
}

// Byte offsets where each character starts, plus the end: code points for valid UTF-8.
std::vector<std::size_t> characterEnds(std::string_view text)
{
    std::vector<std::size_t> ends;
    std::size_t i = 0;
    bool utf8 = true;
    while (i < text.size() && utf8) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (len == 0 || (len > 1 && c < 0xC2) || i + len > text.size()) utf8 = false;
        for (std::size_t k = 1; utf8 && k < len; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) utf8 = false;
        if (utf8) {
            i += len;
            ends.push_back(i);
        }
    }
    if (!utf8) {
        ends.clear();
        for (std::size_t k = 1; k <= text.size(); ++k) ends.push_back(k);
    }
    return ends;
}

}  // namespace

TCharSet MakeCharSet(std::string_view chars)
{
    TCharSet set;
    for (char c : chars) set.set(static_cast<unsigned char>(c));
    return set;
}

std::string ReplaceStr(std::string_view text, std::string_view search, std::string_view replacement)
{
    if (search.empty()) return std::string(text);
    std::string result;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(search, from)) != std::string_view::npos; from = at + search.size()) {
        result.append(text.substr(from, at - from));
        result.append(replacement);
    }
    result.append(text.substr(from));
    return result;
}

int WordCount(std::string_view text, const TCharSet& delimiters)
{
    return static_cast<int>(wordStarts(text, delimiters).size());
}

int WordPosition(int n, std::string_view text, const TCharSet& delimiters)
{
    if (n < 1) return 0;
    const auto starts = wordStarts(text, delimiters);
    if (static_cast<std::size_t>(n) > starts.size()) return 0;
    return static_cast<int>(starts[static_cast<std::size_t>(n) - 1] + 1);
}

std::string ExtractWord(int n, std::string_view text, const TCharSet& delimiters)
{
    const int position = WordPosition(n, text, delimiters);
    if (position == 0) return {};
    const std::size_t start = static_cast<std::size_t>(position) - 1;
    std::size_t end = start;
    while (end < text.size() && !isDelimiter(delimiters, text[end])) ++end;
    return std::string(text.substr(start, end - start));
}

std::string ExtractSubstr(std::string_view text, int& position, const TCharSet& delimiters)
{
    if (position < 1) position = 1;
    if (static_cast<std::size_t>(position) > text.size()) return {};
    const std::size_t start = static_cast<std::size_t>(position) - 1;
    std::size_t end = start;
    while (end < text.size() && !isDelimiter(delimiters, text[end])) ++end;
    position = static_cast<int>(end < text.size() ? end + 2 : end + 1);
    return std::string(text.substr(start, end - start));
}

void SplitCommandLine(std::string_view commandLine, std::string& program, std::string& parameters)
{
    program.clear();
    parameters.clear();
    std::size_t pos = 0;
    std::string token;
    if (!nextToken(commandLine, pos, token)) return;
    program = token;
    while (nextToken(commandLine, pos, token)) {
        if (token.empty()) continue;  // an open quote at the very end
        if (!parameters.empty()) parameters.push_back(' ');
        bool needsQuotes = false;
        for (char c : token) needsQuotes = needsQuotes || isSeparator(c);
        if (needsQuotes) parameters.append("\"" + token + "\"");
        else parameters.append(token);
    }
}

std::string MinimizeText(std::string_view text, const TextWidthFunction& textWidth, int width)
{
    const auto ends = characterEnds(text);
    const std::size_t length = ends.size();
    std::string result(text);
    for (std::size_t count = 1; textWidth(result) > width && count <= length;) {
        ++count;
        const std::size_t keep = count < length ? length - count : 0;
        result.assign(text.substr(0, keep == 0 ? 0 : ends[keep - 1]));
        result.append("...");
    }
    return result;
}
