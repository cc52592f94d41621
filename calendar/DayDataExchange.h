// Every memo and memorial day of the data file at once, for the exchange with
// other calendars: export to an iCalendar file, and an import merged into the
// data file in one atomic save.
#pragma once
#include "app/Win.h"
#include "calendar/DayDataFormat.h"
#include "calendar/ICalendar.h"

#include <chrono>
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

// Why an event was left out (skipped) or written in part (shortened).
enum class NoteReason {
    NoStart,    // no DTSTART
    NoTitle,    // nothing to write
    OutOfRange, // days before year 1 or after 9999
    TooLong,    // more than kMaxEventDays days: the first ones only
    LineCut,    // a line longer than dayfile::kMaxMemoLine
    DayFull,    // the day's memo (or memorial name) would pass its cap
};
struct ImportNote {
    NoteReason reason = NoteReason::NoStart;
    std::wstring title; // the event's first line, cut for a message
    int line = 0;       // where its BEGIN stands
};

constexpr int kMaxEventDays = 31;    // a longer event is written on its first days
constexpr std::size_t kMaxNotes = 5; // events named in the result

struct ImportCounts {
    int memoLines = 0, memorials = 0, duplicates = 0, skipped = 0, recurring = 0;
    int shortened = 0;
    int sharedMemorials = 0;       // of `memorials`: a name added to a memorial day that had another
    std::vector<ImportNote> notes; // the first kMaxNotes events skipped or shortened
};

// A time as written (UTC, floating, or with the TZID given) to the computer's local time.
using ToLocalTime = std::function<ical::DateTime(const ical::DateTime& time, const std::string& tzid)>;
std::chrono::sys_days SystemToday();

// Adds the events to `data`: memo lines on the days they cover, yearly all-day events
// that still recur on or after `today` as memorial days (a second one on a taken day adds
// its name to it). Only the lines a memo does not hold yet are added, within the caps of
// the day-data format.
ImportCounts MergeEvents(DayData& data, std::span<const ical::Event> events, const ToLocalTime& toLocal,
                         std::chrono::sys_days today = SystemToday());

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

// The string that says why a file written on the user's request must not be
// `target`, or 0: never a folder, never the files kept beside the data file.
UINT RefusedExportTarget(const std::wstring& dataPath, const std::wstring& target);

// The import's one atomic save: reads the data file, merges the events and replaces the
// file, inside the data file's lock; merged again when the file changed meanwhile (an edit
// in the calendar). False when it could not be read or written: then it is as it was.
bool MergeIntoDataFile(const std::wstring& dataPath, std::span<const ical::Event> events, const ToLocalTime& toLocal,
                       ImportCounts& counts);
// Reads and parses `icsPath` (Refused when it is no calendar), then MergeIntoDataFile. Times
// are read through the file's own zones (tz::ZoneResolver) unless `toLocal` is given.
Outcome ImportDayData(const std::wstring& dataPath, const std::wstring& icsPath, const ToLocalTime& toLocal = {});

} // namespace exchange
