// Reminders: memo lines that start with a time, the appointments of a range of
// days from every source, and the scheduler that decides what is due now and
// when to look again.
#pragma once
#include "calendar/TimeZones.h"

#include <chrono>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class FeedShelf;

namespace reminders {

using ZonePtr = std::shared_ptr<const tz::TimeZone>;

using Millis = std::chrono::sys_time<std::chrono::milliseconds>;

// A reminder comes up to this long after its appointment started (after a sleep
// or when the program was not running); older ones are dropped.
constexpr std::chrono::minutes kLateLimit{15};
// The longest lead taken from an event's own alarm.
constexpr std::chrono::minutes kMaxLead = std::chrono::days{7};
// The timer never waits longer than this before looking again.
constexpr std::chrono::minutes kMaxWait{60};

struct MemoTime {
    std::chrono::minutes start{};
    std::wstring text;
};

// "H:MM" or "HH:MM" (half- or full-width, 0:00-23:59), optionally followed by a
// range to an end time ("〜11:00", "-11:00"), then a blank or the end of the line.
// The text is the rest after the blanks. Anything else is no appointment.
std::optional<MemoTime> ParseMemoTime(std::wstring_view line);

// Something to be reminded of. Its identity is all of it: an edited time or
// text makes a new appointment.
struct Appointment {
    std::chrono::local_seconds start{}; // the computer's local time
    std::wstring kind;                  // empty: a memo line; else the online calendar's name
    std::wstring text;
    std::optional<std::chrono::minutes> lead; // its own (an event's alarm); else the setting's

    auto operator<=>(const Appointment&) const = default;
};

// The appointments that start on local days first..last; null when they could not be read.
using Source =
    std::function<std::optional<std::vector<Appointment>>(std::chrono::local_days first, std::chrono::local_days last)>;

// The timed memo lines of the data file's memo section.
std::vector<Appointment> MemoAppointments(std::span<const std::uint8_t> file, std::chrono::local_days first,
                                          std::chrono::local_days last);
// The same from the file at `dataPath`, read afresh at every call; a missing file has none.
Source MemoSource(std::wstring dataPath);
// The timed events of the shelf's shown online calendars, named by their calendar, each with
// its own alarm's lead; the shelf must outlive the source.
Source FeedSource(const FeedShelf& shelf);

struct Reminder {
    Appointment appointment;
    std::chrono::sys_seconds fire{};
    std::chrono::sys_seconds start{};
};

struct Options {
    bool enabled = true;
    std::chrono::minutes lead{10};
};

// Every reminder that fires on local days first..last, in order, as the
// program would show them; null when a source could not be read.
std::optional<std::vector<Reminder>> Listing(std::span<const Source> sources, const tz::TimeZone& zone,
                                             const Options& options, std::chrono::local_days first,
                                             std::chrono::local_days last);

// Decides what is due. The moment of the last reminder shown is kept (in
// qv.ini, as local time): whatever fires at or before it counts as reminded,
// across restarts. Within a run, an appointment that appears after the last
// look (a memo written or edited) is new even when its moment has passed, and
// is reminded unless it started more than kLateLimit ago.
class Scheduler {
public:
    Scheduler();

    void AddSource(Source source) { sources_.push_back(std::move(source)); }
    std::span<const Source> Sources() const { return sources_; }
    // Test seams: the current moment and the computer's zone.
    void SetClock(std::function<Millis()> now, std::function<ZonePtr()> zone);
    ZonePtr Zone() const { return zone_(); }
    Millis Now() const { return now_(); }

    void SetLastShown(std::optional<std::chrono::local_seconds> local);
    // In the zone the computer is in now.
    std::optional<std::chrono::local_seconds> LastShown() const;

    struct Plan {
        std::vector<Reminder> due;  // by start, then as the sources gave them
        std::optional<Millis> next; // when to look again; none while reminders are off
    };
    Plan Evaluate(const Options& options);
    // The reminders the user was shown; they are never due again.
    void MarkShown(std::span<const Reminder> shown);

private:
    bool IsNew(const Appointment& a) const;

    std::vector<Source> sources_;
    std::function<Millis()> now_;
    std::function<ZonePtr()> zone_;
    std::optional<std::chrono::sys_seconds> lastShown_;
    std::set<Appointment> shown_;
    // What the last complete look found, and over which days.
    struct Look {
        std::chrono::local_days first, last;
        std::set<Appointment> found;
    };
    std::optional<Look> previous_;
};

} // namespace reminders
