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

// TEXT values: backslash, semicolon, comma and line breaks (CR LF, LF or a lone CR) escaped,
// other control characters but TAB dropped; the result is UTF-8.
std::string EscapeText(std::wstring_view text);
// The reverse; "\n" becomes CR LF, as memos hold line breaks; other control characters
// but TAB are dropped. Null for invalid UTF-8.
std::optional<std::wstring> UnescapeText(std::string_view value);
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
    bool cut = false; // a text was longer than the reader keeps
};

enum class ParseError { None, NotCalendar, Unclosed, BadLine };

// One content line: NAME;PARAM=value:value.
struct Property {
    std::string name;                          // upper case
    std::map<std::string, std::string> params; // names upper case, quotes removed, several values joined by ','
    std::string value;                         // as written (escapes kept), valid UTF-8
    int line = 0;                              // 1-based physical line where it starts
    bool cut = false;                          // longer than kMaxValueOctets: only its start is kept
};

// What the reader keeps of one unfolded content line; a memo's longest text fits many times over.
constexpr std::size_t kMaxValueOctets = std::size_t{1} << 20;

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

// The component tree of a whole file. UTF-8 (with or without a byte-order mark) or UTF-16
// with its mark; CR LF, LF or CR line ends; names in any letter case; white space around
// the component names of BEGIN and END. Folded lines (a space or TAB) are joined. A file
// that does not start with BEGIN:VCALENDAR is no calendar.
//
// vCalendar 1.0 (VERSION:1.0, as older phones write it) is read too: parameters without a
// name, quoted-printable values with soft line breaks and CHARSET (Shift_JIS, UTF-8, ...;
// Shift_JIS when none is named and the bytes are no UTF-8). Such values are kept decoded and
// escaped as iCalendar 2.0 writes them.
ParsedComponents ParseComponents(std::string_view bytes);

struct ParsedCalendar {
    std::vector<Event> events;
    // The file's VTIMEZONEs as its children and its X-WR-TIMEZONE, for reading the events' times.
    Component zones;
    ParseError error = ParseError::None;
    int errorLine = 0; // 1-based physical line
};

// The VEVENTs of a file as ParseComponents reads it; anything else (VTODO, VJOURNAL,
// VALARM, VTIMEZONE, unknown properties) is skipped. In vCalendar 1.0 the rule's own form
// ("YM1 #0") is read into RRULE parts, and a day from 00:00 to 23:59 or to the next
// midnight is an all-day event.
ParsedCalendar ParseCalendar(std::string_view bytes);

} // namespace ical
