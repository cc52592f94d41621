#include "calendar/DateUtil.h"
#include "calendar/Holidays.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <utility>

namespace {
using YearHolidays = std::map<std::pair<int, int>, std::wstring>;

YearHolidays HolidaysOf(int year)
{
    YearHolidays found;
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= DaysInMonth(year, m); ++d)
            if (const wchar_t* name = HolidayName(year, m, d, DayOfWeek(year, m, d)))
                found[{m, d}] = name;
    return found;
}

struct YearCase {
    int year;
    YearHolidays expected;
};

const YearCase kYears[] = {
    {2026,
     {{{1, 1}, L"元日"},
      {{1, 12}, L"成人の日"},
      {{2, 11}, L"建国記念の日"},
      {{2, 23}, L"天皇誕生日"},
      {{3, 20}, L"春分の日"},
      {{4, 29}, L"昭和の日"},
      {{5, 3}, L"憲法記念日"},
      {{5, 4}, L"みどりの日"},
      {{5, 5}, L"こどもの日"},
      {{5, 6}, L"振替休日"},
      {{7, 20}, L"海の日"},
      {{8, 11}, L"山の日"},
      {{9, 21}, L"敬老の日"},
      {{9, 22}, L"国民の休日"},
      {{9, 23}, L"秋分の日"},
      {{10, 12}, L"スポーツの日"},
      {{11, 3}, L"文化の日"},
      {{11, 23}, L"勤労感謝の日"}}},
    {2019, {{{1, 1}, L"元日"},       {{1, 14}, L"成人の日"},     {{2, 11}, L"建国記念の日"},    {{3, 21}, L"春分の日"},
            {{4, 29}, L"昭和の日"},  {{4, 30}, L"国民の休日"},   {{5, 1}, L"天皇の即位の日"},   {{5, 2}, L"国民の休日"},
            {{5, 3}, L"憲法記念日"}, {{5, 4}, L"みどりの日"},    {{5, 5}, L"こどもの日"},       {{5, 6}, L"振替休日"},
            {{7, 15}, L"海の日"},    {{8, 11}, L"山の日"},       {{8, 12}, L"振替休日"},        {{9, 16}, L"敬老の日"},
            {{9, 23}, L"秋分の日"},  {{10, 14}, L"体育の日"},    {{10, 22}, L"即位礼正殿の儀"}, {{11, 3}, L"文化の日"},
            {{11, 4}, L"振替休日"},  {{11, 23}, L"勤労感謝の日"}}},
    {1988,
     {{{1, 1}, L"元日"},
      {{1, 15}, L"成人の日"},
      {{2, 11}, L"建国記念の日"},
      {{3, 20}, L"春分の日"},
      {{3, 21}, L"振替休日"},
      {{4, 29}, L"天皇誕生日"},
      {{5, 3}, L"憲法記念日"},
      {{5, 4}, L"国民の休日"},
      {{5, 5}, L"こどもの日"},
      {{9, 15}, L"敬老の日"},
      {{9, 23}, L"秋分の日"},
      {{10, 10}, L"体育の日"},
      {{11, 3}, L"文化の日"},
      {{11, 23}, L"勤労感謝の日"}}},
    {2008,
     {{{1, 1}, L"元日"},
      {{1, 14}, L"成人の日"},
      {{2, 11}, L"建国記念の日"},
      {{3, 20}, L"春分の日"},
      {{4, 29}, L"昭和の日"},
      {{5, 3}, L"憲法記念日"},
      {{5, 4}, L"みどりの日"},
      {{5, 5}, L"こどもの日"},
      {{5, 6}, L"振替休日"},
      {{7, 21}, L"海の日"},
      {{9, 15}, L"敬老の日"},
      {{9, 23}, L"秋分の日"},
      {{10, 13}, L"体育の日"},
      {{11, 3}, L"文化の日"},
      {{11, 23}, L"勤労感謝の日"},
      {{11, 24}, L"振替休日"},
      {{12, 23}, L"天皇誕生日"}}},
};
} // namespace

TEST(Holidays, WholeYearsMatchTheLawOfTheYear)
{
    for (const YearCase& c : kYears) {
        const YearHolidays found = HolidaysOf(c.year);
        for (const auto& [date, name] : c.expected) {
            const auto it = found.find(date);
            ASSERT_NE(it, found.end()) << c.year << '-' << date.first << '-' << date.second << " missing";
            EXPECT_EQ(it->second, name) << c.year << '-' << date.first << '-' << date.second;
        }
        for (const auto& [date, name] : found)
            EXPECT_TRUE(c.expected.count(date)) << c.year << '-' << date.first << '-' << date.second << " extra";
    }
}

TEST(Holidays, EquinoxDaysPerYearRange)
{
    struct Case {
        int year, vernal, autumnal;
    };
    for (const Case c :
         {Case{1979, 21, 24}, Case{2005, 20, 23}, Case{2006, 21, 23}, Case{2008, 20, 23}, Case{2100, 20, 23}}) {
        EXPECT_EQ(EquinoxDay(c.year, 0), c.vernal) << c.year;
        EXPECT_EQ(EquinoxDay(c.year, 1), c.autumnal) << c.year;
        EXPECT_STREQ(HolidayName(c.year, 3, c.vernal, DayOfWeek(c.year, 3, c.vernal)), L"春分の日");
        EXPECT_STREQ(HolidayName(c.year, 9, c.autumnal, DayOfWeek(c.year, 9, c.autumnal)), L"秋分の日");
    }
    EXPECT_EQ(FindHoliday({2006, 3, 20, DayOfWeek(2006, 3, 20)}), -1);
}

TEST(Holidays, NoneBefore1948AndOnlyAutumnOnesIn1948)
{
    for (int y = 1900; y <= 1947; ++y)
        EXPECT_TRUE(HolidaysOf(y).empty()) << y;
    const YearHolidays first = HolidaysOf(1948);
    EXPECT_EQ(first, (YearHolidays{{{9, 23}, L"秋分の日"}, {{11, 3}, L"文化の日"}, {{11, 23}, L"勤労感謝の日"}}));
}

TEST(Holidays, WeekdayArgumentRulesTheNthWeekdayRows)
{
    // 13 January 2026 is a Tuesday, 12 January a Monday; only the argument counts.
    ASSERT_EQ(FindHoliday({2026, 1, 13, 1}), 2);
    EXPECT_STREQ(HolidayRules()[2].name, L"成人の日");
    EXPECT_EQ(FindHoliday({2026, 1, 12, 3}), -1);
    EXPECT_STREQ(HolidayName(2026, 1, 13, 1), L"成人の日");
    EXPECT_EQ(HolidayName(2026, 1, 12, 2), nullptr);
    // A fixed day does not care.
    EXPECT_EQ(FindHoliday({2026, 1, 1, 5}), 0);
}

TEST(Holidays, SubstituteAndBridgeFollowTheLawOfTheirYear)
{
    struct Case {
        int y, m, d;
        const wchar_t* name; // null = not a day off
    };
    const Case cases[] = {
        {1973, 2, 12, nullptr},     // Sunday holiday before the substitute law
        {1973, 4, 30, L"振替休日"}, // 29 April 1973 was a Sunday
        {1986, 5, 4, nullptr},      // a Sunday between holidays, before 2007
        {1985, 5, 4, nullptr},      // before the bridge law
        {2003, 5, 4, nullptr},      // Sunday, before 2007
        {2009, 5, 4, L"みどりの日"},
        {2009, 5, 6, L"振替休日"}, // 3 May was a Sunday
        {2015, 9, 22, L"国民の休日"},
        {2006, 1, 2, L"振替休日"},
        {2007, 2, 12, L"振替休日"},
        {2009, 2, 12, nullptr},
        {2020, 2, 24, L"振替休日"},
        {2026, 12, 23, nullptr},
        {2019, 12, 23, nullptr},
        {2016, 8, 11, L"山の日"},
        {2020, 7, 23, L"海の日"},
        {2020, 7, 20, nullptr},
        {2021, 8, 9, L"振替休日"},
        {1959, 4, 10, L"皇太子明仁親王の結婚の儀"},
        {1989, 2, 24, L"昭和天皇の大喪の礼"},
    };
    for (const Case& c : cases) {
        const wchar_t* got = HolidayName(c.y, c.m, c.d, DayOfWeek(c.y, c.m, c.d));
        if (c.name == nullptr)
            EXPECT_EQ(got, nullptr) << c.y << '-' << c.m << '-' << c.d;
        else
            EXPECT_STREQ(got, c.name) << c.y << '-' << c.m << '-' << c.d;
    }
}
