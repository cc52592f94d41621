#include "calendar/DayDataExchange.h"

#include "app/Application.h"
#include "calendar/DateUtil.h"
#include "calendar/DayDataFile.h"
#include "calendar/FileIO.h"
#include "calendar/Subscriptions.h"
#include "resource.h"

#include <algorithm>
#include <climits>
#include <cwchar>

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

// The memo text an event brings. An all-day event whose description starts with
// its title (as exported memos do) brings the whole description.
std::wstring EventText(const ical::Event& e, bool allDay)
{
    if (allDay && !e.description.empty() &&
        std::wstring_view(e.description).substr(0, e.description.find_first_of(L"\r\n")) == e.summary)
        return e.description;
    return OneLine(e.summary);
}

std::wstring WithoutCR(std::wstring_view text)
{
    std::wstring out;
    for (const wchar_t c : text)
        if (c != L'\r')
            out += c;
    return out;
}

// Whether the memo holds the entry as whole lines.
bool HoldsLines(const std::wstring& memo, const std::wstring& entry)
{
    return (L"\n" + WithoutCR(memo) + L"\n").find(L"\n" + WithoutCR(entry) + L"\n") != std::wstring::npos;
}

// A yearly rule that says no more than the start date does.
bool PlainYearly(const std::map<std::string, std::string>& rule, const ical::DateTime& start)
{
    for (const auto& [name, value] : rule) {
        const bool ok = (name == "FREQ" && value == "YEARLY") || (name == "INTERVAL" && value == "1") ||
                        (name == "BYMONTH" && value == std::to_string(start.month)) ||
                        (name == "BYMONTHDAY" && value == std::to_string(start.day)) || name == "WKST";
        if (!ok)
            return false;
    }
    return rule.contains("FREQ");
}

// The string that says why an export must not write `icsPath`, or 0: never a
// folder, never the files kept beside the data file.
UINT RefusedExportTarget(const std::wstring& dataPath, const std::wstring& icsPath)
{
    const std::wstring folder = dataPath.substr(0, dataPath.find_last_of(L'\\') + 1);
    const std::wstring ini = folder + (ResString(IDS_INI_FILE).empty() ? L"qv.ini" : ResString(IDS_INI_FILE));
    const std::wstring kept[] = {dataPath, dataPath + L".new", ini, ini + L".new"};
    const std::wstring folders[] = {feeds::Folder(folder)};
    switch (CheckExportTarget(icsPath, kept, folders)) {
    case TargetCheck::NotAFile: return IDS_EXPORT_NOT_A_FILE;
    case TargetCheck::KeptFile: return IDS_EXPORT_KEPT_FILE;
    case TargetCheck::Ok: break;
    }
    return 0;
}

sys_seconds Moment(const ical::DateTime& t)
{
    return t.Day() + hours{std::max(t.hour, 0)} + minutes{t.minute} + seconds{std::min(t.second, 59)};
}
} // namespace

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

ical::DateTime SystemLocalTime(const ical::DateTime& utc)
{
    SYSTEMTIME in{};
    in.wYear = static_cast<WORD>(utc.year);
    in.wMonth = static_cast<WORD>(utc.month);
    in.wDay = static_cast<WORD>(utc.day);
    in.wHour = static_cast<WORD>(std::max(utc.hour, 0));
    in.wMinute = static_cast<WORD>(utc.minute);
    in.wSecond = static_cast<WORD>(std::min(utc.second, 59));
    SYSTEMTIME out{};
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &in, &out))
        return {utc.year, utc.month, utc.day, utc.hour, utc.minute, utc.second, false};
    return {out.wYear, out.wMonth, out.wDay, out.wHour, out.wMinute, out.wSecond, false};
}

ImportCounts MergeEvents(DayData& data, std::span<const ical::Event> events, const ToLocalTime& toLocal)
{
    constexpr int kMaxDays = 31;
    ImportCounts counts;
    for (const ical::Event& e : events) {
        if (!e.start) {
            ++counts.skipped;
            continue;
        }
        const ical::DateTime start = e.start->utc ? toLocal(*e.start) : *e.start;
        const bool allDay = start.IsDate();
        if (allDay && !e.rule.empty() && PlainYearly(e.rule, start)) {
            const std::wstring name = OneLine(e.summary);
            auto& days = data.memorials[start.month];
            const auto old = days.find(start.day);
            if (name.empty() || (old != days.end() && old->second.name != name)) {
                ++counts.skipped;
            } else if (old != days.end()) {
                ++counts.duplicates;
            } else {
                days.emplace(start.day, dayfile::MemorialEntry{start.day, name, e.picture});
                data.changedMemorials.insert(start.month);
                ++counts.memorials;
            }
            continue;
        }
        if (!e.rule.empty())
            ++counts.recurring; // taken at its first occurrence only

        std::wstring line = EventText(e, allDay);
        sys_days first = start.Day(), last = first;
        if (allDay) {
            if (e.end)
                last = e.end->Day() - days{1};
            else if (e.duration)
                last = first + floor<days>(*e.duration) - days{1};
        } else {
            const sys_seconds from = Moment(start);
            sys_seconds to = from;
            if (e.end)
                to = Moment(e.end->utc ? toLocal(*e.end) : *e.end);
            else if (e.duration)
                to = from + *e.duration;
            last = floor<days>(to);
            if (to > from && to == last)
                last -= days{1}; // ending at midnight does not cover that day
            wchar_t time[16];
            std::swprintf(time, 16, L"%02d:%02d ", start.hour, start.minute);
            line = OneLine(e.summary).empty() ? std::wstring() : time + OneLine(e.summary);
        }
        if (line.empty()) {
            ++counts.skipped;
            continue;
        }
        last = std::clamp(last, first, first + days{kMaxDays - 1});
        for (sys_days d = first; d <= last; d += days{1}) {
            const year_month_day ymd(d);
            const int year = static_cast<int>(ymd.year());
            const int key = year * 100 + static_cast<int>(static_cast<unsigned>(ymd.month()));
            if (year < 1 || year > 9999) {
                ++counts.outOfRange;
                continue;
            }
            std::wstring& memo = data.memos[key][static_cast<int>(static_cast<unsigned>(ymd.day()))];
            if (HoldsLines(memo, line)) {
                ++counts.duplicates;
                continue;
            }
            if (!memo.empty() && !memo.ends_with(L'\n'))
                memo += L"\r\n";
            memo += line;
            data.changedMemos.insert(key);
            ++counts.memoLines;
        }
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

Outcome ImportDayData(const std::wstring& dataPath, const std::wstring& tempPath, const std::wstring& icsPath,
                      const ToLocalTime& toLocal)
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
    // Every writer of the data file holds its lock from the read to the replacement.
    const DayDataLock lock(dataPath);
    MappedFile old;
    if (!lock.Held() || KeptDayData(dataPath).Open(old) == ReadResult::Failed)
        return outcome;
    DayData data = ReadDayData(old.Bytes());
    outcome.counts = MergeEvents(data, parsed.events, toLocal);
    if (!data.changedMemos.empty() || !data.changedMemorials.empty()) {
        const auto merged = MergedFile(old.Bytes(), data);
        FileReplacement replacement(dataPath, tempPath);
        if (!merged || !replacement.Write(std::array{std::span<const std::uint8_t>(*merged)}))
            return outcome;
        old.Close(); // the view would keep the old file from being replaced
        if (!replacement.Commit())
            return outcome;
    }
    outcome.status = Status::Done;
    return outcome;
}

} // namespace exchange
