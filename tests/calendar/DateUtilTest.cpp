#include "calendar/DateUtil.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono;

TEST(DateUtil, AgreesWithCivilCalendarForYears1To2999)
{
    for (sys_days d = sys_days{year{1} / 1 / 1}; d <= sys_days{year{2999} / 12 / 31}; d += days{1}) {
        const year_month_day ymd{d};
        const int y = int{ymd.year()}, m = int(unsigned{ymd.month()}), dd = int(unsigned{ymd.day()});
        ASSERT_EQ(DayOfWeek(y, m, dd), int(weekday{d}.c_encoding())) << y << '-' << m << '-' << dd;
        ASSERT_EQ(DaysInMonth(y, m), int(unsigned{(ymd.year() / ymd.month() / last).day()})) << y << '-' << m;
    }
}
