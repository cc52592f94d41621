#include "calendar/DateUtil.h"
#include "calendar/Holidays.h"
#include "calendar/MonthModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {
class MonthGrid : public testing::Test {
protected:
    MonthGrid() : model_(dir_.WithSlash())
    {
        model_.SetClock([this] {
            ++clockReads_;
            return today_;
        });
    }

    const DayRecord& At(int column, int row) const { return model_.Cell(column, row); }

    TempDir dir_;
    MonthModel model_;
    year_month_day today_{year{2000}, month{1}, day{1}};
    int clockReads_ = 0;
};

void ExpectDate(const DayRecord& r, int y, int m, int d)
{
    EXPECT_EQ(r.year, y);
    EXPECT_EQ(r.month, m);
    EXPECT_EQ(r.day, d);
}
} // namespace

TEST_F(MonthGrid, EveryMonthWalksConsecutiveDatesWithConsistentFlags)
{
    for (int y = 1981; y <= 2098; ++y) {
        for (int m = 1; m <= 12; ++m) {
            model_.Show(y, m);
            int cy = y, cm = m, cd = 1;
            AddDays(cy, cm, cd, -DayOfWeek(y, m, 1));
            for (int r = 0; r < MonthModel::ROWS; ++r) {
                for (int k = 0; k < MonthModel::COLUMNS; ++k, AddDays(cy, cm, cd, 1)) {
                    const DayRecord& c = At(k, r);
                    ASSERT_TRUE(c.year == cy && c.month == cm && c.day == cd)
                        << y << '-' << m << " cell " << k << ',' << r;
                    ASSERT_EQ(c.weekday, k);
                    ASSERT_EQ((c.flags & DAY_REST) != 0, k == 0);
                    ASSERT_EQ((c.flags & DAY_SATURDAY) != 0, k == 6);
                    const bool before = cy * 100 + cm<y * 100 + m, after = cy * 100 + cm> y * 100 + m;
                    ASSERT_EQ((c.flags & DAY_PREV_MONTH) != 0, before);
                    ASSERT_EQ((c.flags & DAY_NEXT_MONTH) != 0, after);
                    ASSERT_EQ(c.holidayName, HolidayName(cy, cm, cd, k));
                    ASSERT_EQ((c.flags & DAY_HOLIDAY) != 0, c.holidayName != nullptr);
                }
            }
        }
    }
}

TEST_F(MonthGrid, January2006StartsOnSundayWithSubstituteOnTheSecond)
{
    model_.Show(2006, 1);
    for (int k = 0; k < 7; ++k)
        EXPECT_FALSE(At(k, 0).flags & DAY_PREV_MONTH);
    ExpectDate(At(0, 0), 2006, 1, 1);
    EXPECT_EQ(At(0, 0).flags & (DAY_HOLIDAY | DAY_REST), DAY_HOLIDAY | DAY_REST);
    EXPECT_STREQ(At(0, 0).holidayName, L"元日");
    EXPECT_STREQ(At(1, 0).holidayName, L"振替休日");
    EXPECT_TRUE(At(1, 0).flags & DAY_HOLIDAY);
    EXPECT_STREQ(At(1, 1).holidayName, L"成人の日");
    EXPECT_FALSE(At(2, 0).flags & DAY_HOLIDAY);
}

TEST_F(MonthGrid, February2009FillsRowsFourAndFiveWithMarch)
{
    model_.Show(2009, 2);
    ExpectDate(At(0, 0), 2009, 2, 1);
    ExpectDate(At(6, 3), 2009, 2, 28);
    EXPECT_TRUE(At(6, 3).InShownMonth());
    for (int r = 4; r < 6; ++r)
        for (int k = 0; k < 7; ++k) {
            ExpectDate(At(k, r), 2009, 3, (r - 4) * 7 + k + 1);
            EXPECT_TRUE(At(k, r).flags & DAY_NEXT_MONTH);
        }
    EXPECT_STREQ(At(3, 1).holidayName, L"建国記念の日");
    EXPECT_FALSE(At(4, 1).flags & DAY_HOLIDAY); // a Wednesday holiday has no substitute
}

TEST_F(MonthGrid, December2005ShowsNewYearAsNextMonthHoliday)
{
    model_.Show(2005, 12);
    ExpectDate(At(0, 5), 2006, 1, 1);
    EXPECT_EQ(At(0, 5).flags & (DAY_HOLIDAY | DAY_NEXT_MONTH), DAY_HOLIDAY | DAY_NEXT_MONTH);
    EXPECT_STREQ(At(0, 5).holidayName, L"元日");
    EXPECT_STREQ(At(1, 5).holidayName, L"振替休日");
    ExpectDate(At(5, 3), 2005, 12, 23);
    EXPECT_STREQ(At(5, 3).holidayName, L"天皇誕生日"); // still a holiday in 2005
}

TEST_F(MonthGrid, HolidaysFollowTheYearShown)
{
    model_.Show(2026, 12);
    EXPECT_EQ(At(3, 3).day, 23);
    EXPECT_FALSE(At(3, 3).flags & DAY_HOLIDAY);
    model_.Show(2026, 8);
    EXPECT_EQ(At(2, 2).day, 11);
    EXPECT_STREQ(At(2, 2).holidayName, L"山の日");
    model_.Show(2026, 9);
    EXPECT_STREQ(At(2, 3).holidayName, L"国民の休日");
}

TEST_F(MonthGrid, TodayIsMarkedAndFoundInAnAdjacentMonthCell)
{
    today_ = year_month_day{year{2009}, month{3}, day{5}};
    model_.Show(2009, 2);
    DayRecord* today = model_.FindToday();
    ASSERT_EQ(today, &model_.Cell(4, 4));
    EXPECT_EQ(today->flags & (DAY_TODAY | DAY_NEXT_MONTH), DAY_TODAY | DAY_NEXT_MONTH);
    int marked = 0;
    for (int r = 0; r < 6; ++r)
        for (int k = 0; k < 7; ++k)
            marked += (At(k, r).flags & DAY_TODAY) ? 1 : 0;
    EXPECT_EQ(marked, 1);
    model_.Show(2009, 4);
    EXPECT_EQ(model_.FindToday(), nullptr);

    today_ = year_month_day{year{2024}, month{2}, day{10}};
    model_.ShowThisMonth();
    EXPECT_EQ(model_.Year(), 2024);
    EXPECT_EQ(model_.Month(), 2);
    ASSERT_NE(model_.FindToday(), nullptr);
    EXPECT_EQ(model_.FindToday()->day, 10);
}

TEST_F(MonthGrid, YearStepsStopAtTheLimitsMonthStepsDoNot)
{
    model_.Show(2098, 5);
    int reads = clockReads_;
    model_.NextYear();
    EXPECT_EQ(model_.Year(), 2098);
    EXPECT_EQ(clockReads_, reads) << "no rebuild at the limit";
    model_.SetMonth(12);
    model_.NextMonth();
    EXPECT_EQ(model_.Year(), 2099);
    EXPECT_EQ(model_.Month(), 1);

    model_.Show(1981, 5);
    reads = clockReads_;
    model_.PrevYear();
    EXPECT_EQ(model_.Year(), 1981);
    EXPECT_EQ(clockReads_, reads);
    model_.SetMonth(1);
    model_.PrevMonth();
    EXPECT_EQ(model_.Year(), 1980);
    EXPECT_EQ(model_.Month(), 12);

    model_.Show(2097, 3);
    model_.NextYear();
    EXPECT_EQ(model_.Year(), 2098);
    model_.Show(1982, 3);
    model_.PrevYear();
    EXPECT_EQ(model_.Year(), 1981);
    ExpectDate(At(0, 0), 1981, 3, 1);
    model_.SetMonth(13);
    EXPECT_EQ(model_.Month(), 3);
}
