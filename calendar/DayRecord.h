// One cell of the month grid: its own date, what kind of day it is, and the user's data for it.
#pragma once
#include <cstdint>
#include <string>

enum : std::uint32_t {
    DAY_REST = 0x2,
    DAY_HOLIDAY = 0x4,
    DAY_MEMO = 0x8,
    DAY_MEMORIAL = 0x10,
    DAY_TODAY = 0x20,
    DAY_SATURDAY = 0x40,
    DAY_PREV_MONTH = 0x80,
    DAY_NEXT_MONTH = 0x100,
};

struct DayRecord {
    int year = 0, month = 0, day = 0;
    std::uint32_t flags = 0;
    int weekday = 0;
    const wchar_t* holidayName = nullptr; // borrowed from the constant holiday table
    std::wstring memo, memorialName, memorialPicture;

    bool InShownMonth() const { return (flags & (DAY_PREV_MONTH | DAY_NEXT_MONTH)) == 0; }
    bool HasInfo() const { return (flags & (DAY_HOLIDAY | DAY_MEMO | DAY_MEMORIAL)) != 0; }
};
