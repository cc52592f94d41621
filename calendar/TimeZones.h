// Time zones as calendar files name them: the file's own VTIMEZONEs, Windows
// zone names, and IANA names mapped to Windows zones by CLDR's table; and the
// computer's own zone, in which everything is shown.
#pragma once
#include "calendar/ICalendar.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tz {

class TimeZone {
public:
    virtual ~TimeZone() = default;
    // Local time minus UTC at that instant.
    virtual std::chrono::seconds OffsetAt(std::chrono::sys_seconds utc) const = 0;

    std::chrono::local_seconds ToLocal(std::chrono::sys_seconds utc) const;
    // A wall-clock time to UTC. A time the clocks skip is read with the offset before the
    // change, a time they pass twice is the first one (RFC 5545).
    std::chrono::sys_seconds ToUtc(std::chrono::local_seconds wall) const;
};

class FixedZone final : public TimeZone {
public:
    explicit FixedZone(std::chrono::seconds offset) : offset_(offset) {}
    std::chrono::seconds OffsetAt(std::chrono::sys_seconds) const override { return offset_; }

private:
    std::chrono::seconds offset_;
};

const TimeZone& Utc();

// The transitions a VTIMEZONE lists: each STANDARD and DAYLIGHT onset with its RRULE and RDATEs.
class TransitionZone final : public TimeZone {
public:
    // Null when the component names no usable onset.
    static std::shared_ptr<const TransitionZone> FromComponent(const ical::Component& vtimezone);
    std::chrono::seconds OffsetAt(std::chrono::sys_seconds utc) const override;

private:
    std::chrono::seconds before_{};                                                  // before the first transition
    std::vector<std::pair<std::chrono::sys_seconds, std::chrono::seconds>> changes_; // sorted by instant
};

// A zone as Windows keeps it: a rule of standard and daylight time per year
// (TIME_ZONE_INFORMATION), the first year's rule before it and the last's after it.
class WindowsRuleZone final : public TimeZone {
public:
    struct Change {
        int month = 0;   // 0: no daylight time
        int week = 0;    // 1-4, 5 the last; or the day of month when `absolute`
        int weekday = 0; // 0 = Sunday
        int seconds = 0; // of the day, local time before the change
        bool absolute = false;
    };
    struct YearRule {
        int bias = 0; // minutes: UTC = local + bias
        int standardBias = 0, daylightBias = 0;
        Change toStandard, toDaylight;
    };
    WindowsRuleZone(int firstYear, std::vector<YearRule> rules);
    std::chrono::seconds OffsetAt(std::chrono::sys_seconds utc) const override;

    // The TZI record of the registry (and of TIME_ZONE_INFORMATION): 44 bytes.
    static bool FromTzi(const unsigned char* bytes, std::size_t size, YearRule& rule);

private:
    // The changes of one year, worked out once for the years most calendars show.
    struct Year {
        std::chrono::seconds standard{}, daylight{};
        bool hasDaylight = false;
        std::chrono::sys_seconds start, end; // of daylight time
    };
    static constexpr int kFirstYear = 1900, kLastYear = 2200;
    const YearRule& RuleOf(int year) const;
    Year Compute(int year) const;
    int firstYear_;
    std::vector<YearRule> rules_;
    std::vector<Year> years_; // kFirstYear..kLastYear
};

// The computer's zone as the system reports it, read once.
std::shared_ptr<const TimeZone> ComputerZone();
// Reads it again (after the user or the system changed it).
void ReloadComputerZone();
// A Windows zone by its key under the registry's Time Zones; null when unknown.
std::shared_ptr<const TimeZone> WindowsZone(std::wstring_view keyName);
// The Windows zone that CLDR maps an IANA name to; empty when none.
std::wstring_view WindowsZoneNameOf(std::string_view iana);

// The zones one calendar names: its VTIMEZONEs, else Windows names, else IANA names.
class ZoneResolver {
public:
    ZoneResolver() = default;
    // The calendar's VTIMEZONE children, and X-WR-TIMEZONE for its floating times.
    explicit ZoneResolver(const ical::Component& calendar);

    // Null when the name means nothing known: its times are then read as floating ones.
    std::shared_ptr<const TimeZone> Find(std::string_view tzid) const;
    // The zone of floating times, or null: they then stay as written.
    const std::shared_ptr<const TimeZone>& Floating() const { return floating_; }

    // A time as written, with the TZID that came with it (empty for none), in the
    // computer's local time; a date stays as it is.
    ical::DateTime ToComputerTime(const ical::DateTime& time, std::string_view tzid) const;

private:
    std::map<std::string, std::shared_ptr<const TimeZone>, std::less<>> own_;
    std::shared_ptr<const TimeZone> floating_;
};

// Conversions between the reader's date-times and the clock types.
std::chrono::local_seconds WallOf(const ical::DateTime& time);
ical::DateTime DateTimeOf(std::chrono::local_seconds wall);

} // namespace tz
