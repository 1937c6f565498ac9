// Time helpers. Times are seconds since 1970-01-01 00:00:00 UTC as doubles.
#pragma once

double GetTimeNow();  // with millisecond resolution
double getStartOfDayUTC(int year, int month, int day);  // 00:00 UTC of that date
int DayNumToday();  // days since 1970-01-01 of today's local date
