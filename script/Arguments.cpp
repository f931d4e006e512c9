#include "script/Arguments.h"

#include "platform/ByteText.h"

#include <vector>

namespace {

std::string singleToDouble(std::string s)
{
    for (char& c : s)
        if (c == '\'') c = '"';
    return s;
}

// One argument from the front of `t` (already trimmed); `rest` receives what follows it.
std::string takeArgument(const std::string& t, std::string& rest)
{
    if (t.empty()) {
        rest.clear();
        return {};
    }
    std::string arg;
    if (t[0] == '"') {
        const auto close = t.find('"', 1);
        if (close == std::string::npos) {
            arg = t.substr(1);
            rest.clear();
        } else {
            arg = t.substr(1, close - 1);
            rest = t.substr(close + 1);
        }
    } else {
        const auto blank = t.find(' ');
        arg = blank == std::string::npos ? t : t.substr(0, blank);
        rest = blank == std::string::npos ? std::string() : t.substr(blank + 1);
    }
    return singleToDouble(bytetext::trim(arg));
}

std::vector<std::string> fields(std::string_view text, char delimiter)
{
    std::vector<std::string> r;
    std::size_t start = 0;
    for (;;) {
        const auto p = text.find(delimiter, start);
        if (p == std::string_view::npos) {
            r.emplace_back(text.substr(start));
            return r;
        }
        r.emplace_back(text.substr(start, p - start));
        start = p + 1;
    }
}

}  // namespace

std::pair<std::string, std::string> SplitArguments(std::string_view text)
{
    std::string rest;
    const std::string first = takeArgument(bytetext::trim(text), rest);
    std::string ignored;
    const std::string second = takeArgument(bytetext::trim(rest), ignored);
    return {first, second};
}

std::string UnquoteArgument(std::string_view text)
{
    std::string t = bytetext::trim(text);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
    return singleToDouble(t);
}

std::string StripArgQuotes(std::string_view text)
{
    std::string t = bytetext::trim(text);
    if (!t.empty() && t.front() == '"') t.erase(0, 1);
    if (!t.empty() && t.back() == '"') t.pop_back();
    return singleToDouble(t);
}

int CountDelimitedFields(std::string_view text, char delimiter)
{
    if (bytetext::trimRight(text).empty()) return 0;
    int n = 1;
    for (char c : text)
        if (c == delimiter) ++n;
    return n;
}

std::string GetDelimitedField(int n, std::string_view text, char delimiter)
{
    if (n <= 0 || n > CountDelimitedFields(text, delimiter)) return {};
    return fields(text, delimiter)[static_cast<std::size_t>(n - 1)];
}

std::string SetDelimitedField(int n, std::string_view text, std::string_view value, char delimiter)
{
    std::vector<std::string> f;
    if (CountDelimitedFields(text, delimiter) > 0) f = fields(text, delimiter);
    if (n <= 0) return std::string(text);
    if (f.size() < static_cast<std::size_t>(n)) f.resize(static_cast<std::size_t>(n));
    f[static_cast<std::size_t>(n - 1)] = std::string(value);
    std::string out;
    for (std::size_t i = 0; i < f.size(); ++i) {
        if (i) out += delimiter;
        out += f[i];
    }
    return out;
}
