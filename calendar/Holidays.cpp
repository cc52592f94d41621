#include "calendar/Holidays.h"

#include "calendar/DateUtil.h"

#include <climits>
#include <cmath>
#include <iterator>

const wchar_t* const SUBSTITUTE_HOLIDAY_NAME = L"振替休日";
const wchar_t* const BRIDGE_HOLIDAY_NAME = L"国民の休日";

namespace {
constexpr std::int32_t kOpen = INT_MAX;

constexpr HolidayRule kRules[] = {
    {HOLIDAY_FIXED, 1, 1, L"元日", 1949, kOpen},
    {HOLIDAY_FIXED, 1, 15, L"成人の日", 1949, 1999},
    {HOLIDAY_NTH_WEEKDAY, 1, NthWeekday(2, 1), L"成人の日", 2000, kOpen},
    {HOLIDAY_FIXED, 2, 11, L"建国記念の日", 1967, kOpen},
    {HOLIDAY_FIXED, 2, 23, L"天皇誕生日", 2020, kOpen},
    {HOLIDAY_EQUINOX, 3, 0, L"春分の日", 1949, kOpen},
    {HOLIDAY_FIXED, 4, 29, L"天皇誕生日", 1949, 1988},
    {HOLIDAY_FIXED, 4, 29, L"みどりの日", 1989, 2006},
    {HOLIDAY_FIXED, 4, 29, L"昭和の日", 2007, kOpen},
    {HOLIDAY_FIXED, 5, 3, L"憲法記念日", 1949, kOpen},
    {HOLIDAY_FIXED, 5, 4, L"みどりの日", 2007, kOpen},
    {HOLIDAY_FIXED, 5, 5, L"こどもの日", 1949, kOpen},
    {HOLIDAY_FIXED, 7, 20, L"海の日", 1996, 2002},
    {HOLIDAY_NTH_WEEKDAY, 7, NthWeekday(3, 1), L"海の日", 2003, 2019},
    {HOLIDAY_NTH_WEEKDAY, 7, NthWeekday(3, 1), L"海の日", 2022, kOpen},
    {HOLIDAY_FIXED, 8, 11, L"山の日", 2016, 2019},
    {HOLIDAY_FIXED, 8, 11, L"山の日", 2022, kOpen},
    {HOLIDAY_FIXED, 9, 15, L"敬老の日", 1966, 2002},
    {HOLIDAY_NTH_WEEKDAY, 9, NthWeekday(3, 1), L"敬老の日", 2003, kOpen},
    {HOLIDAY_EQUINOX, 9, 1, L"秋分の日", 1948, kOpen},
    {HOLIDAY_FIXED, 10, 10, L"体育の日", 1966, 1999},
    {HOLIDAY_NTH_WEEKDAY, 10, NthWeekday(2, 1), L"体育の日", 2000, 2019},
    {HOLIDAY_NTH_WEEKDAY, 10, NthWeekday(2, 1), L"スポーツの日", 2022, kOpen},
    {HOLIDAY_FIXED, 11, 3, L"文化の日", 1948, kOpen},
    {HOLIDAY_FIXED, 11, 23, L"勤労感謝の日", 1948, kOpen},
    {HOLIDAY_FIXED, 12, 23, L"天皇誕生日", 1989, 2018},
    {HOLIDAY_ONCE, 4, 10, L"皇太子明仁親王の結婚の儀", 1959, 1959},
    {HOLIDAY_ONCE, 2, 24, L"昭和天皇の大喪の礼", 1989, 1989},
    {HOLIDAY_ONCE, 11, 12, L"即位礼正殿の儀", 1990, 1990},
    {HOLIDAY_ONCE, 6, 9, L"皇太子徳仁親王の結婚の儀", 1993, 1993},
    {HOLIDAY_ONCE, 5, 1, L"天皇の即位の日", 2019, 2019},
    {HOLIDAY_ONCE, 10, 22, L"即位礼正殿の儀", 2019, 2019},
    {HOLIDAY_ONCE, 7, 23, L"海の日", 2020, 2020},
    {HOLIDAY_ONCE, 7, 24, L"スポーツの日", 2020, 2020},
    {HOLIDAY_ONCE, 8, 10, L"山の日", 2020, 2020},
    {HOLIDAY_ONCE, 7, 22, L"海の日", 2021, 2021},
    {HOLIDAY_ONCE, 7, 23, L"スポーツの日", 2021, 2021},
    {HOLIDAY_ONCE, 8, 8, L"山の日", 2021, 2021},
};

bool Matches(const HolidayRule& rule, const HolidayDate& date)
{
    switch (rule.kind) {
    case HOLIDAY_FIXED:
    case HOLIDAY_ONCE: return static_cast<int>(rule.value) == date.day;
    case HOLIDAY_NTH_WEEKDAY:
        return date.day >= 1 && (date.day - 1) / 7 + 1 == static_cast<int>(rule.value & 0xFFFF) &&
               date.weekday == static_cast<int>(rule.value >> 16);
    case HOLIDAY_EQUINOX: return date.day == EquinoxDay(date.year, static_cast<int>(rule.value));
    default: return false;
    }
}

bool IsNamed(int year, int month, int day) { return FindHoliday({year, month, day, DayOfWeek(year, month, day)}) >= 0; }

int DateKey(int year, int month, int day) { return (year * 100 + month) * 100 + day; }

// The substitute rule of the law in force on the date.
bool IsSubstitute(int year, int month, int day)
{
    if (DateKey(year, month, day) <= 19730412)
        return false;
    int y = year, m = month, d = day;
    if (year <= 2006) {
        AddDays(y, m, d, -1);
        return DateKey(y, m, d) >= 19730412 && DayOfWeek(y, m, d) == 0 && IsNamed(y, m, d);
    }
    // From 2007 the substitute is the first non-holiday after a Sunday holiday,
    // so walk back over the run of holidays that ends the day before.
    for (int i = 0; i < 7; ++i) {
        AddDays(y, m, d, -1);
        if (!IsNamed(y, m, d))
            return false;
        if (DayOfWeek(y, m, d) == 0)
            return true;
    }
    return false;
}

bool IsBridge(int year, int month, int day)
{
    if (DateKey(year, month, day) < 19851227)
        return false;
    if (year <= 2006 && DayOfWeek(year, month, day) == 0)
        return false;
    int py = year, pm = month, pd = day;
    AddDays(py, pm, pd, -1);
    int ny = year, nm = month, nd = day;
    AddDays(ny, nm, nd, 1);
    return IsNamed(py, pm, pd) && IsNamed(ny, nm, nd);
}
} // namespace

int EquinoxDay(int year, int which)
{
    double e = 0.0;
    int base = 1980;
    if (year <= 1979) {
        e = which == 0 ? 20.8357 : 23.2588;
        base = 1983;
    } else if (year <= 2099) {
        e = which == 0 ? 20.8431 : 23.2488;
    } else {
        e = which == 0 ? 21.8510 : 24.2488;
    }
    // Evaluated in this order, both truncations toward zero.
    double v = 0.242194 * static_cast<double>(year - 1980);
    v += e;
    v -= std::trunc(static_cast<double>(year - base) / 4.0);
    return static_cast<int>(std::trunc(v));
}

int FindHoliday(const HolidayDate& date)
{
    const int count = static_cast<int>(std::size(kRules));
    for (int i = 0; i < count; ++i) {
        const HolidayRule& rule = kRules[i];
        if (rule.month != date.month || date.year < rule.firstYear || date.year > rule.lastYear)
            continue;
        if (Matches(rule, date))
            return i;
    }
    return -1;
}

const wchar_t* HolidayName(int year, int month, int day, int weekday)
{
    if (year < 1948 || year > 99999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return nullptr;
    const int index = FindHoliday({year, month, day, weekday});
    if (index >= 0)
        return kRules[index].name;
    if (IsSubstitute(year, month, day))
        return SUBSTITUTE_HOLIDAY_NAME;
    if (IsBridge(year, month, day))
        return BRIDGE_HOLIDAY_NAME;
    return nullptr;
}
