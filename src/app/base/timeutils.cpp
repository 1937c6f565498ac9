#include "app/base/timeutils.h"

#include <QDate>
#include <QDateTime>

double GetTimeNow() { return double(QDateTime::currentMSecsSinceEpoch()) / 1000.0; }

double getStartOfDayUTC(int year, int month, int day) {
    // Days from civil (proleptic Gregorian), so any year works.
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yoe = year - era * 400;
    const long long doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return double(era * 146097 + doe - 719468) * 86400.0;
}

int DayNumToday() { return int(QDate::currentDate().toJulianDay() - QDate(1970, 1, 1).toJulianDay()); }
