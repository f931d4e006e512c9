#include "platform/DateTime.h"

#include "platform/ByteText.h"

#include <cstdio>
#include <ctime>
#include <mutex>
#include <sys/time.h>

namespace datetime {

namespace {

const char* const kShortDay[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kLongDay[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kShortMonth[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kLongMonth[] = {"January", "February", "March", "April", "May", "June", "July",
                                  "August", "September", "October", "November", "December"};

std::mutex& clockMutex()
{
    static std::mutex m;
    return m;
}

Clock& clockSlot()
{
    static Clock c;
    return c;
}

void appendNumber(std::string& out, int value, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*d", digits, value);
    out += buf;
}

}  // namespace

bool isLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int daysInMonth(int y, int m)
{
    static const int d[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return (m == 2 && isLeapYear(y)) ? 29 : d[m - 1];
}

bool isValidDate(int y, int m, int d)
{
    return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

// Howard Hinnant's days_from_civil.
std::int64_t daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

int dayOfWeek(int y, int m, int d)
{
    const std::int64_t z = daysFromCivil(y, m, d);  // 1970-01-01 was a Thursday
    return static_cast<int>(((z % 7) + 7 + 4) % 7) + 1;
}

CivilTime systemNow()
{
    struct timeval tv {};
    ::gettimeofday(&tv, nullptr);
    struct tm lt {};
    const time_t secs = tv.tv_sec;
    ::localtime_r(&secs, &lt);
    CivilTime t;
    t.year = lt.tm_year + 1900;
    t.month = lt.tm_mon + 1;
    t.day = lt.tm_mday;
    t.hour = lt.tm_hour;
    t.minute = lt.tm_min;
    t.second = lt.tm_sec;
    t.msec = static_cast<int>(tv.tv_usec / 1000);
    return t;
}

CivilTime now()
{
    std::lock_guard<std::mutex> lock(clockMutex());
    return clockSlot() ? clockSlot()() : systemNow();
}

void setClockForTesting(Clock clock)
{
    std::lock_guard<std::mutex> lock(clockMutex());
    clockSlot() = std::move(clock);
}

std::string shortDate(const CivilTime& t)
{
    std::string s;
    appendNumber(s, t.year, 4);
    s += '-';
    appendNumber(s, t.month, 2);
    s += '-';
    appendNumber(s, t.day, 2);
    return s;
}

std::string longTime(const CivilTime& t)
{
    std::string s;
    appendNumber(s, t.hour, 2);
    s += ':';
    appendNumber(s, t.minute, 2);
    s += ':';
    appendNumber(s, t.second, 2);
    return s;
}

std::string dateTimeText(const CivilTime& t) { return shortDate(t) + " " + longTime(t); }

bool parseShortDate(std::string_view text, int& year, int& month, int& day)
{
    const std::string s = bytetext::trim(text);
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int idx = 0;
    char sep = 0;
    for (char c : s) {
        if (c >= '0' && c <= '9') {
            if (++digits[idx] > 4) return false;
            parts[idx] = parts[idx] * 10 + (c - '0');
        } else if ((c == '-' || c == '/' || c == '.') && idx < 2 && digits[idx] > 0) {
            if (sep && c != sep) return false;
            sep = c;
            ++idx;
        } else {
            return false;
        }
    }
    if (idx != 2 || digits[2] == 0 || digits[0] != 4 || digits[1] > 2 || digits[2] > 2) return false;
    if (!isValidDate(parts[0], parts[1], parts[2])) return false;
    year = parts[0];
    month = parts[1];
    day = parts[2];
    return true;
}

bool formatDateTime(std::string_view picture, const CivilTime& t, std::string& out)
{
    std::string r;
    const std::string up = bytetext::toUpper(picture);
    // A picture naming AM/PM switches every hour field to the 12-hour clock.
    const bool twelve = up.find("AM/PM") != std::string::npos || up.find("A/P") != std::string::npos ||
                        up.find("AMPM") != std::string::npos;
    if (picture.empty()) {
        r = shortDate(t);
        if (t.hour || t.minute || t.second) r += " " + longTime(t);
        out = r;
        return true;
    }
    char lastToken = 0;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        const char u = bytetext::upper(c);
        if (c == '"' || c == '\'') {
            const auto close = picture.find(c, i + 1);
            if (close == std::string_view::npos) return false;
            r.append(picture.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        std::size_t n = 1;
        while (i + n < picture.size() && bytetext::upper(picture[i + n]) == u) ++n;
        switch (u) {
        case 'Y':
            if (n <= 2) appendNumber(r, t.year % 100, 2);
            else appendNumber(r, t.year, 4);
            break;
        case 'M':
            if (lastToken == 'H' && n <= 2) {
                appendNumber(r, t.minute, n == 1 ? 1 : 2);
            } else if (n <= 2) {
                appendNumber(r, t.month, n == 1 ? 1 : 2);
            } else if (n == 3) {
                r += kShortMonth[t.month - 1];
            } else {
                r += kLongMonth[t.month - 1];
            }
            break;
        case 'D': {
            const int wd = dayOfWeek(t.year, t.month, t.day) - 1;
            if (n <= 2) appendNumber(r, t.day, static_cast<int>(n));
            else if (n == 3) r += kShortDay[wd];
            else if (n == 4) r += kLongDay[wd];
            else if (n == 5) r += shortDate(t);
            else {
                r += kLongDay[wd];
                r += ", ";
                r += kLongMonth[t.month - 1];
                r += ' ';
                appendNumber(r, t.day, 1);
                r += ", ";
                appendNumber(r, t.year, 4);
            }
            break;
        }
        case 'H': {
            int h = t.hour;
            if (twelve) {
                h %= 12;
                if (h == 0) h = 12;
            }
            appendNumber(r, h, n == 1 ? 1 : 2);
            break;
        }
        case 'N': appendNumber(r, t.minute, n == 1 ? 1 : 2); break;
        case 'S': appendNumber(r, t.second, n == 1 ? 1 : 2); break;
        case 'Z': appendNumber(r, t.msec, n == 1 ? 1 : 3); break;
        case 'T':
            if (n == 1) {
                appendNumber(r, t.hour, 2);
                r += ':';
                appendNumber(r, t.minute, 2);
            } else {
                r += longTime(t);
            }
            break;
        case 'C':
            r += shortDate(t);
            if (t.hour || t.minute || t.second) r += " " + longTime(t);
            break;
        case 'A': {
            const std::string_view rest = picture.substr(i);
            const bool pm = t.hour >= 12;
            if (bytetext::startsWithNoCase(rest, "AM/PM")) {
                const bool lowerCase = rest[0] == 'a';
                r += lowerCase ? (pm ? "pm" : "am") : (pm ? "PM" : "AM");
                n = 5;
            } else if (bytetext::startsWithNoCase(rest, "A/P")) {
                const bool lowerCase = rest[0] == 'a';
                r += lowerCase ? (pm ? "p" : "a") : (pm ? "P" : "A");
                n = 3;
            } else if (bytetext::startsWithNoCase(rest, "AMPM")) {
                r += pm ? "PM" : "AM";
                n = 4;
            } else {
                r.append(picture.substr(i, n));
            }
            break;
        }
        case '/': r.append(n, '-'); break;
        default: r.append(picture.substr(i, n)); break;
        }
        if (u == 'Y' || u == 'M' || u == 'D' || u == 'H' || u == 'N' || u == 'S' || u == 'Z') lastToken = u;
        i += n;
    }
    out = r;
    return true;
}

}  // namespace datetime
