#pragma once
// Calendar dates and times of day, the clock the engine reads, and the framework's
// date-picture language (FormatDateTime). Plain C++; the clock is injectable for tests.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

struct CivilTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0, msec = 0;

    bool operator==(const CivilTime&) const = default;
};

namespace datetime {

bool isLeapYear(int year);
int daysInMonth(int year, int month);
bool isValidDate(int year, int month, int day);
// Days since 1970-01-01 (negative before) and back; any valid Gregorian date.
std::int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(std::int64_t days, int& year, int& month, int& day);
// 1 = Sunday ... 7 = Saturday, as the framework's DayOfWeek.
int dayOfWeek(int year, int month, int day);

using Clock = std::function<CivilTime()>;
// The local wall clock.
CivilTime systemNow();
// The clock every date macro and log frame reads; tests replace it.
CivilTime now();
void setClockForTesting(Clock clock);  // an empty clock restores the system clock

// Short date "yyyy-mm-dd" and long time "hh:nn:ss".
std::string shortDate(const CivilTime& t);
std::string longTime(const CivilTime& t);
std::string dateTimeText(const CivilTime& t);  // short date, blank, long time
// Reads a date in the short date format (also accepts "/" or "." as separators and one-digit
// month and day); false when the text is no valid date.
bool parseShortDate(std::string_view text, int& year, int& month, int& day);

// FormatDateTime: false when the picture is invalid (an unclosed quoted literal).
bool formatDateTime(std::string_view picture, const CivilTime& t, std::string& out);

}  // namespace datetime
