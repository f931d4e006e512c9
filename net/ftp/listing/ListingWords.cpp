#include "net/ftp/listing/ListingWords.h"

#include "platform/ByteText.h"

#include <cstdint>

namespace ftplisting {

namespace {

constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::int64_t secondsOf(const CivilTime& t)
{
    return datetime::daysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

bool digitsOnly(std::string_view s)
{
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Reads up to `maxDigits` digits at s[pos]; false when there are none.
bool readNumber(std::string_view s, std::size_t& pos, int maxDigits, int& value, int& digits)
{
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && digits < maxDigits) {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++digits;
    }
    return digits > 0;
}

void skipBlanks(std::string_view s, std::size_t& pos)
{
    while (pos < s.size() && s[pos] == ' ') ++pos;
}

}  // namespace

std::optional<std::pair<std::size_t, std::size_t>> WordSpan(std::string_view text, int n)
{
    std::size_t begin = 0;
    for (int i = 0; i < n; ++i) {
        const std::size_t blank = text.find(' ', begin);
        if (blank == std::string_view::npos) return std::nullopt;
        begin = text.find_first_not_of(' ', blank);
        if (begin == std::string_view::npos) begin = text.size();
    }
    std::size_t end = text.find(' ', begin);
    if (end == std::string_view::npos) end = text.size();
    return std::make_pair(begin, end);
}

std::string Word(std::string_view text, int n)
{
    const auto span = WordSpan(text, n);
    if (!span) return {};
    return std::string(text.substr(span->first, span->second - span->first));
}

std::string WordAt(std::string_view text, int n, bool single)
{
    std::string s(text);
    for (int i = 0; i < n; ++i) {
        const std::size_t blank = s.find(' ');
        if (blank == std::string::npos) return {};
        s = bytetext::trim(std::string_view(s).substr(blank + 1));
    }
    if (single) {
        const std::size_t blank = s.find(' ');
        if (blank != std::string::npos) s.resize(blank);
    }
    return bytetext::trim(s);
}

std::string TextAfter(std::string_view text, std::string_view key)
{
    const std::size_t at = text.find(key);
    const std::size_t from = at == std::string_view::npos ? key.size() : at + key.size() + 1;
    if (from >= text.size()) return {};
    return bytetext::trim(text.substr(from));
}

std::string WithoutLinkTarget(std::string_view name)
{
    const std::size_t arrow = name.find("->");
    if (arrow == std::string_view::npos) return std::string(name);
    return bytetext::trim(name.substr(0, arrow));
}

std::size_t LastBlank(std::string_view text)
{
    const std::size_t at = text.rfind(' ');
    return at == std::string_view::npos ? 0 : at + 1;
}

int MonthIndex(std::string_view text)
{
    for (int i = 0; i < 12; ++i)
        if (bytetext::equalsNoCase(text, kMonths[i])) return i + 1;
    return -1;
}

int WordNumber(std::string_view text, int n)
{
    int value = -1;
    if (!bytetext::parseInt(WordAt(text, n, true), value)) return -1;
    return value;
}

std::optional<CivilTime> UnixDate(std::string_view text, const CivilTime& now)
{
    const int month = MonthIndex(WordAt(text, 0, true));
    const int day = WordNumber(text, 1);
    const std::string third = WordAt(text, 2, true);
    if (month < 1) return std::nullopt;

    CivilTime t;
    t.month = month;
    t.day = day;
    const std::size_t colon = third.find(':');
    if (colon == std::string::npos) {
        // An explicit year is taken as listed, even when it lies ahead of now.
        t.year = WordNumber(text, 2);
        if (!datetime::isValidDate(t.year, t.month, t.day)) return std::nullopt;
        return t;
    }

    int hour = -1, minute = -1;
    const std::string_view h = std::string_view(third).substr(0, colon);
    const std::string_view m = std::string_view(third).substr(colon + 1);
    if (digitsOnly(h) && digitsOnly(m) && bytetext::parseInt(h, hour) && bytetext::parseInt(m, minute) &&
        hour <= 23 && minute <= 59) {
        t.hour = hour;
        t.minute = minute;
    }
    // Listings leave the year out for recent entries: this year, unless that lies more than a
    // day ahead (or is no date, as Feb 29 in a common year): then last year.
    t.year = now.year;
    if (!datetime::isValidDate(t.year, t.month, t.day) || secondsOf(t) > secondsOf(now) + 86400) --t.year;
    if (!datetime::isValidDate(t.year, t.month, t.day)) return std::nullopt;
    return t;
}

std::optional<CivilTime> DosDateTime(std::string_view text, const CivilTime& now)
{
    std::size_t pos = 0;
    int month = 0, day = 0, year = 0, digits = 0, yearDigits = 0;
    skipBlanks(text, pos);
    if (!readNumber(text, pos, 2, month, digits)) return std::nullopt;
    if (pos >= text.size() || text[pos++] != '-') return std::nullopt;
    if (!readNumber(text, pos, 2, day, digits)) return std::nullopt;
    if (pos >= text.size() || text[pos++] != '-') return std::nullopt;
    if (!readNumber(text, pos, 4, year, yearDigits)) return std::nullopt;
    if (yearDigits <= 2) {
        const int base = now.year - 50;
        year += base / 100 * 100;
        if (year < base) year += 100;
    }
    if (!datetime::isValidDate(year, month, day)) return std::nullopt;

    CivilTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    skipBlanks(text, pos);
    if (pos == text.size()) return t;

    int hour = 0, minute = 0, second = 0;
    if (!readNumber(text, pos, 2, hour, digits)) return std::nullopt;
    if (pos >= text.size() || text[pos++] != ':') return std::nullopt;
    if (!readNumber(text, pos, 2, minute, digits)) return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
        ++pos;
        if (!readNumber(text, pos, 2, second, digits)) return std::nullopt;
    }
    skipBlanks(text, pos);
    const std::string_view marker = text.substr(pos);
    if (!marker.empty()) {
        const bool am = bytetext::equalsNoCase(marker, "AM");
        const bool pm = bytetext::equalsNoCase(marker, "PM");
        if ((!am && !pm) || hour < 1 || hour > 12) return std::nullopt;
        hour %= 12;
        if (pm) hour += 12;
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

}  // namespace ftplisting
