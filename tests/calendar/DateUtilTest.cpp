#include "calendar/DateUtil.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono;

TEST(DateUtil, AgreesWithCivilCalendarForYears1To2999)
{
    const sys_days last = sys_days{year{2999} / December / 31};
    for (sys_days d = sys_days{year{1} / January / 1}; d <= last; d += days{1}) {
        const year_month_day ymd{d};
        const int y = static_cast<int>(ymd.year());
        const int m = static_cast<int>(static_cast<unsigned>(ymd.month()));
        const int dd = static_cast<int>(static_cast<unsigned>(ymd.day()));
        ASSERT_EQ(DayOfWeek(y, m, dd), static_cast<int>(weekday{d}.c_encoding())) << y << '-' << m << '-' << dd;
        if (dd == 1) {
            const year_month_day_last end{ymd.year(), month_day_last{ymd.month()}};
            ASSERT_EQ(DaysInMonth(y, m), static_cast<int>(static_cast<unsigned>(end.day()))) << y << '-' << m;
        }
    }
}

TEST(DateUtil, KnownMonthLengthsAndWeekdays)
{
    EXPECT_EQ(DaysInMonth(2000, 2), 29);
    EXPECT_EQ(DaysInMonth(1900, 2), 28);
    EXPECT_EQ(DaysInMonth(2004, 2), 29);
    EXPECT_EQ(DaysInMonth(2003, 4), 30);
    EXPECT_EQ(DaysInMonth(2003, 13), 0);
    EXPECT_EQ(DayOfWeek(2000, 1, 1), 6);
    EXPECT_EQ(DayOfWeek(2003, 1, 1), 3);
    EXPECT_EQ(DayOfWeek(2004, 1, 12), 1);
}

TEST(DateUtil, AddDaysCrossesMonthAndYearEnds)
{
    for (sys_days d = sys_days{year{1999} / January / 1}; d <= sys_days{year{2001} / December / 31}; d += days{1}) {
        for (const int delta : {-400, -31, -1, 1, 29, 366}) {
            const year_month_day from{d};
            const year_month_day want{d + days{delta}};
            int y = static_cast<int>(from.year());
            int m = static_cast<int>(static_cast<unsigned>(from.month()));
            int dd = static_cast<int>(static_cast<unsigned>(from.day()));
            AddDays(y, m, dd, delta);
            ASSERT_EQ(year_month_day(year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(dd)}), want)
                << delta;
        }
    }
}
