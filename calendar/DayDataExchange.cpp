#include "calendar/DayDataExchange.h"

#include "app/Application.h"
#include "calendar/DateUtil.h"
#include "calendar/DayDataFile.h"
#include "calendar/FileIO.h"
#include "calendar/Subscriptions.h"
#include "resource.h"
#include "calendar/TimeZones.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <unordered_map>
#include <unordered_set>

namespace exchange {
namespace {
using namespace std::chrono;

// The section without the first block of each changed key, after the changed keys' new blocks.
template <class Encode> bool AppendSection(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> file,
                                           dayfile::Range section, const auto& changed, Encode encode)
{
    std::vector<dayfile::Range> removed;
    for (const auto key : changed) {
        const auto block = encode(key);
        if (!block)
            return false;
        out.insert(out.end(), block->begin(), block->end());
        if (const auto old = dayfile::FindBlock(file, section, key))
            removed.push_back(old->whole);
    }
    std::sort(removed.begin(), removed.end(), [](const auto& a, const auto& b) { return a.begin < b.begin; });
    std::int64_t pos = section.begin;
    for (const dayfile::Range& r : removed) {
        const auto keep = dayfile::Bytes(file, {pos, r.begin});
        out.insert(out.end(), keep.begin(), keep.end());
        pos = r.end;
    }
    const auto rest = dayfile::Bytes(file, {pos, section.end});
    out.insert(out.end(), rest.begin(), rest.end());
    return true;
}

std::wstring OneLine(std::wstring text)
{
    std::replace_if(
        text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n'; }, L' ');
    return text;
}

// The lines of a text: CR LF, LF or a lone CR ends one.
std::vector<std::wstring_view> SplitLines(std::wstring_view text)
{
    std::vector<std::wstring_view> lines;
    for (std::size_t pos = 0;;) {
        const std::size_t end = std::min(text.find_first_of(L"\r\n", pos), text.size());
        lines.push_back(text.substr(pos, end - pos));
        if (end == text.size())
            return lines;
        pos = end + (text.substr(end).starts_with(L"\r\n") ? 2 : 1);
    }
}

// Lines are compared without the white space at their end, which other calendars drop.
std::wstring LineKey(std::wstring_view line)
{
    const std::size_t end = line.find_last_not_of(L" \t\x3000");
    return std::wstring(line.substr(0, end == std::wstring_view::npos ? 0 : end + 1));
}

bool Blank(std::wstring_view line) { return line.find_first_not_of(L" \t\x3000") == std::wstring_view::npos; }

std::wstring_view FirstTextLine(std::wstring_view text)
{
    for (const std::wstring_view line : SplitLines(text))
        if (!Blank(line))
            return line;
    return {};
}

// At most `cap` characters, never half a surrogate pair; `cut` when it was longer.
std::wstring_view Capped(std::wstring_view text, std::size_t cap, bool& cut)
{
    if (text.size() <= cap)
        return text;
    cut = true;
    const bool pairSplit = text[cap - 1] >= 0xD800 && text[cap - 1] <= 0xDBFF;
    return text.substr(0, pairSplit ? cap - 1 : cap);
}

// The memo text an event brings. An all-day event whose description starts with its
// title (as exported memos do) brings the whole description.
std::wstring EventText(const ical::Event& e, const ical::DateTime& start)
{
    if (!start.IsDate()) {
        if (Blank(e.summary))
            return {};
        wchar_t time[16];
        std::swprintf(time, 16, L"%02d:%02d ", start.hour, start.minute);
        return time + OneLine(e.summary);
    }
    if (!e.description.empty() && LineKey(FirstTextLine(e.description)) == LineKey(OneLine(e.summary)))
        return e.description;
    return OneLine(e.summary);
}

// A yearly rule that says no more than the start date does, but perhaps when it ends.
bool PlainYearly(const std::map<std::string, std::string>& rule, const ical::DateTime& start)
{
    for (const auto& [name, value] : rule) {
        const bool ok = (name == "FREQ" && value == "YEARLY") || (name == "INTERVAL" && value == "1") ||
                        (name == "BYMONTH" && value == std::to_string(start.month)) ||
                        (name == "BYMONTHDAY" && value == std::to_string(start.day)) || name == "WKST" ||
                        name == "UNTIL" || name == "COUNT";
        if (!ok)
            return false;
    }
    return rule.contains("FREQ");
}

// Whether a yearly rule still has occurrences on or after `today`.
bool StillRecurs(const std::map<std::string, std::string>& rule, const ical::DateTime& start, sys_days today)
{
    if (const auto until = rule.find("UNTIL"); until != rule.end()) {
        const std::optional<ical::DateTime> end = ical::ParseDateTime(until->second);
        return !end || end->Day() >= today;
    }
    if (const auto count = rule.find("COUNT"); count != rule.end()) {
        const long long n = std::strtoll(count->second.c_str(), nullptr, 10);
        return start.year + n - 1 >= static_cast<int>(year_month_day(today).year());
    }
    return true;
}

sys_seconds Moment(const ical::DateTime& t)
{
    return t.Day() + hours{std::max(t.hour, 0)} + minutes{t.minute} + seconds{std::min(t.second, 59)};
}

constexpr wchar_t kNameSeparator[] = L"\x3001"; // 、 between the names of one memorial day

// One merge: the day data, what it did, and for each memo touched the lines it holds, so
// that a day with many events costs no more per event than a day with one.
class Merger {
public:
    Merger(DayData& data, ImportCounts& counts) : data_(data), counts_(counts) {}

    void Note(NoteReason reason, const ical::Event& e)
    {
        if (counts_.notes.size() >= kMaxNotes)
            return;
        bool cut = false;
        std::wstring title(Capped(Blank(e.summary) ? FirstTextLine(e.description) : e.summary, 40, cut));
        counts_.notes.push_back({reason, OneLine(title) + (cut ? L"\x2026" : L""), e.line});
    }

    struct Added {
        bool any = false;  // a line was added
        bool full = false; // a line did not fit the day's cap
    };

    // Adds the lines the memo of `day` does not hold yet; an entry none of whose lines is
    // held comes whole, with its blank lines.
    Added AddToDay(sys_days day, std::span<const std::wstring_view> lines)
    {
        const year_month_day ymd(day);
        const int key = static_cast<int>(ymd.year()) * 100 + static_cast<int>(static_cast<unsigned>(ymd.month()));
        auto& month = data_.memos[key];
        std::wstring& memo = month[static_cast<int>(static_cast<unsigned>(ymd.day()))];
        auto [found, fresh] = held_.try_emplace(&memo);
        std::unordered_set<std::wstring>& keys = found->second;
        if (fresh)
            for (const std::wstring_view line : SplitLines(memo))
                keys.insert(LineKey(line));
        const bool holdsAny = std::any_of(lines.begin(), lines.end(),
                                          [&](auto line) { return !Blank(line) && keys.contains(LineKey(line)); });
        Added added;
        for (const std::wstring_view line : lines) {
            if (holdsAny && (Blank(line) || keys.contains(LineKey(line))))
                continue;
            const bool breakFirst = added.any || (!memo.empty() && !memo.ends_with(L'\n') && !memo.ends_with(L'\r'));
            if (memo.size() + (breakFirst ? 2 : 0) + line.size() > dayfile::kMaxMemoChars) {
                added.full = true;
                break;
            }
            memo.append(breakFirst ? L"\r\n" : L"").append(line);
            keys.insert(LineKey(line));
            added.any = true;
        }
        if (added.any)
            data_.changedMemos.insert(key);
        else if (memo.empty() && held_.erase(&memo) != 0)
            month.erase(static_cast<int>(static_cast<unsigned>(ymd.day())));
        return added;
    }

    void AddMemorial(const ical::Event& e, const ical::DateTime& start)
    {
        bool cut = e.cut;
        const std::wstring name(Capped(OneLine(e.summary), dayfile::kMaxMemoLine, cut));
        if (Blank(name)) {
            Skip(NoteReason::NoTitle, e);
            return;
        }
        auto& days = data_.memorials[start.month];
        const auto old = days.find(start.day);
        if (old == days.end()) {
            // A picture path no file system has is no picture.
            days.emplace(start.day,
                         dayfile::MemorialEntry{start.day, name, e.picture.size() < 32768 ? e.picture : L""});
        } else if ((kNameSeparator + LineKey(old->second.name) + kNameSeparator)
                       .find(kNameSeparator + LineKey(name) + kNameSeparator) != std::wstring::npos) {
            ++counts_.duplicates;
            return;
        } else if (old->second.name.size() + 1 + name.size() > dayfile::kMaxMemoLine) {
            Skip(NoteReason::DayFull, e);
            return;
        } else {
            old->second.name += kNameSeparator + name;
            ++counts_.sharedMemorials;
        }
        data_.changedMemorials.insert(start.month);
        ++counts_.memorials;
        if (cut)
            Shorten(NoteReason::LineCut, e);
    }

    void Skip(NoteReason reason, const ical::Event& e)
    {
        ++counts_.skipped;
        Note(reason, e);
    }
    void Shorten(NoteReason reason, const ical::Event& e)
    {
        ++counts_.shortened;
        Note(reason, e);
    }

private:
    DayData& data_;
    ImportCounts& counts_;
    std::unordered_map<const std::wstring*, std::unordered_set<std::wstring>> held_;
};

// The data file as recovered, copied out of its view so that it is not held open
// while the merge runs; the caller holds its lock.
ReadResult ReadWhole(const std::wstring& dataPath, std::vector<std::uint8_t>& bytes)
{
    MappedFile file;
    const ReadResult result = KeptDayData(dataPath).Open(file);
    bytes.assign(file.Bytes().begin(), file.Bytes().end());
    return result;
}
} // namespace

UINT RefusedExportTarget(const std::wstring& dataPath, const std::wstring& target)
{
    const std::wstring folder = dataPath.substr(0, dataPath.find_last_of(L'\\') + 1);
    const std::wstring ini = folder + (ResString(IDS_INI_FILE).empty() ? L"qv.ini" : ResString(IDS_INI_FILE));
    const std::wstring kept[] = {dataPath, dataPath + L".new", ini, ini + L".new"};
    const std::wstring folders[] = {feeds::Folder(folder)};
    switch (CheckExportTarget(target, kept, folders)) {
    case TargetCheck::NotAFile: return IDS_EXPORT_NOT_A_FILE;
    case TargetCheck::KeptFile: return IDS_EXPORT_KEPT_FILE;
    case TargetCheck::Ok: break;
    }
    return 0;
}

DayData ReadDayData(std::span<const std::uint8_t> file)
{
    DayData data;
    const dayfile::Layout layout = dayfile::ReadLayout(file);
    dayfile::ForEachBlock(file, layout.memo, [&](std::int32_t key, const dayfile::Block& block) {
        if (!data.memos.contains(key)) {
            auto& days = data.memos[key];
            for (auto& e : dayfile::ParseMemoEntries(dayfile::Bytes(file, block.data)))
                days.emplace(e.day, std::move(e.text));
        }
        return true;
    });
    dayfile::ForEachBlock(file, layout.memorial, [&](std::int32_t key, const dayfile::Block& block) {
        if (!data.memorials.contains(key)) {
            auto& days = data.memorials[key];
            for (auto& e : dayfile::ParseMemorialEntries(dayfile::Bytes(file, block.data)))
                days.emplace(e.day, std::move(e));
        }
        return true;
    });
    return data;
}

std::optional<std::vector<std::uint8_t>> MergedFile(std::span<const std::uint8_t> file, const DayData& data)
{
    const dayfile::Layout layout = dayfile::ReadLayout(file);
    std::vector<std::uint8_t> out(4);
    out.reserve(file.size() + 4096);
    const bool memosOk = AppendSection(out, file, layout.memo, data.changedMemos, [&](std::int32_t key) {
        std::vector<dayfile::MemoEntry> entries;
        for (const auto& [day, text] : data.memos.at(key))
            entries.push_back({day, text});
        return dayfile::EncodeMemoBlock(key, entries);
    });
    const std::int64_t length = static_cast<std::int64_t>(out.size()) - 4;
    if (!memosOk || length > INT32_MAX)
        return std::nullopt;
    for (int i = 0; i < 4; ++i)
        out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(length) >> (8 * i));
    const bool memorialsOk = AppendSection(out, file, layout.memorial, data.changedMemorials, [&](int month) {
        std::vector<dayfile::MemorialEntry> entries;
        for (const auto& [day, entry] : data.memorials.at(month))
            entries.push_back(entry);
        return dayfile::EncodeMemorialBlock(month, entries);
    });
    if (!memorialsOk)
        return std::nullopt;
    return out;
}

std::vector<ical::MemoDay> MemoDays(const DayData& data)
{
    std::vector<ical::MemoDay> out;
    for (const auto& [key, days] : data.memos) {
        const int year = key / 100, month = key % 100;
        if (year < 1 || year > 9999 || month < 1 || month > 12)
            continue;
        for (const auto& [day, text] : days)
            if (day >= 1 && day <= DaysInMonth(year, month))
                out.push_back({year, month, day, text});
    }
    return out;
}

std::vector<ical::MemorialDay> MemorialDays(const DayData& data)
{
    std::vector<ical::MemorialDay> out;
    for (const auto& [month, days] : data.memorials) {
        for (const auto& [day, e] : days)
            if (month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(2000, month) && !e.name.empty())
                out.push_back({month, day, e.name, e.picture});
    }
    return out;
}

sys_days SystemToday()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return sys_days(year{now.wYear} / month{now.wMonth} / day{now.wDay});
}

ImportCounts MergeEvents(DayData& data, std::span<const ical::Event> events, const ToLocalTime& toLocal, sys_days today)
{
    ImportCounts counts;
    Merger merger(data, counts);
    for (const ical::Event& e : events) {
        if (!e.start) {
            merger.Skip(NoteReason::NoStart, e);
            continue;
        }
        const ical::DateTime start = toLocal(*e.start, e.startZone);
        if (start.IsDate() && !e.rule.empty() && PlainYearly(e.rule, start) && StillRecurs(e.rule, start, today)) {
            merger.AddMemorial(e, start);
            continue;
        }
        if (!e.rule.empty())
            ++counts.recurring; // taken at its first occurrence only

        const std::wstring text = EventText(e, start);
        bool cut = e.cut;
        std::vector<std::wstring_view> lines = SplitLines(text);
        for (std::wstring_view& line : lines)
            line = Capped(line, dayfile::kMaxMemoLine, cut);
        if (std::all_of(lines.begin(), lines.end(), Blank)) {
            merger.Skip(NoteReason::NoTitle, e);
            continue;
        }
        sys_days first = start.Day(), last = first;
        if (start.IsDate()) {
            if (e.end)
                last = e.end->Day() - days{1};
            else if (e.duration)
                last = first + floor<days>(*e.duration) - days{1};
        } else {
            const sys_seconds from = Moment(start);
            sys_seconds to = from;
            if (e.end)
                to = Moment(toLocal(*e.end, e.endZone));
            else if (e.duration)
                to = from + *e.duration;
            last = floor<days>(to);
            if (to > from && to == last)
                last -= days{1}; // ending at midnight does not cover that day
        }
        const bool tooLong = last - first >= days{kMaxEventDays};
        last = std::clamp(last, first, first + days{kMaxEventDays - 1});
        bool full = false, outside = false, added = false;
        for (sys_days d = first; d <= last; d += days{1}) {
            const int y = static_cast<int>(year_month_day(d).year());
            if (y < 1 || y > 9999) {
                outside = true;
                continue;
            }
            const Merger::Added result = merger.AddToDay(d, lines);
            counts.memoLines += result.any ? 1 : 0;
            counts.duplicates += result.any || result.full ? 0 : 1;
            full = full || result.full;
            added = added || result.any;
        }
        const NoteReason reason = full      ? NoteReason::DayFull
                                  : outside ? NoteReason::OutOfRange
                                  : tooLong ? NoteReason::TooLong
                                            : NoteReason::LineCut;
        if (!added && (full || outside))
            merger.Skip(reason, e);
        else if (added && (full || outside || tooLong || cut))
            merger.Shorten(reason, e);
    }
    return counts;
}

Outcome ExportDayData(const std::wstring& dataPath, const std::wstring& icsPath)
{
    Outcome outcome;
    if (const UINT reason = RefusedExportTarget(dataPath, icsPath)) {
        outcome.status = Status::Refused;
        outcome.reason = reason;
        return outcome;
    }
    MappedFile old;
    {
        // Read as recovered: a save cut off between its steps leaves the data in qv.dat.new.
        const DayDataLock lock(dataPath);
        if (!lock.Held() || KeptDayData(dataPath).Open(old) == ReadResult::Failed)
            return outcome;
    }
    const DayData data = ReadDayData(old.Bytes());
    old.Close();
    const auto memos = MemoDays(data);
    const auto memorials = MemorialDays(data);
    SYSTEMTIME now{};
    GetSystemTime(&now);
    const std::string text =
        ical::WriteCalendar(memos, memorials, {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond});
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    FileReplacement replacement(icsPath, {}); // a name of its own: never over an existing file
    if (!replacement.Write(std::array{bytes}) || !replacement.Commit())
        return outcome;
    outcome.status = Status::Done;
    outcome.memoCount = static_cast<int>(memos.size());
    outcome.memorialCount = static_cast<int>(memorials.size());
    return outcome;
}

bool MergeIntoDataFile(const std::wstring& dataPath, std::span<const ical::Event> events, const ToLocalTime& toLocal,
                       ImportCounts& counts)
{
    // The merge runs outside the data file's lock, so the calendar's saves go on meanwhile;
    // the replacement is made under it, and only over the very file that was merged. When
    // another writer came in between, the merge is made once more, holding the lock.
    std::vector<std::uint8_t> old;
    {
        const DayDataLock lock(dataPath);
        if (!lock.Held() || ReadWhole(dataPath, old) == ReadResult::Failed)
            return false;
    }
    // Held from the check on, so that a second merge needs no second read.
    std::optional<DayDataLock> lock;
    for (;;) {
        DayData data = ReadDayData(old);
        counts = MergeEvents(data, events, toLocal);
        if (data.changedMemos.empty() && data.changedMemorials.empty())
            return true;
        const auto merged = MergedFile(old, data);
        if (!merged)
            return false;
        if (!lock) {
            std::vector<std::uint8_t> now;
            if (!lock.emplace(dataPath).Held() || ReadWhole(dataPath, now) == ReadResult::Failed)
                return false;
            if (now != old) {
                old.swap(now);
                continue;
            }
        }
        FileReplacement replacement = KeptDayData(dataPath).Replacement();
        return replacement.Write(std::array{std::span<const std::uint8_t>(*merged)}) && replacement.Commit();
    }
}

Outcome ImportDayData(const std::wstring& dataPath, const std::wstring& icsPath, const ToLocalTime& toLocal)
{
    Outcome outcome;
    MappedFile ics;
    if (ics.Open(icsPath) != ReadResult::Ok)
        return outcome;
    const auto bytes = ics.Bytes();
    const ical::ParsedCalendar parsed =
        ical::ParseCalendar({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    ics.Close();
    if (parsed.error != ical::ParseError::None) {
        outcome.status = Status::Refused;
        outcome.error = parsed.error;
        outcome.line = parsed.errorLine;
        return outcome;
    }
    const tz::ZoneResolver zones(parsed.zones);
    const ToLocalTime byZones = [&](const ical::DateTime& t, const std::string& tzid) {
        return zones.ToComputerTime(t, tzid);
    };
    if (MergeIntoDataFile(dataPath, parsed.events, toLocal ? toLocal : byZones, outcome.counts))
        outcome.status = Status::Done;
    return outcome;
}

} // namespace exchange
