#include "calendar/ICalendar.h"

#include "app/Win.h"
#include "calendar/DateUtil.h"
#include "resource.h"

#include <algorithm>
#include <cstdio>

namespace ical {
namespace {
constexpr std::size_t kFoldOctets = 75;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), Upper);
    return out;
}

bool Digits(std::string_view text, std::size_t pos, std::size_t count, int& value)
{
    if (pos + count > text.size())
        return false;
    value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// One content line: name, parameters (names upper case, quotes removed) and raw value.
struct ContentLine {
    std::string name;
    std::map<std::string, std::string> params;
    std::string value;
};

bool NameChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-'; }

std::size_t NameEnd(std::string_view line, std::size_t pos)
{
    while (pos < line.size() && NameChar(line[pos]))
        ++pos;
    return pos;
}

std::optional<ContentLine> SplitContentLine(std::string_view line)
{
    ContentLine out;
    std::size_t pos = NameEnd(line, 0);
    if (pos == 0)
        return std::nullopt;
    out.name = UpperCase(line.substr(0, pos));
    while (pos < line.size() && line[pos] == ';') {
        const std::size_t nameEnd = NameEnd(line, pos + 1);
        if (nameEnd == pos + 1 || nameEnd >= line.size() || line[nameEnd] != '=')
            return std::nullopt;
        const std::string name = UpperCase(line.substr(pos + 1, nameEnd - pos - 1));
        std::string value;
        pos = nameEnd;
        do { // one or more comma-separated values, each possibly quoted
            if (pos != nameEnd)
                value += ',';
            ++pos;
            if (pos < line.size() && line[pos] == '"') {
                const std::size_t close = line.find('"', pos + 1);
                if (close == std::string_view::npos)
                    return std::nullopt;
                value += line.substr(pos + 1, close - pos - 1);
                pos = close + 1;
            } else {
                const std::size_t end = line.find_first_of(";:,", pos);
                value += line.substr(pos, end == std::string_view::npos ? line.size() - pos : end - pos);
                pos = end == std::string_view::npos ? line.size() : end;
            }
        } while (pos < line.size() && line[pos] == ',');
        out.params[name] = value;
    }
    if (pos >= line.size() || line[pos] != ':')
        return std::nullopt;
    out.value = line.substr(pos + 1);
    return out;
}

void AppendTwoDigits(std::string& out, const char* prefix, int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%s%02d", prefix, value);
    out += text;
}

std::string DateText(int year, int month, int day)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, day);
    return text;
}

std::string DateText(std::chrono::sys_days day)
{
    const std::chrono::year_month_day ymd(day);
    return DateText(static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
                    static_cast<int>(static_cast<unsigned>(ymd.day())));
}

// The first line of a memo, for the event's title.
std::wstring_view FirstLine(std::wstring_view text) { return text.substr(0, text.find_first_of(L"\r\n")); }

void AddLine(std::string& out, std::string_view line) { out += FoldLine(line); }

std::map<std::string, std::string> SplitRule(std::string_view value)
{
    std::map<std::string, std::string> parts;
    std::size_t pos = 0;
    while (pos <= value.size()) {
        const std::size_t end = std::min(value.find(';', pos), value.size());
        const std::string_view part = value.substr(pos, end - pos);
        const std::size_t eq = part.find('=');
        if (!part.empty())
            parts[UpperCase(part.substr(0, eq))] = eq == std::string_view::npos ? "" : UpperCase(part.substr(eq + 1));
        pos = end + 1;
    }
    return parts;
}
} // namespace

std::chrono::sys_days DateTime::Day() const
{
    return std::chrono::sys_days(std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                                 std::chrono::day{static_cast<unsigned>(day)});
}

std::string ToUtf8(std::wstring_view text)
{
    if (text.empty())
        return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(size, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::optional<std::wstring> FromUtf8(std::string_view text)
{
    if (text.empty())
        return std::wstring();
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

std::string EscapeText(std::wstring_view text)
{
    std::wstring escaped;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\\' || c == L';' || c == L',') {
            escaped += L'\\';
            escaped += c;
        } else if (c == L'\r' || c == L'\n') {
            escaped += L"\\n";
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n')
                ++i; // CR LF is one line break
        } else {
            escaped += c;
        }
    }
    return ToUtf8(escaped);
}

std::optional<std::wstring> UnescapeText(std::string_view value)
{
    std::string plain;
    plain.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            plain += value[i];
            continue;
        }
        const char next = value[++i];
        if (next == 'n' || next == 'N')
            plain += "\r\n";
        else
            plain += next; // \\ \; \, and, leniently, any other escaped character as itself
    }
    return FromUtf8(plain);
}

std::string FoldLine(std::string_view line)
{
    std::string out;
    std::size_t limit = kFoldOctets; // continuation lines spend one octet on the leading space
    while (line.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut; // never inside a UTF-8 sequence
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = kFoldOctets - 1;
    }
    out.append(line);
    out += "\r\n";
    return out;
}

std::optional<DateTime> ParseDateTime(std::string_view value)
{
    DateTime t;
    if (!Digits(value, 0, 4, t.year) || !Digits(value, 4, 2, t.month) || !Digits(value, 6, 2, t.day))
        return std::nullopt;
    if (t.year < 1 || t.day < 1 || t.day > DaysInMonth(t.year, t.month))
        return std::nullopt;
    if (value.size() == 8)
        return t;
    t.utc = value.size() == 16 && Upper(value[15]) == 'Z';
    if ((value.size() != 15 && !t.utc) || Upper(value[8]) != 'T' || !Digits(value, 9, 2, t.hour) ||
        !Digits(value, 11, 2, t.minute) || !Digits(value, 13, 2, t.second))
        return std::nullopt;
    if (t.hour > 23 || t.minute > 59 || t.second > 60)
        return std::nullopt;
    return t;
}

std::optional<std::chrono::seconds> ParseDuration(std::string_view value)
{
    long long sign = 1;
    if (!value.empty() && (value[0] == '+' || value[0] == '-')) {
        sign = value[0] == '-' ? -1 : 1;
        value.remove_prefix(1);
    }
    if (value.empty() || Upper(value[0]) != 'P' || value.size() < 3)
        return std::nullopt;
    long long total = 0, number = 0;
    bool time = false, digits = false;
    for (const char raw : value.substr(1)) {
        const char c = Upper(raw);
        if (c >= '0' && c <= '9') {
            number = number * 10 + (c - '0');
            if (number > 100000000)
                return std::nullopt;
            digits = true;
            continue;
        }
        if (c == 'T' && !time && !digits) {
            time = true;
            continue;
        }
        const long long unit = !time && c == 'W'   ? 604800
                               : !time && c == 'D' ? 86400
                               : time && c == 'H'  ? 3600
                               : time && c == 'M'  ? 60
                               : time && c == 'S'  ? 1
                                                   : 0;
        if (unit == 0 || !digits)
            return std::nullopt;
        total += number * unit;
        number = 0;
        digits = false;
    }
    if (digits)
        return std::nullopt;
    return std::chrono::seconds(sign * total);
}

std::string WriteCalendar(std::span<const MemoDay> memos, std::span<const MemorialDay> memorials,
                          const DateTime& stampUtc)
{
    std::string stamp = "DTSTAMP:" + DateText(stampUtc.year, stampUtc.month, stampUtc.day);
    AppendTwoDigits(stamp, "T", std::max(stampUtc.hour, 0));
    AppendTwoDigits(stamp, "", stampUtc.minute);
    AppendTwoDigits(stamp, "", stampUtc.second);
    stamp += 'Z';

    std::string out;
    out.reserve(256 * (memos.size() + memorials.size()) + 256);
    AddLine(out, "BEGIN:VCALENDAR");
    AddLine(out, "VERSION:2.0");
    AddLine(out, "PRODID:-//Mosaryn//Mosaryn " MOSARYN_VERSION_STR "//JA");
    AddLine(out, "CALSCALE:GREGORIAN");
    // UIDs come from the date alone: there is one memo per day and one memorial entry per month and day.
    for (const MemoDay& m : memos) {
        const std::string date = DateText(m.year, m.month, m.day);
        const auto day = DateTime{m.year, m.month, m.day}.Day();
        AddLine(out, "BEGIN:VEVENT");
        AddLine(out, "UID:memo-" + date + "@mosaryn");
        AddLine(out, stamp);
        AddLine(out, "DTSTART;VALUE=DATE:" + date);
        // After 9999-12-31 no date can be written: without DTEND an all-day event lasts its one day.
        if (m.year < 9999 || m.month < 12 || m.day < 31)
            AddLine(out, "DTEND;VALUE=DATE:" + DateText(day + std::chrono::days{1}));
        AddLine(out, "SUMMARY:" + EscapeText(FirstLine(m.text)));
        AddLine(out, "DESCRIPTION:" + EscapeText(m.text));
        AddLine(out, "END:VEVENT");
    }
    for (const MemorialDay& m : memorials) {
        // 2000 has every day of the year, 29 February included, so it recurs in leap years only.
        const std::string date = DateText(2000, m.month, m.day);
        const auto day = DateTime{2000, m.month, m.day}.Day();
        char rule[64];
        std::snprintf(rule, sizeof rule, "RRULE:FREQ=YEARLY;BYMONTH=%d;BYMONTHDAY=%d", m.month, m.day);
        AddLine(out, "BEGIN:VEVENT");
        AddLine(out, "UID:memorial-" + date.substr(4) + "@mosaryn");
        AddLine(out, stamp);
        AddLine(out, "DTSTART;VALUE=DATE:" + date);
        AddLine(out, "DTEND;VALUE=DATE:" + DateText(day + std::chrono::days{1}));
        AddLine(out, rule);
        AddLine(out, "SUMMARY:" + EscapeText(m.name));
        if (!m.picture.empty())
            AddLine(out, "X-MOSARYN-PICTURE:" + EscapeText(m.picture));
        AddLine(out, "END:VEVENT");
    }
    AddLine(out, "END:VCALENDAR");
    return out;
}

const Property* Component::Find(std::string_view propertyName) const
{
    for (const Property& p : properties)
        if (p.name == propertyName)
            return &p;
    return nullptr;
}

ParsedComponents ParseComponents(std::string_view bytes)
{
    ParsedComponents result;
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    const auto fail = [&](ParseError error, int line) {
        result.calendars.clear();
        result.error = error;
        result.errorLine = line;
        return false;
    };

    std::vector<Component> stack; // the open components, outermost first
    std::string logical;          // the unfolded content line
    int logicalLine = 0;
    int physical = 0;

    // Handles one complete content line; false on an error already recorded.
    const auto handle = [&]() -> bool {
        if (logical.empty())
            return true;
        if (!FromUtf8(logical))
            return fail(ParseError::BadLine, logicalLine);
        std::optional<ContentLine> line = SplitContentLine(logical);
        if (!line)
            return fail(result.calendars.empty() && stack.empty() ? ParseError::NotCalendar : ParseError::BadLine,
                        logicalLine);
        const std::string value = UpperCase(line->value);
        if (line->name == "BEGIN") {
            if (stack.empty() && value != "VCALENDAR")
                return fail(result.calendars.empty() ? ParseError::NotCalendar : ParseError::BadLine, logicalLine);
            stack.push_back(Component{value, logicalLine, {}, {}});
            return true;
        }
        if (stack.empty()) // content outside any calendar
            return fail(result.calendars.empty() ? ParseError::NotCalendar : ParseError::BadLine, logicalLine);
        if (line->name == "END") {
            if (value != stack.back().name)
                return fail(ParseError::Unclosed, stack.back().line);
            Component done = std::move(stack.back());
            stack.pop_back();
            (stack.empty() ? result.calendars : stack.back().children).push_back(std::move(done));
            return true;
        }
        stack.back().properties.push_back(
            Property{std::move(line->name), std::move(line->params), std::move(line->value), logicalLine});
        return true;
    };

    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view raw = bytes.substr(pos, end - pos);
        pos = end + 1;
        ++physical;
        if (raw.ends_with('\r'))
            raw.remove_suffix(1);
        if (!raw.empty() && (raw[0] == ' ' || raw[0] == '\t') && !logical.empty()) {
            logical.append(raw.substr(1)); // a folded continuation
            continue;
        }
        if (!handle())
            return result;
        logical.assign(raw);
        logicalLine = physical;
    }
    if (!handle())
        return result;
    if (!stack.empty())
        fail(ParseError::Unclosed, stack.back().line);
    else if (result.calendars.empty())
        fail(ParseError::NotCalendar, 1);
    return result;
}

ParsedCalendar ParseCalendar(std::string_view bytes)
{
    ParsedCalendar result;
    ParsedComponents tree = ParseComponents(bytes);
    if (tree.error != ParseError::None) {
        result.error = tree.error;
        result.errorLine = tree.errorLine;
        return result;
    }
    const auto fail = [&](int line) {
        result.events.clear();
        result.error = ParseError::BadLine;
        result.errorLine = line;
        return result;
    };
    for (const Component& calendar : tree.calendars) {
        for (const Component& component : calendar.children) {
            if (component.name != "VEVENT")
                continue; // VTODO, VJOURNAL, VTIMEZONE, ...
            Event event{component.line};
            for (const Property& p : component.properties) {
                if (p.name == "DTSTART" || p.name == "DTEND") {
                    std::optional<DateTime> t = ParseDateTime(p.value);
                    if (!t)
                        return fail(p.line);
                    (p.name == "DTSTART" ? event.start : event.end) = t;
                } else if (p.name == "DURATION") {
                    event.duration = ParseDuration(p.value);
                    if (!event.duration)
                        return fail(p.line);
                } else if (p.name == "RRULE") {
                    event.rule = SplitRule(p.value);
                } else if (p.name == "SUMMARY" || p.name == "DESCRIPTION" || p.name == "X-MOSARYN-PICTURE") {
                    std::optional<std::wstring> text = UnescapeText(p.value);
                    if (!text)
                        return fail(p.line);
                    (p.name == "SUMMARY"       ? event.summary
                     : p.name == "DESCRIPTION" ? event.description
                                               : event.picture) = std::move(*text);
                }
            }
            result.events.push_back(std::move(event));
        }
    }
    return result;
}

} // namespace ical
