// The displayed month as six week rows of seven weekday cells, and the day
// data of that month in the data file.
#pragma once
#include "calendar/DayDataFormat.h"
#include "calendar/DayRecord.h"
#include "calendar/FileIO.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// A memorial day's entry: a name and an optional picture.
struct Memorial {
    std::wstring name;
    std::wstring picture;
    bool operator==(const Memorial&) const = default;
};

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

    // The grid and the month's day data anew; edits kept while the file could
    // not be written are written once it can be read.
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

    // One day's memo, written at once: only that day's entry changes in the file
    // as it is now. `base` is the memo the edit started from; lines another
    // writer added since are kept (MergeMemo). False when the file could not be
    // read or written (LastError says why): the edit is then kept, shown, and
    // written by the next save that succeeds, in any month.
    bool SetMemo(std::chrono::year_month_day date, const std::wstring& text, const std::wstring& base);
    // A memorial day's entry, the same way: an entry the user left as `base`
    // keeps what is stored now; an empty name removes the entry.
    bool SetMemorial(std::chrono::month_day date, const Memorial& entry, const Memorial& base);
    // The same for a cell of the displayed month, over what the cell shows;
    // false for a cell of another month.
    bool SetMemo(int column, int row, const std::wstring& text);
    bool SetMemorial(int column, int row, const std::wstring& name, const std::wstring& picture);
    // Writes the edits kept while the file could not be written; true when none is left.
    bool SavePending();
    bool HasPending() const { return !pending_.empty(); }
    // Why the last save failed.
    const FileError& LastError() const { return lastError_; }
    // Why the file could not be read when the month was last shown; no error
    // when it was read or does not exist.
    const FileError& ReadError() const { return readError_; }
    // The cell of a date of the displayed month, or null.
    const DayRecord* ShownDate(std::chrono::year_month_day date) const;

    std::wstring DataFilePath() const;
    // Where a save writes the new file before it replaces the old one.
    std::wstring TempFilePath() const;

private:
    static constexpr int CELLS = COLUMNS * ROWS;

    enum class Kind { Memo, Memorial };
    // One day's edit: a memo's text, or a memorial day's name (text) and
    // picture, with what the edit started from.
    struct Edit {
        Kind kind = Kind::Memo;
        std::int32_t key = 0; // year * 100 + month for a memo, the month for a memorial day
        int day = 0;
        std::wstring text, picture;
        std::wstring baseText, basePicture;
    };

    // Both kinds of the displayed month from one read of the file, then the
    // edits not yet written on top.
    void LoadDayData();
    // The cells' memos and memorial days as the file's bytes hold them.
    void ShowData(std::span<const std::uint8_t> file);
    // The edits of the displayed month over the cells.
    void Show(const std::vector<Edit>& edits);
    // An edit's rule on a cell: an empty text removes the day's entry of that kind.
    static void Apply(DayRecord& cell, Kind kind, const std::wstring& text, const std::wstring& picture);
    std::int32_t KeyOf(Kind kind) const { return kind == Kind::Memo ? year_ * 100 + month_ : month_; }
    bool Save(Edit edit);
    // Inside the file's lock: the file as it is now with these edits, in one replacement.
    bool Write(const std::vector<Edit>& edits);
    bool Failed(FileError error);

    // The cell of day `day` of the displayed month, or null (-1) for a day the month lacks.
    DayRecord* ShownDay(int day);
    int DayIndex(int day) const;

    std::array<DayRecord, CELLS> cells_{}; // date order: index = row * 7 + column
    int year_ = 0;
    int month_ = 0;
    std::uint32_t restMask_ = 1; // bit n = weekday n is a rest day
    // Edits not written yet because the file could not be read or written, oldest first.
    std::vector<Edit> pending_;
    FileError lastError_;
    FileError readError_;
    std::wstring directory_;
    std::function<std::chrono::year_month_day()> today_;
};
