// The agenda: what the calendar shows for a range of days (holidays, memos,
// memorial days, the shown subscriptions' events) as lines of text.
#pragma once
#include "calendar/DayDataExchange.h"
#include "calendar/FeedShelf.h"

#include <chrono>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace agenda {

// The longest range one agenda covers.
constexpr int kMaxDays = 366;

struct Line {
    std::chrono::local_days day;
    int rank = 0; // holiday, memo, memorial day, then events
    bool allDay = true;
    int from = 0, to = 24 * 60;
    int source = 0;
    std::wstring kind, text;
};

// Every item of the days first..last, sorted by date, then all-day items, then start time.
std::vector<Line> Collect(std::chrono::local_days first, std::chrono::local_days last, const exchange::DayData& data,
                          const FeedShelf& feeds, const tz::TimeZone& shownIn);
// UTF-8 without a byte-order mark, CR LF line ends; per line the date, "終日" or
// "HH:MM-HH:MM", the kind and the text, separated by tabs.
std::string Format(std::span<const Line> lines);
// "YYYY-MM-DD"; null when malformed or not a real date.
std::optional<std::chrono::local_days> ParseDate(std::wstring_view text);

} // namespace agenda

// `Mosaryn.exe /agenda <first> <last> <file>`: reads qv.ini, qv.dat and the kept copies in
// `dataDirectory` (empty: the program's folder) without fetching and writes the agenda to
// `path`. 0 done, 1 a file could not be read or written, 2 bad arguments; `line` says which.
int RunAgenda(const std::wstring& first, const std::wstring& last, const std::wstring& path, std::wstring& line,
              const std::wstring& dataDirectory = {});
