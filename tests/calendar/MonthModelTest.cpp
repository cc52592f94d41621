#include "calendar/DateUtil.h"
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
    int Shown() const { return model_.Year() * 100 + model_.Month(); }

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
                const DayRecord& c = At(i % 7, i / 7);
                const int k = i % 7, shown = c.year * 100 + c.month - (y * 100 + m);
                ASSERT_TRUE(year{c.year} / c.month / c.day == year_month_day{first + days{i}} && c.weekday == k)
                    << y << '-' << m << ' ' << i;
                ASSERT_EQ(c.flags & mask, bit(k == 0, DAY_REST) | bit(k == 6, DAY_SATURDAY) |
                                              bit(shown < 0, DAY_PREV_MONTH) | bit(shown > 0, DAY_NEXT_MONTH) |
                                              bit(c.holidayName != nullptr, DAY_HOLIDAY))
                    << y << '-' << m << ' ' << i;
            }
        }
}

TEST_F(MonthGrid, YearStepsStopAtTheLimitsMonthStepsDoNot)
{
    struct Case {
        int y, m;
        void (MonthModel::*step)();
        int want;
        bool rebuilds;
    };
    for (const Case& c :
         {Case{2098, 12, &MonthModel::NextYear, 209812, false}, Case{2098, 12, &MonthModel::NextMonth, 209901, true},
          Case{1981, 1, &MonthModel::PrevYear, 198101, false}, Case{1981, 1, &MonthModel::PrevMonth, 198012, true},
          Case{2097, 3, &MonthModel::NextYear, 209803, true}, Case{1982, 3, &MonthModel::PrevYear, 198103, true}}) {
        model_.Show(c.y, c.m);
        const int reads = clockReads_;
        (model_.*c.step)();
        EXPECT_EQ(Shown(), c.want);
        EXPECT_EQ(clockReads_ != reads, c.rebuilds) << c.want;
    }
    model_.SetMonth(13);
    EXPECT_EQ(Shown(), 198103);
}
