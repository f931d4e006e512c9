#include "runner/DateRoutines.h"

#include <cmath>

namespace {
long long truncTo(double x) { return static_cast<long long>(std::trunc(x)); }
}  // namespace

int WeekNumberOf(int year, int month, int day)
{
    static const int kStart[] = {6, 7, 8, 9, 10, 4, 5};  // by the weekday of 1 January, Sunday first
    const int t = kStart[datetime::dayOfWeek(year, 1, 1) - 1];
    const auto days = datetime::daysFromCivil(year, month, day) - datetime::daysFromCivil(year, 1, 1);
    const long long week = (t + days) / 7;
    return (week >= 53 || week <= 0) ? 1 : static_cast<int>(week);
}

int JulianDayOf(int y, int m, int d)
{
    long long r = truncTo(m * 30.57) + truncTo(y * 365.25 - 395.25) + d;
    if (m > 2) r -= (y % 4 == 0) ? 1 : 2;
    return static_cast<int>(r);
}

void JulianDayToDate(int n, int& year, int& month, int& day)
{
    long long y = truncTo(n / 365.26) + 1;
    long long r = n - truncTo(y * 365.25 - 395.25);
    const int l = (y % 4 == 0) ? 1 : 2;
    if (r > 91 - l) r += l;
    long long m = truncTo(r / 30.57);
    const long long d = r - truncTo(m * 30.57);
    if (m > 12) {
        m = 1;
        ++y;
    }
    year = static_cast<int>(y);
    month = static_cast<int>(m);
    day = static_cast<int>(d);
}
