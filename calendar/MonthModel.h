// The displayed month as six week rows of seven weekday cells, and the day
// data of that month in the data file.
#pragma once
#include "calendar/DayDataFormat.h"
#include "calendar/DayRecord.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MonthModel {
public:
    static constexpr int COLUMNS = 7;
    static constexpr int ROWS = 6;
    static constexpr int FIRST_YEAR_STEP = 1981; // year steps stay within these years
    static constexpr int LAST_YEAR_STEP = 2098;

    // Directory with its trailing backslash; empty = the executable's directory.
    explicit MonthModel(std::wstring dataDirectory = {});

    void SetDataDirectory(std::wstring dir);
    // Source of today's date; the default reads the local clock.
    void SetClock(std::function<std::chrono::year_month_day()> today);

    int Year() const { return year_; }
    int Month() const { return month_; }

    void Rebuild();
    void ShowThisMonth();
    // Any year and month (1-12), then Rebuild.
    void Show(int year, int month);
    void NextMonth();
    void PrevMonth();
    void NextYear();
    void PrevYear();
    void SetMonth(int m);

    // The cell flagged DAY_TODAY, scanning column by column; null when today is not in the grid.
    DayRecord* FindToday();
    const DayRecord& Cell(int column, int row) const;
    DayRecord& Cell(int column, int row);

    // Loads of the displayed month; false when the file exists but could not be read.
    bool LoadMemos(int year, int month);
    bool LoadMemorials(int month);

    // Only days of the displayed month can be edited. False = the file could
    // not be written (or the cell is not a day of the month); the edit stays in memory.
    bool SetMemo(int column, int row, const std::wstring& text);
    bool SetMemorial(int column, int row, const std::wstring& name, const std::wstring& picture);
    bool SaveMemos(int year, int month);
    bool SaveMemorials(int month);

    std::wstring DataFilePath() const;
    // Where a save writes the new file before it replaces the old one.
    std::wstring TempFilePath() const;
    // Offsets of the displayed month's blocks within their sections, -1 when none.
    std::int64_t MemoBlockPosition() const { return memoBlock_; }
    std::int64_t MemorialBlockPosition() const { return memorialBlock_; }

private:
    static constexpr int CELLS = COLUMNS * ROWS;

    using SpliceFunction = std::optional<dayfile::Spliced> (*)(std::span<const std::uint8_t>, std::int32_t,
                                                               std::span<const std::uint8_t>);
    bool WriteSpliced(SpliceFunction splice, std::int32_t key, std::span<const std::uint8_t> block,
                      std::int64_t& position);

    // The cell of day `day` of the displayed month, or null for a day the month lacks.
    DayRecord* ShownDay(int day);
    bool IsShown(int year, int month) const { return year == year_ && month == month_ && month_ >= 1; }

    std::array<DayRecord, CELLS> cells_{}; // date order: index = row * 7 + column
    int year_ = 0;
    int month_ = 0;
    std::uint32_t restMask_ = 1; // bit n = weekday n is a rest day
    std::int64_t memoBlock_ = -1;
    std::int64_t memorialBlock_ = -1;
    bool memosLoaded_ = false;
    bool memorialsLoaded_ = false;
    // Memorial entries for a day this year lacks (29 February in a common year):
    // not shown, but written back by every save of the month.
    std::vector<dayfile::MemorialEntry> hiddenMemorials_;
    // Edits made while the month's entries could not be read: put back over a late load,
    // so the next save that succeeds writes them too.
    std::vector<dayfile::MemoEntry> pendingMemos_;
    std::vector<dayfile::MemorialEntry> pendingMemorials_;
    std::wstring directory_;
    std::function<std::chrono::year_month_day()> today_;
};
