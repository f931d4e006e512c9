// The argument splitters and the delimited-field routines every script command uses.

#include "FuzzCheck.h"
#include "FuzzTargets.h"
#include "platform/ByteText.h"
#include "script/Arguments.h"

#include <algorithm>

namespace {

std::string doubled(std::string_view s)
{
    std::string r(s);
    std::replace(r.begin(), r.end(), '\'', '"');
    return r;
}

void checkArguments(std::string_view text)
{
    // Every result is a piece of the text with "'" read as a double quote.
    const std::string all = doubled(text);
    const auto [first, second] = SplitArguments(text);
    for (const std::string* a : {&first, &second}) {
        FUZZ_CHECK(a->find('\'') == std::string::npos && fuzz::trimmed(*a), "argument " + fuzz::shown(*a));
        FUZZ_CHECK(all.find(*a) != std::string::npos, "argument not in the text: " + fuzz::shown(*a));
    }
    const std::string t = bytetext::trim(text);
    if (t.empty()) FUZZ_CHECK(first.empty() && second.empty(), "arguments of a blank text");
    if (!t.empty() && t[0] != '"') {
        FUZZ_CHECK(first.find(' ') == std::string::npos, "an unquoted first argument with a blank");
        FUZZ_CHECK(first == doubled(bytetext::trim(t.substr(0, t.find(' ')))), "first argument " + fuzz::shown(first));
    }
    if (!t.empty() && t[0] == '"' && t.find('"', 1) == std::string::npos)
        FUZZ_CHECK(second.empty(), "a second argument after an unclosed quote");

    for (const std::string& u : {UnquoteArgument(text), StripArgQuotes(text)}) {
        FUZZ_CHECK(u.find('\'') == std::string::npos, "unquoted " + fuzz::shown(u));
        FUZZ_CHECK(u.size() <= t.size() && all.find(u) != std::string::npos, "unquoted " + fuzz::shown(u));
    }
}

void checkFields(std::string_view text, char d, int n, std::string_view value)
{
    const int count = CountDelimitedFields(text, d);
    FUZZ_CHECK((count == 0) == bytetext::trimRight(text).empty(), "count " + std::to_string(count));
    FUZZ_CHECK(GetDelimitedField(0, text, d).empty() && GetDelimitedField(count + 1, text, d).empty(),
               "a field outside the count");
    // Each field read costs a split of the whole text: many-field texts are checked by count only.
    constexpr int kManyFields = 40;
    if (count > 0) {
        FUZZ_CHECK(count == 1 + std::count(text.begin(), text.end(), d), "count " + std::to_string(count));
    }
    if (count > 0 && count <= kManyFields) {
        // The fields joined by the delimiter give the text back, and writing a field's own
        // value back changes nothing.
        std::string joined;
        for (int i = 1; i <= count; ++i) {
            if (i > 1) joined += d;
            joined += GetDelimitedField(i, text, d);
        }
        FUZZ_CHECK(joined == text, "the fields do not make up the text");
        const int k = 1 + (n & 0x7F) % count;
        FUZZ_CHECK(SetDelimitedField(k, text, GetDelimitedField(k, text, d), d) == text, "rewriting a field");
    }

    const std::string r = SetDelimitedField(n, text, value, d);
    if (n <= 0) {
        FUZZ_CHECK(r == text, "a field number below 1 changed the text");
        return;
    }
    if (value.find(d) != std::string_view::npos || bytetext::trimRight(r).empty()) return;
    const int after = CountDelimitedFields(r, d);
    FUZZ_CHECK(after == std::max(count, n), "set field " + std::to_string(n) + " gave " + std::to_string(after) + " fields");
    FUZZ_CHECK(GetDelimitedField(n, r, d) == value, "set field reads back " + fuzz::shown(GetDelimitedField(n, r, d)));
    for (int i = 1; i <= std::min(count, kManyFields); ++i)
        if (i != n) FUZZ_CHECK(GetDelimitedField(i, r, d) == GetDelimitedField(i, text, d), "another field changed");
}

}  // namespace

void fuzz::Arguments(std::string_view data)
{
    if (data.size() < 2) return;
    const char delimiter = data[0];
    const int n = static_cast<signed char>(data[1]);
    std::string_view text = data.substr(2), value;
    if (const auto nul = text.find('\0'); nul != std::string_view::npos) {
        value = text.substr(nul + 1);
        text = text.substr(0, nul);
    }
    checkArguments(text);
    checkFields(text, delimiter, n, value);
}
