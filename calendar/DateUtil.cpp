#include "calendar/DateUtil.h"

namespace {
constexpr int kDaysPerMonth[13] = {-1, 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Floor division, so years before 1 keep the 400-year cycle.
int FloorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); }
} // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month)
{
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && IsLeapYear(year))
        return 29;
    return kDaysPerMonth[month];
}

int DayOfWeek(int year, int month, int day)
{
    // Zeller-type congruence; January and February count as months 13 and 14
    // of the previous year.
    int m = month;
    int y = year;
    if (m <= 2) {
        m += 12;
        y -= 1;
    }
    const int w = (13 * m + 8) / 5 + y + FloorDiv(y, 4) - FloorDiv(y, 100) + FloorDiv(y, 400) + day;
    return ((w % 7) + 7) % 7;
}

void AddDays(int& year, int& month, int& day, int delta)
{
    day += delta;
    while (day < 1) {
        if (--month < 1) {
            month = 12;
            --year;
        }
        day += DaysInMonth(year, month);
    }
    for (int dm = DaysInMonth(year, month); day > dm; dm = DaysInMonth(year, month)) {
        day -= dm;
        if (++month > 12) {
            month = 1;
            ++year;
        }
    }
}
