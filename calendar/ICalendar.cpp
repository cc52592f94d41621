#include "calendar/ICalendar.h"

#include "app/TextCodec.h"
#include "app/Win.h"
#include "calendar/DateUtil.h"
#include "resource.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace ical {
namespace {
constexpr std::size_t kFoldOctets = 75;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

// C0, DEL and C1.
bool Control(wchar_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

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

std::string_view Trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
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
        if (nameEnd == pos + 1 || nameEnd >= line.size())
            return std::nullopt;
        const std::string name = UpperCase(line.substr(pos + 1, nameEnd - pos - 1));
        if (line[nameEnd] != '=') { // vCalendar 1.0 names only the value: ";QUOTED-PRINTABLE"
            if (line[nameEnd] != ';' && line[nameEnd] != ':')
                return std::nullopt;
            const bool encoding = name == "QUOTED-PRINTABLE" || name == "BASE64" || name == "8BIT" || name == "7BIT";
            out.params[encoding ? "ENCODING" : name] = encoding ? name : "";
            pos = nameEnd;
            continue;
        }
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

// The first line of a memo with some text on it, for the event's title.
std::wstring_view FirstLine(std::wstring_view text)
{
    const std::size_t start = text.find_first_not_of(L" \t\x3000\r\n");
    if (start == std::wstring_view::npos)
        return {};
    const std::size_t lineStart = text.find_last_of(L"\r\n", start);
    text.remove_prefix(lineStart == std::wstring_view::npos ? 0 : lineStart + 1);
    return text.substr(0, text.find_first_of(L"\r\n"));
}

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

// vCalendar 1.0's rule: "YM1 6 #0", "D2 #10", "W1 MO TU 20101231T000000": the frequency and
// interval, its lists, then a count (#0: for ever) or an end.
std::map<std::string, std::string> LegacyRule(std::string_view value)
{
    std::map<std::string, std::string> rule;
    std::vector<std::string> tokens;
    for (std::size_t pos = 0; pos < value.size();) {
        const std::size_t end = std::min(value.find(' ', pos), value.size());
        if (end > pos)
            tokens.push_back(UpperCase(value.substr(pos, end - pos)));
        pos = end + 1;
    }
    if (tokens.empty())
        return rule;
    const std::string& head = tokens.front();
    const std::size_t letters = std::min(head.find_first_of("0123456789"), head.size());
    const std::string kind = head.substr(0, letters);
    const char* freq = kind == "D"                    ? "DAILY"
                       : kind == "W"                  ? "WEEKLY"
                       : kind == "MD" || kind == "MP" ? "MONTHLY"
                       : kind == "YM" || kind == "YD" ? "YEARLY"
                                                      : nullptr;
    if (freq == nullptr) {
        rule["X-VCAL"] = UpperCase(value); // recurring in a way not read here
        return rule;
    }
    rule["FREQ"] = freq;
    if (letters < head.size())
        rule["INTERVAL"] = head.substr(letters);
    const char* list = kind == "W"    ? "BYDAY"
                       : kind == "MD" ? "BYMONTHDAY"
                       : kind == "YM" ? "BYMONTH"
                       : kind == "YD" ? "BYYEARDAY"
                                      : "X-VCAL";
    for (std::size_t i = 1; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        if (i + 1 == tokens.size() && t.starts_with('#')) {
            if (t != "#0")
                rule["COUNT"] = t.substr(1);
        } else if (i + 1 == tokens.size() && t.size() >= 8 && ParseDateTime(t)) {
            rule["UNTIL"] = t;
        } else {
            std::string& values = rule[list];
            values += (values.empty() ? "" : ",") + t;
        }
    }
    return rule;
}

// vCalendar 1.0 has no dates without a time: a day from midnight to 23:59 or to a later
// midnight is an all-day event.
void LegacyAllDay(Event& e)
{
    if (!e.start || !e.end || e.start->IsDate() || e.end->IsDate() || e.start->utc || e.end->utc ||
        e.start->hour != 0 || e.start->minute != 0 || e.start->second != 0)
        return;
    const bool toMidnight = e.end->hour == 0 && e.end->minute == 0 && e.end->second == 0;
    const bool toLastMinute = e.end->hour == 23 && e.end->minute == 59;
    if ((!toMidnight && !toLastMinute) || e.end->Day() < e.start->Day() + std::chrono::days{toMidnight ? 1 : 0})
        return;
    const std::chrono::year_month_day last(e.end->Day() + std::chrono::days{toMidnight ? 0 : 1});
    e.start = DateTime{e.start->year, e.start->month, e.start->day};
    e.end = DateTime{static_cast<int>(last.year()), static_cast<int>(static_cast<unsigned>(last.month())),
                     static_cast<int>(static_cast<unsigned>(last.day()))};
}

// The file as UTF-8 text: a UTF-8 byte-order mark dropped, UTF-16 with its mark converted.
std::string_view TextOf(std::string_view bytes, std::string& converted)
{
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return bytes.substr(3);
    const bool little = bytes.starts_with("\xFF\xFE"), big = bytes.starts_with("\xFE\xFF");
    if (!little && !big)
        return bytes;
    std::wstring wide((bytes.size() - 2) / 2, L'\0');
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]), b = static_cast<unsigned char>(bytes[3 + 2 * i]);
        wide[i] = static_cast<wchar_t>(little ? a | b << 8 : b | a << 8);
    }
    converted = ToUtf8(wide);
    return converted;
}

// A line cut at the reader's limit ends on a whole UTF-8 sequence.
void DropPartialSequence(std::string& text)
{
    std::size_t lead = text.size();
    while (lead > 0 && text.size() - lead < 4 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80)
        --lead;
    if (lead == 0)
        return;
    const auto c = static_cast<unsigned char>(text[lead - 1]);
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (text.size() - (lead - 1) < length)
        text.resize(lead - 1);
}

bool QuotedPrintable(std::string_view line)
{
    return UpperCase(line.substr(0, line.find(':'))).find("QUOTED-PRINTABLE") != std::string::npos;
}

int HexDigit(char c)
{
    return c >= '0' && c <= '9' ? c - '0' : Upper(c) >= 'A' && Upper(c) <= 'F' ? Upper(c) - 'A' + 10 : -1;
}

std::string DecodeQuotedPrintable(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        const int high = value[i] == '=' && i + 2 < value.size() ? HexDigit(value[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(value[i + 2]) : -1;
        if (low < 0) {
            out += value[i];
            continue;
        }
        out += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return out;
}

UINT CodePage(std::string_view charset)
{
    const std::string name = UpperCase(charset);
    if (name == "SHIFT_JIS" || name == "SHIFT-JIS" || name == "SJIS" || name == "X-SJIS" || name == "CP932" ||
        name == "WINDOWS-31J")
        return 932;
    if (name == "UTF-8")
        return CP_UTF8;
    if (name == "EUC-JP")
        return 20932;
    if (name == "ISO-2022-JP")
        return 50220;
    if (name == "ISO-8859-1" || name == "LATIN1")
        return 28591;
    if (name == "WINDOWS-1252")
        return 1252;
    if (name == "US-ASCII" || name == "ASCII")
        return 20127;
    return 0;
}

// A value in quoted-printable, another character set or vCalendar 1.0 becomes UTF-8 escaped
// as iCalendar 2.0 writes it (vCalendar 1.0's one escape, "\;", is read as it was meant).
// False when its bytes are no text in its character set.
bool DecodeValue(ContentLine& line, bool legacy)
{
    const auto encoding = line.params.find("ENCODING");
    const bool qp = encoding != line.params.end() && UpperCase(encoding->second) == "QUOTED-PRINTABLE";
    const auto charset = line.params.find("CHARSET");
    if (!qp && !legacy && charset == line.params.end())
        return IsUtf8(line.value);
    const std::string bytes = qp ? DecodeQuotedPrintable(line.value) : line.value;
    const UINT named = charset == line.params.end() ? 0 : CodePage(charset->second);
    std::optional<std::wstring> text = FromCodePage(bytes, named != 0 ? named : CP_UTF8);
    if (!text && named == 0 && legacy)
        text = FromCodePage(bytes, 932); // what Japanese phones wrote when they named nothing
    if (!text)
        return false;
    if (!qp && !legacy) {
        line.value = ToUtf8(*text);
        return true;
    }
    std::wstring plain;
    for (std::size_t i = 0; i < text->size(); ++i)
        if ((*text)[i] != L'\\' || i + 1 == text->size() || ((*text)[i + 1] != L';' && (*text)[i + 1] != L','))
            plain += (*text)[i];
    line.value = EscapeText(plain);
    return true;
}
} // namespace

std::chrono::sys_days DateTime::Day() const
{
    return std::chrono::sys_days(std::chrono::year{year} / std::chrono::month{static_cast<unsigned>(month)} /
                                 std::chrono::day{static_cast<unsigned>(day)});
}

std::string EscapeText(std::wstring_view text)
{
    std::wstring escaped;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (Control(c) && c != L'\t' && c != L'\r' && c != L'\n')
            continue; // no other calendar could read them
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
    std::optional<std::wstring> text = FromUtf8(plain);
    if (!text)
        return text;
    // A memo holds no control characters but its line breaks and TABs.
    std::wstring& t = *text;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == L'\r' && i + 1 < t.size() && t[i + 1] == L'\n')
            t[kept++] = t[i++];
        if (!Control(t[i]) || t[i] == L'\t' || (t[i] == L'\n' && kept > 0 && t[kept - 1] == L'\r'))
            t[kept++] = t[i];
    }
    t.resize(kept);
    return text;
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
    std::string converted;
    const std::string_view text = TextOf(bytes, converted);
    const auto fail = [&](ParseError error, int line) {
        result.calendars.clear();
        result.error = error;
        result.errorLine = line;
        return false;
    };

    std::vector<Component> stack; // the open components, outermost first
    // Their properties so far. Each component gets its own vector, of the right size, when it
    // closes: a vector grown by doubling in every one of 50 000 events leaves so many small
    // free blocks that the heap slows down with their number (Wine's did, badly).
    std::vector<std::vector<Property>> pending;
    bool legacy = false; // the calendar says VERSION:1.0
    struct {
        std::string text; // the unfolded content line
        int line = 0;
        bool cut = false;
    } logical;
    const auto append = [&](std::string_view piece) {
        const std::size_t room = kMaxValueOctets - std::min(kMaxValueOctets, logical.text.size());
        if (piece.size() > room) {
            logical.cut = true;
            piece = piece.substr(0, room);
        }
        logical.text.append(piece);
    };

    // Handles one complete content line; false on an error already recorded.
    const auto handle = [&]() -> bool {
        if (logical.text.empty())
            return true;
        if (logical.cut)
            DropPartialSequence(logical.text);
        const bool first = stack.empty() && result.calendars.empty();
        std::optional<ContentLine> line = SplitContentLine(logical.text);
        if (!line || !IsUtf8(std::string_view(logical.text).substr(0, logical.text.size() - line->value.size())))
            return fail(first ? ParseError::NotCalendar : ParseError::BadLine, logical.line);
        if (line->name == "BEGIN" || line->name == "END") {
            const std::string value = UpperCase(Trimmed(line->value));
            if (line->name == "BEGIN") {
                if (stack.empty() && value != "VCALENDAR")
                    return fail(first ? ParseError::NotCalendar : ParseError::BadLine, logical.line);
                legacy = legacy && !stack.empty();
                stack.push_back(Component{value, logical.line, {}, {}});
                pending.resize(stack.size());
                return true;
            }
            if (stack.empty())
                return fail(first ? ParseError::NotCalendar : ParseError::BadLine, logical.line);
            if (value != stack.back().name)
                return fail(ParseError::Unclosed, stack.back().line);
            Component done = std::move(stack.back());
            std::vector<Property>& properties = pending[stack.size() - 1];
            done.properties.assign(std::make_move_iterator(properties.begin()),
                                   std::make_move_iterator(properties.end()));
            properties.clear();
            stack.pop_back();
            (stack.empty() ? result.calendars : stack.back().children).push_back(std::move(done));
            return true;
        }
        if (stack.empty()) // content outside any calendar
            return fail(first ? ParseError::NotCalendar : ParseError::BadLine, logical.line);
        if (stack.size() == 1 && line->name == "VERSION")
            legacy = Trimmed(line->value) == "1.0";
        if (!DecodeValue(*line, legacy))
            return fail(ParseError::BadLine, logical.line);
        pending[stack.size() - 1].push_back(Property{std::move(line->name), std::move(line->params),
                                                     std::move(line->value), logical.line, logical.cut});
        return true;
    };

    int physical = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find_first_of("\r\n", pos), text.size());
        const std::string_view raw = text.substr(pos, end - pos);
        pos = end + (text.substr(end).starts_with("\r\n") ? 2 : 1);
        ++physical;
        if (!raw.empty() && (raw[0] == ' ' || raw[0] == '\t') && !logical.text.empty()) {
            append(raw.substr(1)); // a folded continuation
            continue;
        }
        if (!logical.cut && logical.text.ends_with('=') && QuotedPrintable(logical.text)) {
            logical.text.pop_back(); // a quoted-printable soft line break
            append(raw);
            continue;
        }
        if (!handle())
            return result;
        logical.text.clear();
        logical.line = physical;
        logical.cut = false;
        append(raw);
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
    result.zones.name = "VCALENDAR";
    for (Component& calendar : tree.calendars) {
        const Property* version = calendar.Find("VERSION");
        const bool legacy = version != nullptr && Trimmed(version->value) == "1.0";
        if (const Property* zone = calendar.Find("X-WR-TIMEZONE"); zone && !result.zones.Find("X-WR-TIMEZONE"))
            result.zones.properties.push_back(*zone);
        for (Component& component : calendar.children) {
            if (component.name == "VTIMEZONE")
                result.zones.children.push_back(std::move(component));
            if (component.name != "VEVENT")
                continue; // VTODO, VJOURNAL, ...
            Event event{component.line};
            for (const Property& p : component.properties) {
                if (p.name == "DTSTART" || p.name == "DTEND") {
                    std::optional<DateTime> t = ParseDateTime(Trimmed(p.value));
                    if (!t)
                        return fail(p.line);
                    (p.name == "DTSTART" ? event.start : event.end) = t;
                    const auto zone = p.params.find("TZID");
                    (p.name == "DTSTART" ? event.startZone : event.endZone) =
                        zone == p.params.end() ? std::string() : zone->second;
                } else if (p.name == "DURATION") {
                    event.duration = ParseDuration(Trimmed(p.value));
                    if (!event.duration)
                        return fail(p.line);
                } else if (p.name == "RRULE") {
                    event.rule = legacy ? LegacyRule(p.value) : SplitRule(p.value);
                } else if (p.name == "SUMMARY" || p.name == "DESCRIPTION" || p.name == "X-MOSARYN-PICTURE") {
                    std::optional<std::wstring> text = UnescapeText(p.value);
                    if (!text)
                        return fail(p.line);
                    event.cut = event.cut || p.cut;
                    (p.name == "SUMMARY"       ? event.summary
                     : p.name == "DESCRIPTION" ? event.description
                                               : event.picture) = std::move(*text);
                }
            }
            if (legacy)
                LegacyAllDay(event);
            result.events.push_back(std::move(event));
        }
    }
    return result;
}

} // namespace ical
