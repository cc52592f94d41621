// Every memo and memorial day of the data file at once, for the exchange with
// other calendars: export to an iCalendar file, and an import merged into the
// data file in one atomic save.
#pragma once
#include "calendar/DayDataFormat.h"
#include "calendar/ICalendar.h"

#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace exchange {

// The data file's entries as the calendar shows them: the first block of a key
// and the first entry of a day win.
struct DayData {
    std::map<std::int32_t, std::map<int, std::wstring>> memos; // year * 100 + month -> day -> text
    std::map<int, std::map<int, dayfile::MemorialEntry>> memorials;
    std::set<std::int32_t> changedMemos;
    std::set<int> changedMemorials;
};

DayData ReadDayData(std::span<const std::uint8_t> file);
// The old file with the changed months' blocks replaced (new blocks lead their
// section); everything else passes through byte for byte. Null when a block does not fit.
std::optional<std::vector<std::uint8_t>> MergedFile(std::span<const std::uint8_t> file, const DayData& data);

std::vector<ical::MemoDay> MemoDays(const DayData& data);
std::vector<ical::MemorialDay> MemorialDays(const DayData& data);

struct ImportCounts {
    int memoLines = 0, memorials = 0, duplicates = 0, skipped = 0, recurring = 0;
    int outOfRange = 0; // days outside the years 1-9999, which no export could write again
};

// UTC date-time to the computer's local time.
using ToLocalTime = std::function<ical::DateTime(const ical::DateTime&)>;
ical::DateTime SystemLocalTime(const ical::DateTime& utc);

// Adds the events to `data`: memo lines on the days they cover, yearly all-day
// events as memorial days; lines a memo already holds are not added again.
ImportCounts MergeEvents(DayData& data, std::span<const ical::Event> events, const ToLocalTime& toLocal);

enum class Status { Done, Refused, Failed }; // Failed: a file could not be read or written
struct Outcome {
    Status status = Status::Failed;
    ical::ParseError error = ical::ParseError::None;
    int line = 0;
    ImportCounts counts;
    int memoCount = 0, memorialCount = 0; // exported
    unsigned reason = 0;                  // a refused export: the string that says why
};

// Writes every memo and memorial day to `icsPath` through a temporary file of
// its own and one rename. Refused, with the reason, when `icsPath` is a folder
// or device, or one of the files the program keeps beside `dataPath`.
Outcome ExportDayData(const std::wstring& dataPath, const std::wstring& icsPath);
// Reads `icsPath` and merges it into the data file, replacing it through `tempPath`;
// a refused or failed import leaves the data file as it was.
Outcome ImportDayData(const std::wstring& dataPath, const std::wstring& tempPath, const std::wstring& icsPath,
                      const ToLocalTime& toLocal = SystemLocalTime);

} // namespace exchange
