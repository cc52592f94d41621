#include "calendar/DateUtil.h"

#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono;

TEST(DateUtil, AgreesWithCivilCalendarForYears1To2999)
{
    for (sys_days d = sys_days{year{1} / 1 / 1}; d <= sys_days{year{2999} / 12 / 31}; d += days{1}) {
        const year_month_day ymd{d};
        const int y = static_cast<int>(ymd.year()), m = static_cast<int>(static_cast<unsigned>(ymd.month())),
                  dd = static_cast<int>(static_cast<unsigned>(ymd.day()));
        ASSERT_EQ(DayOfWeek(y, m, dd), static_cast<int>(weekday{d}.c_encoding())) << y << '-' << m << '-' << dd;
        const year_month_day_last end{ymd.year(), month_day_last{ymd.month()}};
        ASSERT_EQ(DaysInMonth(y, m), static_cast<int>(static_cast<unsigned>(end.day()))) << y << '-' << m;
    }
}
