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

    // Only days of the displayed month can be edited. False = the file could
    // not be written (or the cell is not a day of the month); the edit stays in memory.
    bool SetMemo(int column, int row, const std::wstring& text);
    bool SetMemorial(int column, int row, const std::wstring& name, const std::wstring& picture);

    std::wstring DataFilePath() const;
    // Where a save writes the new file before it replaces the old one.
    std::wstring TempFilePath() const;
    // Offsets of the displayed month's blocks within their sections, -1 when none.
    std::int64_t MemoBlockPosition() const { return memoBlock_; }
    std::int64_t MemorialBlockPosition() const { return memorialBlock_; }

private:
    static constexpr int CELLS = COLUMNS * ROWS;

    // Memos and memorial days take one path through loading, editing and saving.
    enum class Kind { Memo, Memorial };
    // One day's entry: a memo's text, or a memorial day's name (text) and picture.
    struct Entry {
        Kind kind = Kind::Memo;
        int day = 0;
        std::wstring text;
        std::wstring picture;
    };

    // Both kinds of the displayed month from the file, then the edits made
    // while it could not be read on top; false when it exists but cannot be read.
    bool LoadDayData();
    // One kind; false when the file exists but could not be read.
    bool Load(Kind kind);
    // An edit's rule: an empty text removes the day's entry of that kind.
    static void Apply(DayRecord& cell, const Entry& entry);
    bool Edit(int column, int row, Entry entry);
    bool Save(Kind kind);
    std::int32_t KeyOf(Kind kind) const { return kind == Kind::Memo ? year_ * 100 + month_ : month_; }
    std::int64_t& BlockOf(Kind kind) { return kind == Kind::Memo ? memoBlock_ : memorialBlock_; }

    // The cell of day `day` of the displayed month, or null for a day the month lacks.
    DayRecord* ShownDay(int day);

    std::array<DayRecord, CELLS> cells_{}; // date order: index = row * 7 + column
    int year_ = 0;
    int month_ = 0;
    std::uint32_t restMask_ = 1; // bit n = weekday n is a rest day
    std::int64_t memoBlock_ = -1;
    std::int64_t memorialBlock_ = -1;
    // The cells hold the file's memos and memorial days of the month: a save may write.
    bool loaded_ = false;
    // Memorial entries for a day this year lacks (29 February in a common year):
    // not shown, but written back by every save of the month.
    std::vector<Entry> hiddenMemorials_;
    // Edits made while the month's entries could not be read: put back over a late load,
    // so the next save that succeeds writes them too.
    std::vector<Entry> pending_;
    std::wstring directory_;
    std::function<std::chrono::year_month_day()> today_;
};
