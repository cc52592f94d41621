// The iCalendar text format (RFC 5545) as far as memos and memorial days need
// it: writing all-day events, and reading the events of files that other
// calendar programs write. Pure functions over bytes and texts.
#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ical {

// A DATE (hour < 0) or a DATE-TIME, as written in the file.
struct DateTime {
    int year = 0, month = 0, day = 0;
    int hour = -1, minute = 0, second = 0;
    bool utc = false;

    bool IsDate() const { return hour < 0; }
    std::chrono::sys_days Day() const;
    bool operator==(const DateTime&) const = default;
};

// TEXT values: backslash, semicolon, comma and line breaks escaped; the result is UTF-8.
std::string EscapeText(std::wstring_view text);
// The reverse; "\n" becomes CR LF, as memos hold line breaks. Null for invalid UTF-8.
std::optional<std::wstring> UnescapeText(std::string_view value);
std::string ToUtf8(std::wstring_view text);
std::optional<std::wstring> FromUtf8(std::string_view text);
// One content line, folded at 75 octets without splitting a UTF-8 sequence, each piece ending in CR LF.
std::string FoldLine(std::string_view line);
// "YYYYMMDD" or "YYYYMMDDTHHMMSS" with an optional "Z"; null when malformed or not a real date.
std::optional<DateTime> ParseDateTime(std::string_view value);
// "[+-]P...": weeks, days, hours, minutes, seconds; null when malformed.
std::optional<std::chrono::seconds> ParseDuration(std::string_view value);

struct MemoDay {
    int year = 0, month = 0, day = 0;
    std::wstring text;
};
struct MemorialDay {
    int month = 0, day = 0;
    std::wstring name, picture;
};

// A whole VCALENDAR: memos as all-day events, memorial days as yearly ones.
std::string WriteCalendar(std::span<const MemoDay> memos, std::span<const MemorialDay> memorials,
                          const DateTime& stampUtc);

struct Event {
    int line = 0; // where its BEGIN stands
    std::optional<DateTime> start, end;
    std::string startZone, endZone; // their TZID parameters; empty for none
    std::optional<std::chrono::seconds> duration;
    std::map<std::string, std::string> rule; // RRULE parts, names upper case; empty when none
    std::wstring summary, description, picture;
};

enum class ParseError { None, NotCalendar, Unclosed, BadLine };

// One content line: NAME;PARAM=value:value.
struct Property {
    std::string name;                          // upper case
    std::map<std::string, std::string> params; // names upper case, quotes removed, several values joined by ','
    std::string value;                         // as written (escapes kept), valid UTF-8
    int line = 0;                              // 1-based physical line where it starts
};

// A BEGIN ... END block with its properties and nested blocks, in file order.
struct Component {
    std::string name; // upper case: VCALENDAR, VEVENT, VTIMEZONE, STANDARD, DAYLIGHT, VALARM, ...
    int line = 0;     // where its BEGIN stands
    std::vector<Property> properties;
    std::vector<Component> children;

    // The first property of that name, or null.
    const Property* Find(std::string_view propertyName) const;
};

struct ParsedComponents {
    std::vector<Component> calendars; // every top-level VCALENDAR
    ParseError error = ParseError::None;
    int errorLine = 0; // 1-based physical line
};

// The component tree of a whole file: a byte-order mark, LF or CR LF line
// ends and names in any letter case are accepted; folded lines are joined.
ParsedComponents ParseComponents(std::string_view bytes);

struct ParsedCalendar {
    std::vector<Event> events;
    // The file's VTIMEZONEs as its children and its X-WR-TIMEZONE, for reading the events' times.
    Component zones;
    ParseError error = ParseError::None;
    int errorLine = 0; // 1-based physical line
};

// The VEVENTs of a file; anything else (VTODO, VJOURNAL, VALARM, VTIMEZONE,
// unknown properties) is skipped. A byte-order mark, LF or CR LF line ends and
// names in any letter case are accepted.
ParsedCalendar ParseCalendar(std::string_view bytes);

} // namespace ical
