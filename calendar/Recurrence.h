// Recurrence rules (RRULE) and the instances they give, in the wall-clock time
// of the event's own zone, always within a window asked for.
#pragma once
#include "calendar/ICalendar.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace recur {

enum class Frequency { Daily, Weekly, Monthly, Yearly };

struct WeekdayNum {
    int ordinal = 0; // 0: every such weekday; 1 the first, -1 the last, ...
    int weekday = 0; // 0 = Sunday ... 6 = Saturday
};

struct Rule {
    Frequency frequency = Frequency::Daily;
    int interval = 1;
    std::optional<std::int64_t> count;
    std::optional<ical::DateTime> until; // as written: a date, a UTC or a wall-clock time
    std::vector<int> byMonth, byMonthDay, byYearDay, byWeekNo, bySetPos, byHour, byMinute, bySecond;
    std::vector<WeekdayNum> byDay;
    int weekStart = 1; // Monday
};

// The value of an RRULE. Null when it cannot be read, or its FREQ is finer than
// a day (the event then keeps its first occurrence only).
std::optional<Rule> ParseRule(std::string_view value);

// A rule bound to its first instance. Instances are wall-clock times of the
// event's zone; an all-day event's are midnights.
class Recurrence {
public:
    // Kept instances per event and window; a window never yields more.
    static constexpr std::size_t kMaxPerWindow = 4000;

    // `until` is the rule's UNTIL as a wall-clock time of the event's zone (the
    // caller converts a UTC value); a COUNT is counted from `start` once, here.
    Recurrence(const Rule& rule, std::chrono::local_seconds start, std::optional<std::chrono::local_seconds> until);

    // The instances with from <= t <= to, in order, at most `cap`. The start is
    // always an instance, matching the rule or not.
    void Expand(std::chrono::local_seconds from, std::chrono::local_seconds to, std::size_t cap,
                std::vector<std::chrono::local_seconds>& out) const;

    // The last instance when the series ends (by UNTIL, or by COUNT found at construction).
    std::optional<std::chrono::local_seconds> Last() const { return last_; }

private:
    using Days = std::chrono::local_days;

    // Index of the period holding that day (negative before the first one).
    std::int64_t PeriodOf(Days day) const;
    Days PeriodStart(std::int64_t k) const;
    // Every candidate of period k, sorted; days outside [clipFrom, clipTo] may be left out
    // (none are when clipFrom > clipTo).
    void PeriodInstances(std::int64_t k, Days clipFrom, Days clipTo,
                         std::vector<std::chrono::local_seconds>& out) const;
    // `withinMonth`: BYDAY ordinals count within the day's month rather than its year.
    bool DayMatches(Days day, int periodYear, bool withinMonth) const;
    // Counts instances from period `from` on until `count` is reached or `limit` periods were walked.
    struct Walk {
        std::int64_t period = 0;
        std::int64_t counted = 0;
        std::optional<std::chrono::local_seconds> reached; // the COUNT-th instance
        bool ended = false;                                // UNTIL or the last year came first
    };
    Walk CountFrom(Walk walk, std::int64_t limit) const;

    Rule rule_;
    std::chrono::local_seconds start_;
    Days startDay_;
    std::chrono::seconds startTime_;
    std::vector<std::chrono::seconds> times_; // the times of day of each instance day, sorted
    std::optional<std::chrono::local_seconds> last_;
    // A COUNT not reached by the walk at construction: counting goes on from here when asked.
    std::optional<Walk> openCount_;
    bool fullPeriods_ = false; // BYSETPOS picks among a whole period's candidates
    unsigned weekdays_ = 0x7F; // bit n: weekday n can match
};

} // namespace recur
