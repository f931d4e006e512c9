#pragma once
// Shared by the listing tests: readable dates in failure messages, and a short date builder.

#include "platform/DateTime.h"

#include <ostream>

inline void PrintTo(const CivilTime& t, std::ostream* os) { *os << datetime::dateTimeText(t); }

inline CivilTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    CivilTime t;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = s;
    return t;
}

// The listings' reference moment (the fixtures were captured then).
inline const CivilTime kNow = at(2026, 12, 10, 9, 6, 30);
