// Holidays against the published days off: whole years around every change of the law,
// and the equinox days of every year in each range of the equinox constants; weekdays and
// month lengths against the civil calendar.
#include "calendar/DateUtil.h"
#include "calendar/Holidays.h"
#include "calendar/MonthModel.h"
#include "support/TestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

namespace {
// Every day off of the year as the month grid flags it, "MMDD" words in date order.
std::string DaysOffShown(int year)
{
    TempDir dir;
    MonthModel model(dir.WithSlash());
    std::string found;
    for (int m = 1; m <= 12; ++m) {
        model.Show(year, m);
        for (int i = 0; i < MonthModel::ROWS * MonthModel::COLUMNS; ++i)
            if (const DayRecord& c = model.Cell(i % 7, i / 7); c.InShownMonth() && (c.flags & DAY_HOLIDAY))
                found += std::to_string(10000 + m * 100 + c.day).substr(1) + ' ';
    }
    return found.substr(0, found.size() - 1);
}
} // namespace

TEST(Holidays, WholeYearsMatchThePublishedDaysOff)
{
    const std::tuple<int, const char*> years[] = {
        {1948, "0923 1103 1123"},
        {1949, "0101 0115 0321 0429 0503 0505 0923 1103 1123"},
        {1959, "0101 0115 0321 0410 0429 0503 0505 0924 1103 1123"},
        {1965, "0101 0115 0321 0429 0503 0505 0923 1103 1123"},
        {1966, "0101 0115 0321 0429 0503 0505 0915 0923 1010 1103 1123"},
        {1967, "0101 0115 0211 0321 0429 0503 0505 0915 0924 1010 1103 1123"},
        {1972, "0101 0115 0211 0320 0429 0503 0505 0915 0923 1010 1103 1123"},
        {1973, "0101 0115 0211 0321 0429 0430 0503 0505 0915 0923 0924 1010 1103 1123"},
        {1985, "0101 0115 0211 0321 0429 0503 0505 0506 0915 0916 0923 1010 1103 1104 1123"},
        {1986, "0101 0115 0211 0321 0429 0503 0505 0915 0923 1010 1103 1123 1124"},
        {1987, "0101 0115 0211 0321 0429 0503 0504 0505 0915 0923 1010 1103 1123"},
        {1988, "0101 0115 0211 0320 0321 0429 0503 0504 0505 0915 0923 1010 1103 1123"},
        {1989, "0101 0102 0115 0116 0211 0224 0321 0429 0503 0504 0505 0915 0923 1010 1103 1123 1223"},
        {1990, "0101 0115 0211 0212 0321 0429 0430 0503 0504 0505 0915 0923 0924 1010 1103 1112 1123 1223 1224"},
        {1993, "0101 0115 0211 0320 0429 0503 0504 0505 0609 0915 0923 1010 1011 1103 1123 1223"},
        {1995, "0101 0102 0115 0116 0211 0321 0429 0503 0504 0505 0915 0923 1010 1103 1123 1223"},
        {1996, "0101 0115 0211 0212 0320 0429 0503 0504 0505 0506 0720 0915 0916 0923 1010 1103 1104 1123 1223"},
        {1999, "0101 0115 0211 0321 0322 0429 0503 0504 0505 0720 0915 0923 1010 1011 1103 1123 1223"},
        {2000, "0101 0110 0211 0320 0429 0503 0504 0505 0720 0915 0923 1009 1103 1123 1223"},
        {2002, "0101 0114 0211 0321 0429 0503 0504 0505 0506 0720 0915 0916 0923 1014 1103 1104 1123 1223"},
        {2003, "0101 0113 0211 0321 0429 0503 0505 0721 0915 0923 1013 1103 1123 1124 1223"},
        {2006, "0101 0102 0109 0211 0321 0429 0503 0504 0505 0717 0918 0923 1009 1103 1123 1223"},
        {2007, "0101 0108 0211 0212 0321 0429 0430 0503 0504 0505 0716 0917 0923 0924 1008 1103 1123 1223 1224"},
        {2008, "0101 0114 0211 0320 0429 0503 0504 0505 0506 0721 0915 0923 1013 1103 1123 1124 1223"},
        {2015, "0101 0112 0211 0321 0429 0503 0504 0505 0506 0720 0921 0922 0923 1012 1103 1123 1223"},
        {2016, "0101 0111 0211 0320 0321 0429 0503 0504 0505 0718 0811 0919 0922 1010 1103 1123 1223"},
        {2018, "0101 0108 0211 0212 0321 0429 0430 0503 0504 0505 0716 0811 0917 0923 0924 1008 1103 1123 1223 1224"},
        {2019, "0101 0114 0211 0321 0429 0430 0501 0502 0503 0504 0505 0506 0715 0811 0812 0916 0923 1014 1022 1103 "
               "1104 1123"},
        {2020, "0101 0113 0211 0223 0224 0320 0429 0503 0504 0505 0506 0723 0724 0810 0921 0922 1103 1123"},
        {2021, "0101 0111 0211 0223 0320 0429 0503 0504 0505 0722 0723 0808 0809 0920 0923 1103 1123"},
        {2022, "0101 0110 0211 0223 0321 0429 0503 0504 0505 0718 0811 0919 0923 1010 1103 1123"},
        {2026, "0101 0112 0211 0223 0320 0429 0503 0504 0505 0506 0720 0811 0921 0922 0923 1012 1103 1123"},
        {2099, "0101 0112 0211 0223 0320 0429 0503 0504 0505 0506 0720 0811 0921 0922 0923 1012 1103 1123"},
        {2100, "0101 0111 0211 0223 0320 0429 0503 0504 0505 0719 0811 0920 0923 1011 1103 1123"},
    };
    for (const auto& [year, days] : years)
        EXPECT_EQ(DaysOffShown(year), days) << year;
    for (int y = 1900; y <= 1947; ++y)
        ASSERT_EQ(DaysOffShown(y), "") << y;
}

TEST(Holidays, EquinoxDaysOfEveryYearFrom1948To2150)
{
    // The last digit of the day: 9 is the 19th, 0-4 the 20th-24th.
    const std::wstring vernal = L"11111111111101110111011101110111011101110111001100110011001100110011"
                                L"00110011000100010001000100010001000100010000000000000000000000000000"
                                L"0000000090009000011101110111011101110111001100110011001100110011001";
    const std::wstring autumnal = L"33343334333433343334333433343334333333333333333333333333333333332333"
                                  L"23332333233323332333233323332233223322332233223322332233223322232223"
                                  L"2223222322232223333433343333333333333333333333333333333323332333233";
    for (int y = 1948; y <= 2150; ++y)
        for (const auto& [which, digits] : {std::pair{0, &vernal}, {1, &autumnal}}) {
            const int digit = (*digits)[y - 1948] - L'0';
            EXPECT_EQ(EquinoxDay(y, which), 20 + digit - (digit > 4 ? 10 : 0)) << y << " " << which;
        }
}

TEST(Holidays, NamesFollowTheLawOfTheYear)
{
    const struct {
        int y, m, d;
        const wchar_t* name;
    } cases[] = {{1988, 4, 29, L"天皇誕生日"},      {1989, 4, 29, L"みどりの日"},
                 {2006, 4, 29, L"みどりの日"},      {2007, 4, 29, L"昭和の日"},
                 {2007, 5, 4, L"みどりの日"},       {2006, 5, 4, L"国民の休日"},
                 {2019, 10, 14, L"体育の日"},       {2022, 10, 10, L"スポーツの日"},
                 {2020, 7, 24, L"スポーツの日"},    {2021, 8, 9, L"振替休日"},
                 {1973, 4, 30, L"振替休日"},        {2019, 5, 1, L"天皇の即位の日"},
                 {2019, 10, 22, L"即位礼正殿の儀"}, {1959, 4, 10, L"皇太子明仁親王の結婚の儀"},
                 {2018, 12, 23, L"天皇誕生日"},     {2020, 2, 23, L"天皇誕生日"},
                 {2026, 9, 21, L"敬老の日"},        {2026, 9, 22, L"国民の休日"}};
    for (const auto& [y, m, d, name] : cases) {
        const wchar_t* got = HolidayName(y, m, d, DayOfWeek(y, m, d));
        EXPECT_EQ(std::wstring(got ? got : L"-"), name) << y << '-' << m << '-' << d;
    }
    // The weekday comes from the caller: 13 January 2026 passed as a Monday is the second Monday.
    EXPECT_STREQ(HolidayName(2026, 1, 13, 1), L"成人の日");
    EXPECT_EQ(HolidayName(2026, 1, 12, 2), nullptr);
    EXPECT_EQ(FindHoliday({2026, 1, 1, 5}), 0);
}

TEST(DateUtil, AgreesWithCivilCalendarForYears1To2999)
{
    using namespace std::chrono;
    for (sys_days d = sys_days{year{1} / 1 / 1}; d <= sys_days{year{2999} / 12 / 31}; d += days{1}) {
        const year_month_day ymd{d};
        const int y = int{ymd.year()}, m = int(unsigned{ymd.month()}), dd = int(unsigned{ymd.day()});
        ASSERT_EQ(DayOfWeek(y, m, dd), int(weekday{d}.c_encoding())) << y << '-' << m << '-' << dd;
        ASSERT_EQ(DaysInMonth(y, m), int(unsigned{(ymd.year() / ymd.month() / last).day()})) << y << '-' << m;
    }
}
