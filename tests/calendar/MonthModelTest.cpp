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
    // "y-m-d name" of a cell, name "-" when it is no holiday.
    std::wstring Describe(int column, int row) const
    {
        const DayRecord& c = At(column, row);
        return std::to_wstring(c.year) + L'-' + std::to_wstring(c.month) + L'-' + std::to_wstring(c.day) + L' ' +
               (c.holidayName ? c.holidayName : L"-");
    }

    TempDir dir_;
    MonthModel model_;
    year_month_day today_{year{2000}, month{1}, day{1}};
    int clockReads_ = 0;
};
} // namespace

TEST_F(MonthGrid, EveryMonthWalksConsecutiveDatesWithConsistentFlags)
{
    const auto bit = [](bool on, std::uint32_t flag) { return on ? flag : 0u; };
    const std::uint32_t mask = DAY_REST | DAY_SATURDAY | DAY_PREV_MONTH | DAY_NEXT_MONTH | DAY_HOLIDAY;
    for (int y = 1981; y <= 2098; ++y)
        for (int m = 1; m <= 12; ++m) {
            model_.Show(y, m);
            const sys_days first = sys_days{year{y} / m / 1} - days{DayOfWeek(y, m, 1)};
            for (int i = 0; i < MonthModel::ROWS * MonthModel::COLUMNS; ++i) {
                const year_month_day want{first + days{i}};
                const int k = i % 7, cy = static_cast<int>(want.year()),
                          cm = static_cast<int>(static_cast<unsigned>(want.month())),
                          cd = static_cast<int>(static_cast<unsigned>(want.day()));
                const DayRecord& c = At(k, i / 7);
                ASSERT_TRUE(c.year == cy && c.month == cm && c.day == cd && c.weekday == k)
                    << y << '-' << m << ' ' << i;
                const int shown = cy * 100 + cm - (y * 100 + m);
                ASSERT_EQ(c.holidayName, HolidayName(cy, cm, cd, k));
                ASSERT_EQ(c.flags & mask, bit(k == 0, DAY_REST) | bit(k == 6, DAY_SATURDAY) |
                                              bit(shown < 0, DAY_PREV_MONTH) | bit(shown > 0, DAY_NEXT_MONTH) |
                                              bit(c.holidayName != nullptr, DAY_HOLIDAY))
                    << y << '-' << m << ' ' << i;
            }
        }
}

TEST_F(MonthGrid, SampleMonths)
{
    model_.Show(2006, 1); // starts on a Sunday: no cell of December
    EXPECT_EQ(Describe(0, 0), L"2006-1-1 元日");
    EXPECT_EQ(At(0, 0).flags & (DAY_HOLIDAY | DAY_REST | DAY_PREV_MONTH), DAY_HOLIDAY | DAY_REST);
    EXPECT_EQ(Describe(1, 0), L"2006-1-2 振替休日");
    EXPECT_EQ(Describe(2, 0), L"2006-1-3 -");
    EXPECT_EQ(Describe(1, 1), L"2006-1-9 成人の日");

    model_.Show(2009, 2); // exactly four weeks: rows 4 and 5 are March
    EXPECT_EQ(Describe(0, 0), L"2009-2-1 -");
    EXPECT_EQ(Describe(6, 3), L"2009-2-28 -");
    EXPECT_TRUE(At(6, 3).InShownMonth());
    for (int i = 28; i < 42; ++i) {
        EXPECT_EQ(Describe(i % 7, i / 7), L"2009-3-" + std::to_wstring(i - 27) + L" -");
        EXPECT_TRUE(At(i % 7, i / 7).flags & DAY_NEXT_MONTH);
    }
    EXPECT_EQ(Describe(3, 1), L"2009-2-11 建国記念の日");

    model_.Show(2005, 12);
    EXPECT_EQ(Describe(0, 5), L"2006-1-1 元日");
    EXPECT_EQ(At(0, 5).flags & (DAY_HOLIDAY | DAY_NEXT_MONTH), DAY_HOLIDAY | DAY_NEXT_MONTH);
    EXPECT_EQ(Describe(1, 5), L"2006-1-2 振替休日");
    EXPECT_EQ(Describe(5, 3), L"2005-12-23 天皇誕生日");
}

TEST_F(MonthGrid, TodayIsMarkedAndFoundInAnAdjacentMonthCell)
{
    today_ = year{2009} / 3 / 5;
    model_.Show(2009, 2);
    ASSERT_EQ(model_.FindToday(), &model_.Cell(4, 4));
    EXPECT_EQ(At(4, 4).flags & (DAY_TODAY | DAY_NEXT_MONTH), DAY_TODAY | DAY_NEXT_MONTH);
    int marked = 0;
    for (int i = 0; i < 42; ++i)
        marked += (At(i % 7, i / 7).flags & DAY_TODAY) ? 1 : 0;
    EXPECT_EQ(marked, 1);
    model_.Show(2009, 4);
    EXPECT_EQ(model_.FindToday(), nullptr);

    today_ = year{2024} / 2 / 10;
    model_.ShowThisMonth();
    EXPECT_EQ(model_.Year() * 100 + model_.Month(), 202402);
    ASSERT_NE(model_.FindToday(), nullptr);
    EXPECT_EQ(model_.FindToday()->day, 10);
}

TEST_F(MonthGrid, YearStepsStopAtTheLimitsMonthStepsDoNot)
{
    const auto shown = [this] { return model_.Year() * 100 + model_.Month(); };
    model_.Show(2098, 12);
    int reads = clockReads_;
    model_.NextYear();
    EXPECT_EQ(shown(), 209812);
    EXPECT_EQ(clockReads_, reads) << "no rebuild at the limit";
    model_.NextMonth();
    EXPECT_EQ(shown(), 209901);

    model_.Show(1981, 1);
    reads = clockReads_;
    model_.PrevYear();
    EXPECT_EQ(shown(), 198101);
    EXPECT_EQ(clockReads_, reads);
    model_.PrevMonth();
    EXPECT_EQ(shown(), 198012);

    model_.Show(2097, 3);
    model_.NextYear();
    EXPECT_EQ(shown(), 209803);
    model_.Show(1982, 3);
    model_.PrevYear();
    EXPECT_EQ(shown(), 198103);
    EXPECT_EQ(Describe(0, 0), L"1981-3-1 -");
    model_.SetMonth(13);
    EXPECT_EQ(shown(), 198103);
}
