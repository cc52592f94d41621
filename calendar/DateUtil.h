// Gregorian date arithmetic shared by the month grid and the holiday rules.
#pragma once

// Leap years: divisible by 4, and not by 100 unless by 400.
bool IsLeapYear(int year);

// Days in month 1-12 of the given year; 0 for a month outside 1-12.
int DaysInMonth(int year, int month);

// Weekday of a date, 0 = Sunday ... 6 = Saturday.
int DayOfWeek(int year, int month, int day);

// Moves a date by `delta` days across month and year ends.
void AddDays(int& year, int& month, int& day, int delta);
