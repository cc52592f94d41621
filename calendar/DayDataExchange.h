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
};

// A time as written (UTC, floating, or with the TZID given) to the computer's local time.
using ToLocalTime = std::function<ical::DateTime(const ical::DateTime& time, const std::string& tzid)>;

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
};

// Writes every memo and memorial day to `icsPath` through a temporary file.
Outcome ExportDayData(const std::wstring& dataPath, const std::wstring& icsPath);
// Reads `icsPath` and merges it into the data file, replacing it through `tempPath`;
// a refused or failed import leaves the data file as it was. Times are read through the
// file's own zones (tz::ZoneResolver) unless `toLocal` is given.
Outcome ImportDayData(const std::wstring& dataPath, const std::wstring& tempPath, const std::wstring& icsPath,
                      const ToLocalTime& toLocal = {});

} // namespace exchange
