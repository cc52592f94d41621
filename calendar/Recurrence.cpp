#include "calendar/Recurrence.h"

#include "app/TextCodec.h"

#include <algorithm>
#include <array>

namespace recur {
namespace {
using namespace std::chrono;
using Days = local_days;

// Periods walked at construction to find where a COUNT ends, and at most once more per window.
constexpr std::int64_t kCountWalkPeriods = 4096;
constexpr std::int64_t kLateCountWalkPeriods = 100000;
constexpr int kLastYear = 9999;

constexpr std::array<std::string_view, 7> kWeekdays{"SU", "MO", "TU", "WE", "TH", "FR", "SA"};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

int Weekday(Days day) { return static_cast<int>(weekday(day).c_encoding()); }
int Year(const year_month_day& d) { return static_cast<int>(d.year()); }
int Month(const year_month_day& d) { return static_cast<int>(static_cast<unsigned>(d.month())); }
int Dom(const year_month_day& d) { return static_cast<int>(static_cast<unsigned>(d.day())); }
int DaysIn(int y, int m)
{
    return static_cast<int>(
        static_cast<unsigned>(year_month_day_last(year{y} / month{static_cast<unsigned>(m)} / last).day()));
}
Days FirstOf(int y, int m) { return Days(year{y} / month{static_cast<unsigned>(m)} / 1); }
std::int64_t MonthIndex(const year_month_day& d) { return std::int64_t{Year(d)} * 12 + Month(d) - 1; }
Days WeekStart(Days day, int weekStart) { return day - days{(Weekday(day) - weekStart + 7) % 7}; }

// The first day of week 1 of a year: the first week (starting on `weekStart`) with at least four days in it.
Days FirstWeek(int y, int weekStart)
{
    const Days jan1 = FirstOf(y, 1);
    const int before = (Weekday(jan1) - weekStart + 7) % 7;
    return jan1 - days{before} + days{7 - before >= 4 ? 0 : 7};
}

bool Contains(const std::vector<int>& list, int value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// A signed position among `size` things (1 the first, -1 the last) matching a 1-based index.
bool AtPosition(const std::vector<int>& positions, int index, int size)
{
    return std::any_of(positions.begin(), positions.end(),
                       [&](int p) { return p > 0 ? p == index : size + p + 1 == index; });
}

std::optional<std::int64_t> Number(std::string_view text, std::int64_t low, std::int64_t high)
{
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

// A comma list of numbers within [-high, high] without 0 (or [low, high] when low >= 0).
bool NumberList(std::string_view text, int low, int high, std::vector<int>& out)
{
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find(',', pos), text.size());
        const auto n = Number(text.substr(pos, end - pos), low, high);
        if (!n || (low < 0 && *n == 0))
            return false;
        out.push_back(static_cast<int>(*n));
        pos = end + 1;
    }
    return true;
}

std::optional<int> WeekdayCode(std::string_view text)
{
    const auto it = std::find(kWeekdays.begin(), kWeekdays.end(), text);
    if (it == kWeekdays.end())
        return std::nullopt;
    return static_cast<int>(it - kWeekdays.begin());
}

bool DayList(std::string_view text, std::vector<WeekdayNum>& out)
{
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = std::min(text.find(',', pos), text.size());
        const std::string_view item = text.substr(pos, end - pos);
        if (item.size() < 2)
            return false;
        const auto day = WeekdayCode(item.substr(item.size() - 2));
        const std::string_view ordinal = item.substr(0, item.size() - 2);
        const auto n = ordinal.empty() ? std::optional<std::int64_t>(0) : Number(ordinal, -53, 53);
        if (!day || !n || (!ordinal.empty() && *n == 0))
            return false;
        out.push_back({static_cast<int>(*n), *day});
        pos = end + 1;
    }
    return true;
}

} // namespace

std::optional<Rule> ParseRule(std::string_view value)
{
    Rule rule;
    bool frequency = false;
    const std::string text = AsciiUpper(value);
    std::string_view rest = text;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find(';'), rest.size());
        const std::string_view part = rest.substr(0, end);
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (part.empty())
            continue;
        const std::size_t eq = part.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        const std::string_view name = part.substr(0, eq), v = part.substr(eq + 1);
        bool ok = true;
        if (name == "FREQ") {
            static constexpr std::pair<std::string_view, Frequency> kNames[] = {{"DAILY", Frequency::Daily},
                                                                                {"WEEKLY", Frequency::Weekly},
                                                                                {"MONTHLY", Frequency::Monthly},
                                                                                {"YEARLY", Frequency::Yearly}};
            const auto it = std::find_if(std::begin(kNames), std::end(kNames), [&](auto& n) { return n.first == v; });
            ok = frequency = it != std::end(kNames);
            if (ok)
                rule.frequency = it->second;
        } else if (name == "INTERVAL") {
            const auto n = Number(v, 1, 100000);
            ok = n.has_value();
            rule.interval = static_cast<int>(n.value_or(1));
        } else if (name == "COUNT") {
            rule.count = Number(v, 1, INT64_MAX / 2);
            ok = rule.count.has_value();
        } else if (name == "UNTIL") {
            rule.until = ical::ParseDateTime(v);
            ok = rule.until.has_value();
        } else if (name == "WKST") {
            const auto day = WeekdayCode(v);
            ok = day.has_value();
            rule.weekStart = day.value_or(1);
        } else if (name == "BYDAY") {
            ok = DayList(v, rule.byDay);
        } else {
            static constexpr struct {
                std::string_view name;
                std::vector<int> Rule::*list;
                int low, high;
            } kLists[] = {
                {"BYMONTH", &Rule::byMonth, 1, 12},         {"BYMONTHDAY", &Rule::byMonthDay, -31, 31},
                {"BYYEARDAY", &Rule::byYearDay, -366, 366}, {"BYWEEKNO", &Rule::byWeekNo, -53, 53},
                {"BYSETPOS", &Rule::bySetPos, -366, 366},   {"BYHOUR", &Rule::byHour, 0, 23},
                {"BYMINUTE", &Rule::byMinute, 0, 59},       {"BYSECOND", &Rule::bySecond, 0, 60},
            };
            for (const auto& list : kLists)
                if (name == list.name)
                    ok = NumberList(v, list.low, list.high, rule.*list.list);
        }
        if (!ok)
            return std::nullopt;
    }
    if (!frequency)
        return std::nullopt;
    return rule;
}

Recurrence::Recurrence(const Rule& rule, local_seconds start, std::optional<local_seconds> until)
    : rule_(rule), start_(start), startDay_(floor<days>(start)), startTime_(start - floor<days>(start)), last_(until)
{
    const year_month_day first(startDay_);
    // What a rule leaves unsaid is taken from its start, as RFC 5545 has it.
    if (rule_.byWeekNo.empty() && rule_.byYearDay.empty() && rule_.byMonthDay.empty() && rule_.byDay.empty()) {
        if (rule_.frequency == Frequency::Monthly || rule_.frequency == Frequency::Yearly)
            rule_.byMonthDay = {Dom(first)};
        if (rule_.frequency == Frequency::Yearly && rule_.byMonth.empty())
            rule_.byMonth = {Month(first)};
        if (rule_.frequency == Frequency::Weekly)
            rule_.byDay = {{0, Weekday(startDay_)}};
    }
    std::sort(rule_.byMonth.begin(), rule_.byMonth.end());
    rule_.byMonth.erase(std::unique(rule_.byMonth.begin(), rule_.byMonth.end()), rule_.byMonth.end());
    const auto hms = hh_mm_ss<seconds>(startTime_);
    const auto values = [](std::vector<int> list, int fallback) {
        if (list.empty())
            list.push_back(fallback);
        std::sort(list.begin(), list.end());
        list.erase(std::unique(list.begin(), list.end()), list.end());
        return list;
    };
    for (const int h : values(rule_.byHour, static_cast<int>(hms.hours().count())))
        for (const int m : values(rule_.byMinute, static_cast<int>(hms.minutes().count())))
            for (const int s : values(rule_.bySecond, static_cast<int>(hms.seconds().count())))
                times_.push_back(hours{h} + minutes{m} + seconds{s});
    fullPeriods_ = !rule_.bySetPos.empty();
    weekdays_ = 0;
    for (const WeekdayNum& w : rule_.byDay)
        weekdays_ |= 1u << w.weekday;
    if (rule_.byDay.empty())
        weekdays_ = 0x7F;

    if (rule_.count) {
        const Walk walk = CountFrom(Walk{}, kCountWalkPeriods);
        if (walk.reached)
            last_ = last_ ? std::min(*last_, *walk.reached) : *walk.reached;
        else if (Year(year_month_day(PeriodStart(walk.period))) <= kLastYear && !walk.ended)
            openCount_ = walk;
    }
}

std::int64_t Recurrence::PeriodOf(Days day) const
{
    const year_month_day d(day), s(startDay_);
    switch (rule_.frequency) {
    case Frequency::Daily: return FloorDiv((day - startDay_).count(), rule_.interval);
    case Frequency::Weekly:
        return FloorDiv((WeekStart(day, rule_.weekStart) - WeekStart(startDay_, rule_.weekStart)).count() / 7,
                        rule_.interval);
    case Frequency::Monthly: return FloorDiv(MonthIndex(d) - MonthIndex(s), rule_.interval);
    case Frequency::Yearly: return FloorDiv(Year(d) - Year(s), rule_.interval);
    }
    return 0;
}

local_days Recurrence::PeriodStart(std::int64_t k) const
{
    const std::int64_t step = k * rule_.interval;
    const year_month_day s(startDay_);
    switch (rule_.frequency) {
    case Frequency::Daily: return startDay_ + days{step};
    case Frequency::Weekly: return WeekStart(startDay_, rule_.weekStart) + days{7 * step};
    case Frequency::Monthly: {
        const std::int64_t m = std::min<std::int64_t>(MonthIndex(s) + step, std::int64_t{kLastYear + 1} * 12);
        return FirstOf(static_cast<int>(m / 12), static_cast<int>(m % 12) + 1);
    }
    case Frequency::Yearly: return FirstOf(static_cast<int>(std::min<std::int64_t>(Year(s) + step, kLastYear + 1)), 1);
    }
    return startDay_;
}

bool Recurrence::DayMatches(Days day, int periodYear, bool withinMonth) const
{
    const year_month_day d(day);
    const int month = Month(d), dom = Dom(d), dim = DaysIn(Year(d), month);
    if (!rule_.byMonth.empty() && !Contains(rule_.byMonth, month))
        return false;
    if (!rule_.byMonthDay.empty() && !AtPosition(rule_.byMonthDay, dom, dim))
        return false;
    const Days jan1 = FirstOf(Year(d), 1);
    const int doy = static_cast<int>((day - jan1).count()) + 1;
    const int diy = static_cast<int>((FirstOf(Year(d) + 1, 1) - jan1).count());
    if (!rule_.byYearDay.empty() && !AtPosition(rule_.byYearDay, doy, diy))
        return false;
    if (!rule_.byWeekNo.empty()) {
        const Days week1 = FirstWeek(periodYear, rule_.weekStart), next = FirstWeek(periodYear + 1, rule_.weekStart);
        bool match = false;
        if (day < week1) { // the last week of the year before
            const int weeks = static_cast<int>((week1 - FirstWeek(periodYear - 1, rule_.weekStart)).count() / 7);
            match = Contains(rule_.byWeekNo, weeks) || Contains(rule_.byWeekNo, -1);
        } else if (day >= next) { // the first week of the next year
            match = Contains(rule_.byWeekNo, 1);
        } else {
            match = AtPosition(rule_.byWeekNo, static_cast<int>((day - week1).count() / 7) + 1,
                               static_cast<int>((next - week1).count() / 7));
        }
        if (!match)
            return false;
    }
    if (!rule_.byDay.empty()) {
        const int wd = Weekday(day);
        // Ordinals count within the month or the year of a monthly or yearly rule; elsewhere they say nothing.
        const bool ordinals =
            rule_.frequency == Frequency::Monthly || (rule_.frequency == Frequency::Yearly && rule_.byWeekNo.empty());
        const int index = withinMonth ? (dom - 1) / 7 + 1 : (doy - 1) / 7 + 1;
        const bool any = std::any_of(rule_.byDay.begin(), rule_.byDay.end(), [&](const WeekdayNum& w) {
            if (w.weekday != wd)
                return false;
            if (!ordinals || w.ordinal == 0)
                return true;
            if (w.ordinal > 0)
                return w.ordinal == index;
            const int fromEnd = withinMonth ? (dim - dom) / 7 + 1 : (diy - doy) / 7 + 1;
            return -w.ordinal == fromEnd;
        });
        if (!any)
            return false;
    }
    return true;
}

void Recurrence::PeriodInstances(std::int64_t k, Days clipFrom, Days clipTo, std::vector<local_seconds>& out) const
{
    const std::size_t begin = out.size();
    const Days first = PeriodStart(k);
    const int y = Year(year_month_day(first));
    const auto addDays = [&](Days a, Days b, bool withinMonth) {
        if (!fullPeriods_ && clipFrom <= clipTo) { // an empty clip asks for the whole period
            a = std::max(a, clipFrom);
            b = std::min(b, clipTo + days{1});
        }
        if (a >= b)
            return;
        const auto add = [&](Days d) {
            if (DayMatches(d, y, withinMonth))
                for (const seconds t : times_)
                    out.push_back(d + t);
        };
        // Only the days that can match are looked at: the month days named, or the weekdays named.
        const year_month_day first(a);
        if (!rule_.byMonthDay.empty() && rule_.byDay.empty() && year_month_day(b - days{1}).month() == first.month()) {
            const int dim = DaysIn(Year(first), Month(first));
            const Days monthStart = a - days{Dom(first) - 1};
            std::vector<Days> named;
            for (const int md : rule_.byMonthDay)
                if (const int dom = md > 0 ? md : dim + md + 1; dom >= 1 && dom <= dim)
                    if (const Days d = monthStart + days{dom - 1}; d >= a && d < b)
                        named.push_back(d);
            std::sort(named.begin(), named.end());
            named.erase(std::unique(named.begin(), named.end()), named.end());
            for (const Days d : named)
                add(d);
            return;
        }
        for (Days d = a; d < b; d += days{1})
            if ((weekdays_ >> Weekday(d)) & 1)
                add(d);
    };
    switch (rule_.frequency) {
    case Frequency::Daily: addDays(first, first + days{1}, true); break;
    case Frequency::Weekly: addDays(first, first + days{7}, true); break;
    case Frequency::Monthly: addDays(first, first + days{DaysIn(y, Month(year_month_day(first)))}, true); break;
    case Frequency::Yearly:
        if (!rule_.byMonth.empty() && rule_.byWeekNo.empty() && rule_.byYearDay.empty()) {
            for (const int m : rule_.byMonth)
                addDays(FirstOf(y, m), FirstOf(y, m) + days{DaysIn(y, m)}, true);
        } else {
            addDays(first, FirstOf(y + 1, 1), !rule_.byMonth.empty());
        }
        break;
    }
    if (rule_.bySetPos.empty())
        return;
    const std::vector<local_seconds> all(out.begin() + static_cast<std::ptrdiff_t>(begin), out.end());
    out.resize(begin);
    const int size = static_cast<int>(all.size());
    for (int i = 0; i < size; ++i)
        if (AtPosition(rule_.bySetPos, i + 1, size))
            out.push_back(all[static_cast<std::size_t>(i)]);
}

Recurrence::Walk Recurrence::CountFrom(Walk walk, std::int64_t limit) const
{
    std::vector<local_seconds> candidates;
    for (const std::int64_t end = walk.period + limit; walk.period < end; ++walk.period) {
        if (Year(year_month_day(PeriodStart(walk.period))) > kLastYear) {
            walk.ended = true;
            return walk;
        }
        candidates.clear();
        PeriodInstances(walk.period, Days::max(), Days::min(), candidates);
        for (const local_seconds t : candidates) {
            if (t < start_)
                continue;
            if (last_ && t > *last_) {
                walk.ended = true;
                return walk;
            }
            if (++walk.counted == *rule_.count) {
                walk.reached = t;
                return walk;
            }
        }
    }
    return walk;
}

void Recurrence::Expand(local_seconds from, local_seconds to, std::size_t cap, std::vector<local_seconds>& out) const
{
    if (to < start_ || from > to || cap == 0)
        return;
    const std::size_t begin = out.size();
    if (start_ >= from)
        out.push_back(start_);
    from = std::max(from, start_);
    const Days firstDay = floor<days>(from), lastDay = floor<days>(to);
    std::int64_t k = std::max<std::int64_t>(0, PeriodOf(firstDay));

    std::optional<Walk> counting;
    if (openCount_) {
        if (k > openCount_->period) {
            Walk walk = CountFrom(*openCount_, std::min(k - openCount_->period, kLateCountWalkPeriods));
            if (walk.reached || walk.ended || walk.period < k)
                return; // the COUNT ended before the window, or lies too far behind it to be counted
            counting = walk;
        } else {
            counting = *openCount_;
        }
    }

    thread_local std::vector<local_seconds> candidates; // one allocation per thread, not per event and window
    for (;; ++k) {
        const Days periodStart = PeriodStart(k);
        if (periodStart > lastDay || Year(year_month_day(periodStart)) > kLastYear)
            return;
        const bool countHere = counting && k >= counting->period;
        candidates.clear();
        PeriodInstances(k, countHere ? Days::max() : firstDay, countHere ? Days::min() : lastDay, candidates);
        for (const local_seconds t : candidates) {
            if (t < start_)
                continue;
            if ((last_ && t > *last_) || t > to)
                return;
            if (countHere && ++counting->counted > *rule_.count)
                return;
            if (t <= start_ && out.size() > begin && out[begin] == start_)
                continue; // the start, already listed
            if (t < from)
                continue;
            out.push_back(t);
            if (out.size() - begin >= cap)
                return;
        }
    }
}

} // namespace recur
