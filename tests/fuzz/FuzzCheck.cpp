#include "FuzzCheck.h"

#include "platform/ByteText.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

namespace {
bool throwOnFailure = false;
}

void setThrowOnFailure(bool on) { throwOnFailure = on; }

void fail(const char* file, int line, const char* condition, const std::string& detail)
{
    std::string what = std::string(file) + ":" + std::to_string(line) + ": property broken: " + condition;
    if (!detail.empty()) what += "\n  " + detail;
    if (throwOnFailure) throw PropertyFailure{what};
    std::fprintf(stderr, "%s\n", what.c_str());
    std::abort();
}

std::string shown(std::string_view bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += ch;
        } else {
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return "\"" + out + "\"";
}

bool trimmed(std::string_view s) { return s.empty() || (!bytetext::isBlank(s.front()) && !bytetext::isBlank(s.back())); }

bool validTime(const CivilTime& t)
{
    return datetime::isValidDate(t.year, t.month, t.day) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 &&
           t.minute <= 59 && t.second >= 0 && t.second <= 59;
}

std::string_view head(std::string_view data, std::string_view* rest)
{
    const auto lf = data.find('\n');
    if (rest) *rest = lf == std::string_view::npos ? std::string_view() : data.substr(lf + 1);
    return lf == std::string_view::npos ? data : data.substr(0, lf);
}

}  // namespace fuzz
