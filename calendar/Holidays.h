// Japanese national holidays as the law of each year defines them.
#pragma once
#include <cstdint>

struct HolidayDate {
    int year = 0;
    int month = 0;
    int day = 0;
    int weekday = 0; // 0 = Sunday; taken from the caller, not recomputed
};

enum HolidayKind : std::int32_t {
    HOLIDAY_FIXED = 0,       // value = day of month
    HOLIDAY_NTH_WEEKDAY = 1, // value: low 16 bits week ordinal n, high 16 bits weekday
    HOLIDAY_EQUINOX = 2,     // value 0 = vernal, 1 = autumnal
    HOLIDAY_ONCE = 3,        // value = day of month, in the single year of the row
};

struct HolidayRule {
    std::int32_t kind;
    std::int32_t month;
    std::uint32_t value;
    const wchar_t* name;
    std::int32_t firstYear;
    std::int32_t lastYear; // inclusive
};

inline constexpr std::uint32_t NthWeekday(std::uint32_t n, std::uint32_t weekday) { return (weekday << 16) | n; }

extern const wchar_t* const SUBSTITUTE_HOLIDAY_NAME; // 振替休日
extern const wchar_t* const BRIDGE_HOLIDAY_NAME;     // 国民の休日

// Day of March (which = 0) or September (which = 1) on which the equinox holiday falls.
int EquinoxDay(int year, int which);

// Index of the first named-holiday row the date matches, or -1.
int FindHoliday(const HolidayDate& date);

// Name of the day off on that date (named, substitute or bridge holiday), or null.
// `weekday` is used for the date's own named-holiday match, as in FindHoliday;
// the neighbouring days are judged by the calendar.
const wchar_t* HolidayName(int year, int month, int day, int weekday);
