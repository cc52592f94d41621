#include "calendar/DateUtil.h"
#include "calendar/Holidays.h"

#include <array>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {
// Every holiday of the year as "MMDD name" words, in date order.
std::wstring HolidaysOf(int year)
{
    std::wstring found;
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= DaysInMonth(year, m); ++d)
            if (const wchar_t* name = HolidayName(year, m, d, DayOfWeek(year, m, d)))
                found += (found.empty() ? L"" : L" ") + std::to_wstring(10000 + m * 100 + d).substr(1) + name;
    return found;
}

std::wstring NameOr(const wchar_t* name) { return name ? name : L"-"; }
} // namespace

TEST(Holidays, WholeYearsMatchTheLawOfTheYear)
{
    EXPECT_EQ(HolidaysOf(2026),
              L"0101元日 0112成人の日 0211建国記念の日 0223天皇誕生日 0320春分の日 0429昭和の日 "
              L"0503憲法記念日 0504みどりの日 0505こどもの日 0506振替休日 0720海の日 0811山の日 "
              L"0921敬老の日 0922国民の休日 0923秋分の日 1012スポーツの日 1103文化の日 1123勤労感謝の日");
    EXPECT_EQ(HolidaysOf(2019),
              L"0101元日 0114成人の日 0211建国記念の日 0321春分の日 0429昭和の日 0430国民の休日 "
              L"0501天皇の即位の日 0502国民の休日 0503憲法記念日 0504みどりの日 0505こどもの日 "
              L"0506振替休日 0715海の日 0811山の日 0812振替休日 0916敬老の日 0923秋分の日 1014体育の日 "
              L"1022即位礼正殿の儀 1103文化の日 1104振替休日 1123勤労感謝の日");
    EXPECT_EQ(HolidaysOf(1988), L"0101元日 0115成人の日 0211建国記念の日 0320春分の日 0321振替休日 0429天皇誕生日 "
                                L"0503憲法記念日 0504国民の休日 0505こどもの日 0915敬老の日 0923秋分の日 1010体育の日 "
                                L"1103文化の日 1123勤労感謝の日");
    EXPECT_EQ(HolidaysOf(2008), L"0101元日 0114成人の日 0211建国記念の日 0320春分の日 0429昭和の日 0503憲法記念日 "
                                L"0504みどりの日 0505こどもの日 0506振替休日 0721海の日 0915敬老の日 0923秋分の日 "
                                L"1013体育の日 1103文化の日 1123勤労感謝の日 1124振替休日 1223天皇誕生日");
    for (int y = 1900; y <= 1947; ++y)
        EXPECT_EQ(HolidaysOf(y), L"") << y;
    EXPECT_EQ(HolidaysOf(1948), L"0923秋分の日 1103文化の日 1123勤労感謝の日");
}

TEST(Holidays, EquinoxDays)
{
    for (const auto [year, vernal, autumnal] :
         {std::array{1979, 21, 24}, std::array{2005, 20, 23}, std::array{2006, 21, 23}, std::array{2100, 20, 23}}) {
        EXPECT_EQ(EquinoxDay(year, 0), vernal) << year;
        EXPECT_EQ(EquinoxDay(year, 1), autumnal) << year;
        EXPECT_STREQ(HolidayName(year, 3, vernal, DayOfWeek(year, 3, vernal)), L"春分の日") << year;
        EXPECT_STREQ(HolidayName(year, 9, autumnal, DayOfWeek(year, 9, autumnal)), L"秋分の日") << year;
    }
    EXPECT_EQ(FindHoliday({2006, 3, 20, DayOfWeek(2006, 3, 20)}), -1);
}

TEST(Holidays, WeekdayArgumentRulesTheNthWeekdayRows)
{
    // 13 January 2026 is a Tuesday, 12 January a Monday; only the argument counts.
    EXPECT_STREQ(HolidayName(2026, 1, 13, 1), L"成人の日");
    EXPECT_EQ(HolidayName(2026, 1, 12, 2), nullptr);
    EXPECT_EQ(FindHoliday({2026, 1, 12, 3}), -1);
    EXPECT_EQ(FindHoliday({2026, 1, 1, 5}), 0); // a fixed day does not care
}

// Sundays before the substitute law (1973) and bridges before the bridge law (1985) or
// over a Sunday before 2007 are no days off; the 2020/21 moves and one-off ceremonies are.
TEST(Holidays, SubstituteAndBridgeFollowTheLawOfTheirYear)
{
    for (const auto& [y, m, d, name] :
         {std::tuple{1973, 2, 12, L"-"}, std::tuple{1973, 4, 30, L"振替休日"}, std::tuple{1985, 5, 4, L"-"},
          std::tuple{2003, 5, 4, L"-"}, std::tuple{2009, 5, 6, L"振替休日"}, std::tuple{2020, 7, 23, L"海の日"},
          std::tuple{2020, 7, 20, L"-"}, std::tuple{2021, 8, 9, L"振替休日"},
          std::tuple{1959, 4, 10, L"皇太子明仁親王の結婚の儀"}, std::tuple{1989, 2, 24, L"昭和天皇の大喪の礼"}})
        EXPECT_EQ(NameOr(HolidayName(y, m, d, DayOfWeek(y, m, d))), name) << y << '-' << m << '-' << d;
}
