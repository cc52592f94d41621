#include "calendar/FeedCalendar.h"

#include "app/TextCodec.h"

#include <algorithm>
#include <limits>
#include <map>

using namespace std::chrono;

namespace {
// An expansion looks this far beyond the days asked for: zones differ from the computer's by
// at most a day and two hours.
constexpr hours kZoneSlack{27};

std::string_view Param(const ical::Property& p, const char* name)
{
    const auto it = p.params.find(name);
    return it == p.params.end() ? std::string_view() : std::string_view(it->second);
}

// Texts for one line: line breaks and tabs become spaces.
std::wstring OneLine(std::wstring text)
{
    std::replace_if(
        text.begin(), text.end(), [](wchar_t c) { return c == L'\r' || c == L'\n' || c == L'\t'; }, L' ');
    return text;
}

// The date-times of a list property (EXDATE, RDATE); a PERIOD keeps its start. Null when one is malformed.
std::optional<std::vector<ical::DateTime>> TimeList(const ical::Property& p)
{
    std::vector<ical::DateTime> out;
    std::size_t pos = 0;
    while (pos <= p.value.size()) {
        const std::size_t end = std::min(p.value.find(',', pos), p.value.size());
        std::string_view item = std::string_view(p.value).substr(pos, end - pos);
        const auto t = ical::ParseDateTime(item.substr(0, item.find('/')));
        if (!t)
            return std::nullopt;
        out.push_back(*t);
        pos = end + 1;
    }
    return out;
}
} // namespace

std::int64_t FeedCalendar::Identity(local_seconds wall, const tz::TimeZone* zone)
{
    return zone ? zone->ToUtc(wall).time_since_epoch().count() : wall.time_since_epoch().count();
}

// Reads the events of one VCALENDAR with its zones.
struct FeedCalendar::Reader {
    FeedCalendar& feed;
    tz::ZoneResolver zones;
    int failedLine = 0;

    struct Override {
        std::string uid;
        ical::DateTime id;
        const tz::TimeZone* zone = nullptr; // of the RECURRENCE-ID; null: the series' own
    };
    std::vector<Override> overrides;
    std::multimap<std::string, std::size_t> series; // UID -> index of a recurring event

    const tz::TimeZone* Keep(std::shared_ptr<const tz::TimeZone> zone)
    {
        if (!zone)
            return nullptr;
        if (std::find(feed.zones_.begin(), feed.zones_.end(), zone) == feed.zones_.end())
            feed.zones_.push_back(zone);
        return zone.get();
    }

    // The zone a time is written in: UTC, its TZID, or the calendar's for floating times.
    const tz::TimeZone* ZoneOf(const ical::Property& p, const ical::DateTime& t)
    {
        if (t.IsDate())
            return nullptr;
        if (t.utc)
            return &tz::Utc();
        const std::string_view id = Param(p, "TZID");
        if (!id.empty())
            if (auto zone = zones.Find(id))
                return Keep(std::move(zone));
        return Keep(zones.Floating());
    }

    std::optional<ical::DateTime> Time(const ical::Property* p)
    {
        if (p == nullptr)
            return std::nullopt;
        auto t = ical::ParseDateTime(p->value);
        if (!t)
            failedLine = p->line;
        return t;
    }

    // A wall-clock time written in `from` as a wall-clock time of `to`.
    static local_seconds Rezoned(local_seconds wall, const tz::TimeZone* from, const tz::TimeZone* to)
    {
        if (from == to || from == nullptr || to == nullptr)
            return wall;
        return to->ToLocal(from->ToUtc(wall));
    }

    void ReadEvent(const ical::Component& c)
    {
        const ical::Property* startProperty = c.Find("DTSTART");
        const auto start = Time(startProperty);
        const auto end = Time(c.Find("DTEND"));
        const auto recurrenceId = Time(c.Find("RECURRENCE-ID"));
        if (failedLine != 0 || !start)
            return; // an event without a start shows nowhere
        Event e;
        e.allDay = start->IsDate();
        e.zone = ZoneOf(*startProperty, *start);
        e.start = tz::WallOf(*start);
        if (end) {
            const local_seconds endWall = Rezoned(tz::WallOf(*end), ZoneOf(*c.Find("DTEND"), *end), e.zone);
            e.length = e.allDay ? floor<days>(endWall) - floor<days>(e.start) : endWall - e.start;
            if (!e.allDay && e.zone)
                e.length = e.zone->ToUtc(endWall) - e.zone->ToUtc(e.start);
        } else if (const ical::Property* d = c.Find("DURATION")) {
            const auto length = ical::ParseDuration(d->value);
            if (!length) {
                failedLine = d->line;
                return;
            }
            e.length = e.allDay ? floor<days>(*length) : *length;
        }
        e.length = std::max(e.length, e.allDay ? seconds{days{1}} : seconds{0});

        for (const ical::Property& p : c.properties) {
            if (p.name == "SUMMARY" || p.name == "LOCATION") {
                auto text = ical::UnescapeText(p.value);
                if (!text) {
                    failedLine = p.line;
                    return;
                }
                (p.name == "SUMMARY" ? e.summary : e.location) = OneLine(std::move(*text));
            } else if (p.name == "EXDATE" || p.name == "RDATE") {
                const auto list = TimeList(p);
                if (!list) {
                    failedLine = p.line;
                    return;
                }
                for (const ical::DateTime& t : *list) {
                    const tz::TimeZone* zone = ZoneOf(p, t);
                    const local_seconds wall = Rezoned(tz::WallOf(t), zone ? zone : e.zone, e.zone);
                    if (p.name == "RDATE")
                        e.extra.push_back(wall);
                    else if (t.IsDate() && !e.allDay)
                        e.skippedDays.push_back(floor<days>(wall));
                    else
                        e.skipped.push_back(Identity(wall, e.zone));
                }
            } else if (p.name == "RRULE" && !recurrenceId && !e.recurrence) {
                auto rule = recur::ParseRule(p.value);
                if (!rule)
                    continue;   // unreadable, or finer than a day: the first occurrence stands
                if (e.allDay) { // an all-day series recurs on days, at no hour
                    rule->byHour.clear();
                    rule->byMinute.clear();
                    rule->bySecond.clear();
                }
                std::optional<local_seconds> until;
                if (const auto& u = rule->until) {
                    if (u->IsDate())
                        until = tz::WallOf(*u) + (e.allDay ? seconds{0} : days{1} - seconds{1});
                    else
                        until = u->utc && e.zone ? e.zone->ToLocal(sys_seconds(tz::WallOf(*u).time_since_epoch()))
                                                 : tz::WallOf(*u);
                }
                e.recurrence = std::make_unique<recur::Recurrence>(*rule, e.start, until);
            }
        }
        for (const ical::Component& alarm : c.children) {
            const ical::Property* trigger = alarm.name == "VALARM" ? alarm.Find("TRIGGER") : nullptr;
            if (trigger == nullptr || AsciiUpper(Param(*trigger, "VALUE")) == "DATE-TIME")
                continue;
            const auto offset = ical::ParseDuration(trigger->value);
            if (!offset)
                continue;
            const seconds before = -(AsciiUpper(Param(*trigger, "RELATED")) == "END" ? e.length + *offset : *offset);
            if (before >= seconds{0})
                e.alarmLead = std::max(e.alarmLead.value_or(minutes{0}), floor<minutes>(before));
        }

        const ical::Property* status = c.Find("STATUS");
        const bool cancelled = status != nullptr && AsciiUpper(status->value) == "CANCELLED";
        const ical::Property* uid = c.Find("UID");
        if (recurrenceId) {
            const ical::Property& idProperty = *c.Find("RECURRENCE-ID");
            overrides.push_back({uid ? uid->value : std::string(), *recurrenceId,
                                 recurrenceId->utc || !Param(idProperty, "TZID").empty()
                                     ? ZoneOf(idProperty, *recurrenceId)
                                     : nullptr});
        }
        if (cancelled)
            return; // a cancelled series shows nothing, a cancelled override only takes its instance away
        std::sort(e.extra.begin(), e.extra.end());
        e.extra.erase(std::unique(e.extra.begin(), e.extra.end()), e.extra.end());
        if (e.recurrence && uid)
            series.emplace(uid->value, feed.events_.size());
        feed.events_.push_back(std::move(e));
    }

    // Each override takes the instance it replaces out of its series.
    void Link()
    {
        for (const Override& o : overrides) {
            const auto [first, last] = series.equal_range(o.uid);
            for (auto it = first; it != last; ++it) {
                Event& e = feed.events_[it->second];
                const local_seconds wall = Rezoned(tz::WallOf(o.id), o.zone ? o.zone : e.zone, e.zone);
                e.skipped.push_back(Identity(wall, e.zone));
            }
        }
    }
};

FeedCalendar FeedCalendar::Parse(std::string_view bytes)
{
    FeedCalendar feed;
    const ical::ParsedComponents tree = ical::ParseComponents(bytes);
    if (tree.error != ical::ParseError::None) {
        feed.error_ = tree.error;
        feed.errorLine_ = tree.errorLine;
        return feed;
    }
    for (const ical::Component& calendar : tree.calendars) {
        Reader reader{feed, tz::ZoneResolver(calendar)};
        for (const ical::Component& c : calendar.children) {
            if (c.name == "VEVENT")
                reader.ReadEvent(c);
            if (reader.failedLine != 0) {
                FeedCalendar refused;
                refused.error_ = ical::ParseError::BadLine;
                refused.errorLine_ = reader.failedLine;
                return refused;
            }
        }
        reader.Link();
    }
    // The span each event can touch, in seconds about UTC, for a quick test against a window.
    for (Event& e : feed.events_) {
        std::sort(e.skipped.begin(), e.skipped.end());
        const std::int64_t first = e.start.time_since_epoch().count();
        std::int64_t last = first;
        if (e.recurrence)
            last = e.recurrence->Last() ? e.recurrence->Last()->time_since_epoch().count()
                                        : std::numeric_limits<std::int64_t>::max() / 2;
        if (!e.extra.empty())
            last = std::max(last, e.extra.back().time_since_epoch().count());
        e.from = std::min(first, e.extra.empty() ? first : e.extra.front().time_since_epoch().count());
        e.to = last + e.length.count();
    }
    return feed;
}

std::vector<Occurrence> FeedCalendar::Expand(local_days first, local_days last) const
{
    return Expand(first, last, *tz::ComputerZone());
}

template <class Visit>
void FeedCalendar::ForEach(local_days first, local_days last, const tz::TimeZone& shownIn, Visit&& visit) const
{
    if (last < first)
        return;
    const local_seconds windowStart(first), windowEnd(last + days{1});
    const std::int64_t slack = seconds{kZoneSlack}.count();
    const std::size_t cap = std::max<std::size_t>(recur::Recurrence::kMaxPerWindow / 4,
                                                  static_cast<std::size_t>((last - first).count() + 1) * 48);
    std::vector<local_seconds> walls;
    for (const Event& e : events_) {
        if (e.from > windowEnd.time_since_epoch().count() + slack ||
            e.to < windowStart.time_since_epoch().count() - slack)
            continue;
        walls.clear();
        const local_seconds from = windowStart - kZoneSlack - e.length, to = windowEnd + kZoneSlack;
        if (e.recurrence)
            e.recurrence->Expand(from, to, cap, walls);
        else if (e.start >= from && e.start <= to)
            walls.push_back(e.start);
        if (!e.extra.empty()) {
            const auto begin = std::lower_bound(e.extra.begin(), e.extra.end(), from);
            const auto end = std::upper_bound(begin, e.extra.end(), to);
            if (begin != end) {
                walls.insert(walls.end(), begin, end);
                std::sort(walls.begin(), walls.end());
                walls.erase(std::unique(walls.begin(), walls.end()), walls.end());
            }
        }
        for (const local_seconds wall : walls) {
            if ((!e.skipped.empty() &&
                 std::binary_search(e.skipped.begin(), e.skipped.end(), Identity(wall, e.zone))) ||
                std::find(e.skippedDays.begin(), e.skippedDays.end(), floor<days>(wall)) != e.skippedDays.end())
                continue;
            local_seconds start = wall, end = wall + e.length;
            if (e.zone != nullptr) {
                const sys_seconds utc = e.zone->ToUtc(wall);
                start = shownIn.ToLocal(utc);
                end = shownIn.ToLocal(utc + e.length);
            }
            const bool touches =
                start == end ? start >= windowStart && start < windowEnd : start < windowEnd && end > windowStart;
            if (touches)
                visit(e, start, end);
        }
    }
}

std::vector<Occurrence> FeedCalendar::Expand(local_days first, local_days last, const tz::TimeZone& shownIn) const
{
    std::vector<Occurrence> out;
    ForEach(first, last, shownIn, [&](const Event& e, local_seconds start, local_seconds end) {
        out.push_back(Occurrence{start, end, e.allDay, e.summary, e.location, e.alarmLead});
    });
    std::stable_sort(out.begin(), out.end(), [](const Occurrence& a, const Occurrence& b) {
        if (a.start != b.start)
            return a.start < b.start;
        if (a.allDay != b.allDay)
            return a.allDay;
        return a.end < b.end;
    });
    return out;
}

std::vector<bool> FeedCalendar::BusyDays(local_days first, local_days last, const tz::TimeZone& shownIn) const
{
    std::vector<bool> busy(last < first ? 0 : static_cast<std::size_t>((last - first).count() + 1));
    ForEach(first, last, shownIn, [&](const Event&, local_seconds start, local_seconds end) {
        // The days it covers: an end at midnight does not reach into that day.
        const local_days begin = std::max(floor<days>(start), first);
        const local_days stop = std::min(end > start ? floor<days>(end - seconds{1}) : floor<days>(start), last);
        for (local_days d = begin; d <= stop; d += days{1})
            busy[static_cast<std::size_t>((d - first).count())] = true;
    });
    return busy;
}
