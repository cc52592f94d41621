// An online calendar's events, read once per download: single events, the
// series of recurring ones with their exceptions and overrides, and the zones
// they name; expanded into occurrences in the computer's time for any days.
#pragma once
#include "calendar/ICalendar.h"
#include "calendar/Recurrence.h"
#include "calendar/TimeZones.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct Occurrence {
    std::chrono::local_seconds start, end; // the computer's local time; all-day: midnights
    bool allDay = false;
    std::wstring summary, location;
    std::optional<std::chrono::minutes> alarmLead; // a VALARM's relative trigger before start
};

class FeedCalendar {
public:
    // Reads a whole feed. A file that is not iCalendar, is cut short or has a
    // broken line is refused with its line, and then holds no events.
    static FeedCalendar Parse(std::string_view bytes);

    ical::ParseError Error() const { return error_; }
    int ErrorLine() const { return errorLine_; }
    // Series, single events and overrides, as kept.
    std::size_t EventCount() const { return events_.size(); }

    // The occurrences that touch the local days first..last (inclusive), in the
    // computer's local time, sorted by start; cancelled ones are left out.
    std::vector<Occurrence> Expand(std::chrono::local_days first, std::chrono::local_days last) const;
    // The same, shown in `shownIn` rather than the computer's zone.
    std::vector<Occurrence> Expand(std::chrono::local_days first, std::chrono::local_days last,
                                   const tz::TimeZone& shownIn) const;
    // Whether any occurrence touches each of the days (element i: day first + i): what a month's
    // marks need, without the texts and the order Expand makes.
    std::vector<bool> BusyDays(std::chrono::local_days first, std::chrono::local_days last,
                               const tz::TimeZone& shownIn) const;

private:
    struct Event {
        std::chrono::local_seconds start;   // wall-clock time in `zone`; an all-day event's midnight
        const tz::TimeZone* zone = nullptr; // null: a floating time, shown as written
        bool allDay = false;
        std::chrono::seconds length{0}; // exact for timed events, whole days for all-day ones
        std::unique_ptr<recur::Recurrence> recurrence;
        std::vector<std::chrono::local_seconds> extra;    // RDATEs, in `zone`
        std::vector<std::int64_t> skipped;                // instances removed (EXDATE, overrides), by Identity
        std::vector<std::chrono::local_days> skippedDays; // EXDATE dates of a timed series
        std::int64_t from = 0, to = 0; // seconds about the first start and last end, for a quick test
        std::wstring summary, location;
        std::optional<std::chrono::minutes> alarmLead;
    };
    // Compares instances whatever zone their times were written in.
    static std::int64_t Identity(std::chrono::local_seconds wall, const tz::TimeZone* zone);
    struct Reader;
    // Calls visit(event, start, end) for each occurrence that touches the days, unordered.
    template <class Visit> void ForEach(std::chrono::local_days first, std::chrono::local_days last,
                                        const tz::TimeZone& shownIn, Visit&& visit) const;

    std::vector<Event> events_;
    std::vector<std::shared_ptr<const tz::TimeZone>> zones_; // what the events' zone pointers point to
    ical::ParseError error_ = ical::ParseError::None;
    int errorLine_ = 0;
};
