#pragma once
// The engine's own day count and week number.

#include "platform/DateTime.h"

int WeekNumberOf(int year, int month, int day);
int JulianDayOf(int year, int month, int day);
void JulianDayToDate(int number, int& year, int& month, int& day);
