#include "calendar/Reminders.h"

#include "calendar/FeedShelf.h"

#include "calendar/DayDataFormat.h"
#include "calendar/FileIO.h"

#include <algorithm>

using namespace std::chrono;

namespace reminders {
namespace {

int Digit(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'\xFF10' && c <= L'\xFF19') // full-width
        return c - L'\xFF10';
    return -1;
}

bool IsColon(wchar_t c) { return c == L':' || c == L'\xFF1A'; }
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\x3000'; }
// Hyphens, dashes, minus signs, tildes and the wave dash people put between two times.
bool IsRangeMark(wchar_t c)
{
    return c == L'-' || c == L'~' || c == L'\x301C' || c == L'\xFF5E' || c == L'\xFF0D' || c == L'\x2212' ||
           (c >= L'\x2010' && c <= L'\x2015');
}

std::size_t SkipBlanks(std::wstring_view s, std::size_t i)
{
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    return i;
}

// The time at position `i`: its minutes after midnight, and where it ends.
std::optional<std::pair<minutes, std::size_t>> TimeAt(std::wstring_view s, std::size_t i)
{
    int hour = 0;
    std::size_t p = i;
    while (p < s.size() && p - i < 2 && Digit(s[p]) >= 0)
        hour = hour * 10 + Digit(s[p++]);
    if (p == i || p + 2 >= s.size() || !IsColon(s[p]) || Digit(s[p + 1]) < 0 || Digit(s[p + 2]) < 0)
        return std::nullopt;
    const int minute = Digit(s[p + 1]) * 10 + Digit(s[p + 2]);
    p += 3;
    if (hour > 23 || minute > 59 || (p < s.size() && Digit(s[p]) >= 0))
        return std::nullopt;
    return std::pair{hours{hour} + minutes{minute}, p};
}

} // namespace

std::optional<MemoTime> ParseMemoTime(std::wstring_view line)
{
    if (line.ends_with(L'\r'))
        line.remove_suffix(1);
    const std::size_t from = SkipBlanks(line, 0);
    const auto start = TimeAt(line, from);
    if (!start)
        return std::nullopt;
    std::size_t end = start->second;
    // A range to an end time; the text follows it.
    if (const std::size_t mark = SkipBlanks(line, end); mark < line.size() && IsRangeMark(line[mark]))
        if (const auto until = TimeAt(line, SkipBlanks(line, mark + 1)))
            end = until->second;
    if (end < line.size() && !IsBlank(line[end]))
        return std::nullopt;
    std::wstring_view text = line.substr(SkipBlanks(line, end));
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return MemoTime{start->first, std::wstring(text)};
}

std::vector<Appointment> MemoAppointments(std::span<const std::uint8_t> file, local_days first, local_days last)
{
    std::vector<Appointment> found;
    const auto keyOf = [](local_days d) {
        const year_month_day ymd{d};
        return static_cast<int>(ymd.year()) * 100 + static_cast<int>(static_cast<unsigned>(ymd.month()));
    };
    const int firstKey = keyOf(first);
    const int lastKey = keyOf(last);
    std::set<std::int32_t> keys;
    // One walk over the block headers, however long the range: the first block of a month wins.
    dayfile::ForEachBlock(file, dayfile::ReadLayout(file).memo, [&](std::int32_t key, const dayfile::Block& block) {
        if (key < firstKey || key > lastKey || key % 100 < 1 || key % 100 > 12 || !keys.insert(key).second)
            return true;
        std::set<int> days;
        for (const dayfile::MemoEntry& entry : dayfile::ParseMemoEntries(dayfile::Bytes(file, block.data))) {
            const year_month_day date{year{key / 100}, month{static_cast<unsigned>(key % 100)},
                                      day{static_cast<unsigned>(std::clamp(entry.day, 0, 32))}};
            // The first entry of a day is the one the calendar shows.
            if (!date.ok() || local_days{date} < first || local_days{date} > last || !days.insert(entry.day).second)
                continue;
            const std::wstring_view text = entry.text;
            for (std::size_t pos = 0; pos <= text.size();) {
                const std::size_t cut = std::min(text.find(L'\n', pos), text.size());
                if (auto time = ParseMemoTime(text.substr(pos, cut - pos)))
                    found.push_back({local_days{date} + time->start, {}, std::move(time->text), std::nullopt});
                pos = cut + 1;
            }
        }
        return true;
    });
    return found;
}

Source MemoSource(std::wstring dataPath)
{
    return [path = std::move(dataPath)](local_days first, local_days last) -> std::optional<std::vector<Appointment>> {
        MappedFile file;
        switch (file.Open(path)) {
        case ReadResult::Missing: return std::vector<Appointment>{};
        case ReadResult::Failed: return std::nullopt;
        case ReadResult::Ok: break;
        }
        return MemoAppointments(file.Bytes(), first, last);
    };
}

Source FeedSource(const FeedShelf& shelf)
{
    return [&shelf](local_days first, local_days last) -> std::optional<std::vector<Appointment>> {
        std::vector<Appointment> out;
        for (const FeedShelf::Source& source : shelf.Sources()) {
            if (!source.feed)
                continue;
            for (const Occurrence& o : source.feed->Expand(first, last)) {
                const local_days day = floor<days>(o.start);
                if (!o.allDay && day >= first && day <= last)
                    out.push_back({o.start, source.name, o.summary, o.alarmLead});
            }
        }
        return out;
    };
}

namespace {
// Every reminder of the appointments starting on days first..last, in order of start.
std::optional<std::vector<Reminder>> Collect(std::span<const Source> sources, const tz::TimeZone& zone,
                                             minutes defaultLead, local_days first, local_days last)
{
    std::vector<Reminder> all;
    for (const Source& source : sources) {
        auto found = source(first, last);
        if (!found)
            return std::nullopt;
        for (Appointment& a : *found) {
            const minutes lead = std::clamp(a.lead.value_or(defaultLead), minutes{0}, kMaxLead);
            // To the minute, as LastShown keeps it.
            const sys_seconds start = floor<minutes>(zone.ToUtc(a.start));
            all.push_back({std::move(a), start - lead, start});
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const Reminder& a, const Reminder& b) { return a.start < b.start; });
    return all;
}
} // namespace

std::optional<std::vector<Reminder>> Listing(std::span<const Source> sources, const tz::TimeZone& zone,
                                             const Options& options, local_days first, local_days last)
{
    // A reminder on `last` may belong to an appointment up to the longest lead later.
    auto all = Collect(sources, zone, options.lead, first, last + ceil<days>(kMaxLead) + days{1});
    if (!all)
        return std::nullopt;
    std::erase_if(*all, [&](const Reminder& r) {
        const local_days day = floor<days>(zone.ToLocal(r.fire));
        return day < first || day > last;
    });
    std::stable_sort(all->begin(), all->end(), [](const Reminder& a, const Reminder& b) { return a.fire < b.fire; });
    return all;
}

Scheduler::Scheduler()
    : now_([] { return time_point_cast<milliseconds>(system_clock::now()); }), zone_([] { return tz::ComputerZone(); })
{
}

void Scheduler::SetClock(std::function<Millis()> now, std::function<ZonePtr()> zone)
{
    now_ = std::move(now);
    zone_ = std::move(zone);
}

void Scheduler::SetLastShown(std::optional<local_seconds> local)
{
    lastShown_.reset();
    if (local)
        lastShown_ = zone_()->ToUtc(*local);
}

std::optional<local_seconds> Scheduler::LastShown() const
{
    if (!lastShown_)
        return std::nullopt;
    return zone_()->ToLocal(*lastShown_);
}

bool Scheduler::IsNew(const Appointment& a) const
{
    if (!previous_)
        return false;
    const local_days day = floor<days>(a.start);
    return day >= previous_->first && day <= previous_->last && !previous_->found.contains(a);
}

Scheduler::Plan Scheduler::Evaluate(const Options& options)
{
    Plan plan;
    if (!options.enabled) {
        // Nothing is watched meanwhile: what appears until reminders are on again is not new.
        previous_.reset();
        return plan;
    }
    const Millis now = now_();
    const ZonePtr zonePtr = zone_();
    const tz::TimeZone& zone = *zonePtr;
    const sys_seconds oldest = floor<seconds>(now) - kLateLimit;
    const local_days first = floor<days>(zone.ToLocal(oldest));
    const local_days last = floor<days>(zone.ToLocal(floor<seconds>(now) + kMaxWait + kMaxLead)) + days{1};
    sys_seconds next = floor<seconds>(now) + kMaxWait;

    const auto all = Collect(sources_, zone, options.lead, first, last);
    if (!all) {
        // A file that cannot be read now (being replaced): look again soon.
        plan.next = now + minutes{1};
        return plan;
    }
    std::erase_if(shown_, [&](const Appointment& a) { return a.start < zone.ToLocal(oldest) - days{1}; });
    for (const Reminder& r : *all) {
        if (r.start < oldest || shown_.contains(r.appointment))
            continue;
        if (lastShown_ && r.fire <= *lastShown_ && !IsNew(r.appointment))
            continue;
        if (r.fire <= now)
            plan.due.push_back(r);
        else
            next = std::min(next, r.fire);
    }
    Look look{first, last, {}};
    for (const Reminder& r : *all)
        look.found.insert(r.appointment);
    previous_ = std::move(look);
    plan.next = Millis{next};
    return plan;
}

void Scheduler::MarkShown(std::span<const Reminder> shown)
{
    for (const Reminder& r : shown) {
        shown_.insert(r.appointment);
        lastShown_ = lastShown_ ? std::max(*lastShown_, r.fire) : r.fire;
    }
}

} // namespace reminders
