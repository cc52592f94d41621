#include "calendar/TimeZones.h"

#include "app/TextCodec.h"
#include "app/Handle.h"
#include "app/Win.h"
#include "calendar/Recurrence.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace tz {
namespace {
using namespace std::chrono;

struct IanaZone {
    std::string_view iana;
    std::wstring_view windows;
};
// Generated at build time from CLDR's windowsZones.xml, sorted by IANA name.
constexpr IanaZone kIanaZones[] = {
#include "IanaWindowsZones.inc"
};

constexpr wchar_t kTimeZonesKey[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\";
// VTIMEZONE rules are followed this far; later instants keep the last offset.
constexpr int kLastTransitionYear = 2200;
constexpr std::size_t kMaxOnsets = 2000;

// A UTC offset as "+HHMM" or "+HHMMSS".
std::optional<seconds> ParseOffset(std::string_view text)
{
    int sign = 1;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        sign = text[0] == '-' ? -1 : 1;
        text.remove_prefix(1);
    }
    if (text.size() != 4 && text.size() != 6)
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        parts[i / 2] = parts[i / 2] * 10 + (text[i] - '0');
    }
    if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59)
        return std::nullopt;
    return seconds(sign * (parts[0] * 3600 + parts[1] * 60 + parts[2]));
}

// The values of a date-time list property (RDATE, EXDATE); a PERIOD keeps its start.
std::vector<ical::DateTime> TimeList(const ical::Property& p)
{
    std::vector<ical::DateTime> out;
    std::size_t pos = 0;
    while (pos <= p.value.size()) {
        const std::size_t end = std::min(p.value.find(',', pos), p.value.size());
        std::string_view item = std::string_view(p.value).substr(pos, end - pos);
        item = item.substr(0, item.find('/'));
        if (const auto t = ical::ParseDateTime(item))
            out.push_back(*t);
        pos = end + 1;
    }
    return out;
}

int YearOf(sys_seconds t) { return static_cast<int>(year_month_day(floor<days>(t)).year()); }

local_days TransitionDay(const WindowsRuleZone::Change& c, int y)
{
    const local_days first(year{y} / month{static_cast<unsigned>(c.month)} / 1);
    if (c.absolute)
        return first + days{std::max(c.week, 1) - 1};
    const int shift = (c.weekday - static_cast<int>(weekday(first).c_encoding()) + 7) % 7;
    local_days day = first + days{shift + 7 * (std::clamp(c.week, 1, 5) - 1)};
    const local_days next =
        local_days(year_month_day_last(year{y} / month{static_cast<unsigned>(c.month)} / last)) + days{1};
    while (day >= next) // the fifth week means the last
        day -= days{7};
    return day;
}

WindowsRuleZone::Change ChangeOf(const unsigned char* b)
{
    const auto word = [&](int i) { return static_cast<int>(b[2 * i] | (b[2 * i + 1] << 8)); };
    WindowsRuleZone::Change c;
    c.absolute = word(0) != 0;
    c.month = word(1);
    c.weekday = word(2);
    c.week = word(3);
    c.seconds = word(4) * 3600 + word(5) * 60 + word(6) + (word(7) >= 500 ? 1 : 0); // 23:59:59.999 is midnight
    return c;
}

std::shared_ptr<const TimeZone> Borrowed(const TimeZone& zone)
{
    return std::shared_ptr<const TimeZone>(std::shared_ptr<const TimeZone>{}, &zone);
}

std::mutex& ZoneMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::optional<WindowsRuleZone::YearRule> ReadTzi(HKEY key, const wchar_t* subkey, const wchar_t* value)
{
    unsigned char tzi[44];
    DWORD size = sizeof tzi;
    WindowsRuleZone::YearRule rule;
    if (RegGetValueW(key, subkey, value, RRF_RT_REG_BINARY, nullptr, tzi, &size) != ERROR_SUCCESS ||
        !WindowsRuleZone::FromTzi(tzi, size, rule))
        return std::nullopt;
    return rule;
}

std::shared_ptr<const TimeZone> ReadWindowsZone(const std::wstring& keyName)
{
    UniqueKey owned;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (kTimeZonesKey + keyName).c_str(), 0, KEY_READ, owned.Put()) != ERROR_SUCCESS)
        return nullptr;
    const HKEY key = owned.get();
    std::shared_ptr<const TimeZone> zone;
    if (const auto standing = ReadTzi(key, nullptr, L"TZI")) {
        const auto entry = [&](const wchar_t* name) {
            DWORD value = 0, size = sizeof value;
            const bool ok =
                RegGetValueW(key, L"Dynamic DST", name, RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
            return ok ? std::optional<DWORD>(value) : std::nullopt;
        };
        const auto firstEntry = entry(L"FirstEntry"), lastEntry = entry(L"LastEntry");
        DWORD first = firstEntry.value_or(0), lastYear = lastEntry.value_or(0);
        std::vector<WindowsRuleZone::YearRule> rules;
        if (firstEntry && lastEntry && first <= lastYear && lastYear - first < 1000) {
            for (DWORD y = first; y <= lastYear; ++y)
                rules.push_back(ReadTzi(key, L"Dynamic DST", std::to_wstring(y).c_str()).value_or(*standing));
        }
        if (rules.empty()) {
            first = 0;
            rules.push_back(*standing);
        }
        zone = std::make_shared<WindowsRuleZone>(static_cast<int>(first), std::move(rules));
    }
    return zone;
}

WindowsRuleZone::YearRule RuleFromInfo(const TIME_ZONE_INFORMATION& info)
{
    WindowsRuleZone::YearRule rule;
    unsigned char bytes[44] = {};
    const auto put = [&](int at, LONG v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<unsigned char>(static_cast<unsigned long>(v) >> (8 * i));
    };
    put(0, info.Bias);
    put(4, info.StandardBias);
    put(8, info.DaylightBias);
    std::memcpy(bytes + 12, &info.StandardDate, 16);
    std::memcpy(bytes + 28, &info.DaylightDate, 16);
    WindowsRuleZone::FromTzi(bytes, sizeof bytes, rule);
    return rule;
}

std::shared_ptr<const TimeZone> ReadComputerZone()
{
    DYNAMIC_TIME_ZONE_INFORMATION info{};
    if (GetDynamicTimeZoneInformation(&info) == TIME_ZONE_ID_INVALID)
        return Borrowed(Utc());
    // With dynamic rules off, the system keeps to the one rule it reports.
    if (!info.DynamicDaylightTimeDisabled && info.TimeZoneKeyName[0] != L'\0')
        if (auto zone = WindowsZone(info.TimeZoneKeyName))
            return zone;
    TIME_ZONE_INFORMATION plain{};
    plain.Bias = info.Bias;
    plain.StandardBias = info.StandardBias;
    plain.DaylightBias = info.DaylightBias;
    plain.StandardDate = info.StandardDate;
    plain.DaylightDate = info.DaylightDate;
    return std::make_shared<WindowsRuleZone>(0, std::vector{RuleFromInfo(plain)});
}

std::shared_ptr<const TimeZone>& ComputerZoneSlot()
{
    static std::shared_ptr<const TimeZone> zone;
    return zone;
}
} // namespace

// ---- conversions ------------------------------------------------------------------------------

local_seconds TimeZone::ToLocal(sys_seconds utc) const
{
    return local_seconds((utc + OffsetAt(utc)).time_since_epoch());
}

sys_seconds TimeZone::ToUtc(local_seconds wall) const
{
    const sys_seconds guess(wall.time_since_epoch());
    const seconds before = OffsetAt(guess - days{1}), after = OffsetAt(guess + days{1});
    if (before == after)
        return guess - before; // no change of the clocks near
    const bool beforeFits = OffsetAt(guess - before) == before, afterFits = OffsetAt(guess - after) == after;
    if (beforeFits && afterFits)
        return guess - std::max(before, after); // passed twice: the earlier instant
    if (afterFits)
        return guess - after;
    return guess - before; // skipped by the clocks, or the offset holds throughout
}

const TimeZone& Utc()
{
    static const FixedZone utc(seconds{0});
    return utc;
}

local_seconds WallOf(const ical::DateTime& t)
{
    return local_days(t.Day().time_since_epoch()) + hours{std::max(t.hour, 0)} + minutes{t.minute} +
           seconds{std::min(t.second, 59)};
}

ical::DateTime DateTimeOf(local_seconds wall)
{
    const local_days day = floor<days>(wall);
    const year_month_day d(day);
    const hh_mm_ss<seconds> time(wall - day);
    return {static_cast<int>(d.year()),
            static_cast<int>(static_cast<unsigned>(d.month())),
            static_cast<int>(static_cast<unsigned>(d.day())),
            static_cast<int>(time.hours().count()),
            static_cast<int>(time.minutes().count()),
            static_cast<int>(time.seconds().count()),
            false};
}

// ---- VTIMEZONE --------------------------------------------------------------------------------

std::shared_ptr<const TransitionZone> TransitionZone::FromComponent(const ical::Component& vtimezone)
{
    auto zone = std::make_shared<TransitionZone>();
    std::vector<std::pair<sys_seconds, std::pair<seconds, seconds>>> onsets; // instant, offsets from and to
    for (const ical::Component& part : vtimezone.children) {
        if (part.name != "STANDARD" && part.name != "DAYLIGHT")
            continue;
        const ical::Property *start = part.Find("DTSTART"), *from = part.Find("TZOFFSETFROM"),
                             *to = part.Find("TZOFFSETTO");
        const auto first = start ? ical::ParseDateTime(start->value) : std::nullopt;
        const auto offsetFrom = from ? ParseOffset(from->value) : std::nullopt;
        const auto offsetTo = to ? ParseOffset(to->value) : std::nullopt;
        if (!first || !offsetTo)
            continue;
        const seconds before = offsetFrom.value_or(*offsetTo);
        std::vector<local_seconds> walls;
        const auto add = [&](const ical::DateTime& t) { walls.push_back(t.utc ? WallOf(t) + before : WallOf(t)); };
        add(*first);
        for (const ical::Property& p : part.properties) {
            if (p.name == "RDATE")
                for (const ical::DateTime& t : TimeList(p))
                    add(t);
            if (p.name != "RRULE")
                continue;
            const auto rule = recur::ParseRule(p.value);
            if (!rule)
                continue;
            std::optional<local_seconds> until;
            if (rule->until)
                until = WallOf(*rule->until) + (rule->until->utc ? before : seconds{0}) +
                        (rule->until->IsDate() ? days{1} - seconds{1} : seconds{0});
            const recur::Recurrence recurrence(*rule, WallOf(*first), until);
            recurrence.Expand(WallOf(*first), local_days(year{kLastTransitionYear} / 1 / 1), kMaxOnsets, walls);
        }
        for (const local_seconds wall : walls)
            onsets.push_back({sys_seconds(wall.time_since_epoch()) - before, {before, *offsetTo}});
    }
    if (onsets.empty())
        return nullptr;
    std::sort(onsets.begin(), onsets.end());
    zone->before_ = onsets.front().second.first;
    for (const auto& [instant, offsets] : onsets)
        zone->changes_.push_back({instant, offsets.second});
    return zone;
}

seconds TransitionZone::OffsetAt(sys_seconds utc) const
{
    const auto it = std::upper_bound(changes_.begin(), changes_.end(), utc,
                                     [](sys_seconds t, const auto& change) { return t < change.first; });
    return it == changes_.begin() ? before_ : std::prev(it)->second;
}

// ---- Windows zones ----------------------------------------------------------------------------

WindowsRuleZone::WindowsRuleZone(int firstYear, std::vector<YearRule> rules)
    : firstYear_(firstYear), rules_(std::move(rules))
{
    if (rules_.empty())
        rules_.emplace_back();
    for (int y = kFirstYear; y <= kLastYear; ++y)
        years_.push_back(Compute(y));
}

WindowsRuleZone::Year WindowsRuleZone::Compute(int y) const
{
    const YearRule& rule = RuleOf(y);
    Year out;
    out.standard = -minutes{rule.bias + rule.standardBias};
    out.daylight = -minutes{rule.bias + rule.daylightBias};
    out.hasDaylight = rule.toStandard.month != 0 && rule.toDaylight.month != 0;
    if (out.hasDaylight) {
        // Each change is given in the local time in force before it.
        const auto at = [&](const Change& c, seconds offset) {
            return sys_seconds((TransitionDay(c, y) + seconds{c.seconds}).time_since_epoch()) - offset;
        };
        out.start = at(rule.toDaylight, out.standard);
        out.end = at(rule.toStandard, out.daylight);
    }
    return out;
}

bool WindowsRuleZone::FromTzi(const unsigned char* b, std::size_t size, YearRule& rule)
{
    if (b == nullptr || size < 44)
        return false;
    const auto number = [&](int at) {
        return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(b[at]) | (b[at + 1] << 8) |
                                                          (b[at + 2] << 16) |
                                                          (static_cast<std::uint32_t>(b[at + 3]) << 24)));
    };
    rule.bias = number(0);
    rule.standardBias = number(4);
    rule.daylightBias = number(8);
    rule.toStandard = ChangeOf(b + 12);
    rule.toDaylight = ChangeOf(b + 28);
    const auto valid = [](const Change& c) {
        return c.month >= 0 && c.month <= 12 && c.weekday >= 0 && c.weekday <= 6;
    };
    if (!valid(rule.toStandard) || !valid(rule.toDaylight) || std::abs(rule.bias) > 24 * 60)
        return false;
    return true;
}

const WindowsRuleZone::YearRule& WindowsRuleZone::RuleOf(int y) const
{
    const auto index =
        std::clamp<long long>(static_cast<long long>(y) - firstYear_, 0, static_cast<long long>(rules_.size()) - 1);
    return rules_[static_cast<std::size_t>(index)];
}

seconds WindowsRuleZone::OffsetAt(sys_seconds utc) const
{
    const auto yearOf = [&](sys_seconds t) {
        const int y = YearOf(t);
        return y >= kFirstYear && y <= kLastYear ? years_[static_cast<std::size_t>(y - kFirstYear)] : Compute(y);
    };
    // The year is the one of local standard time.
    const Year guess = yearOf(utc);
    const Year year = yearOf(utc + guess.standard);
    if (!year.hasDaylight)
        return year.standard;
    const bool inDaylight =
        year.start < year.end ? utc >= year.start && utc < year.end : utc >= year.start || utc < year.end;
    return inDaylight ? year.daylight : year.standard;
}

std::shared_ptr<const TimeZone> WindowsZone(std::wstring_view keyName)
{
    if (keyName.empty() || keyName.size() > 128 || keyName.find(L'\\') != std::wstring_view::npos)
        return nullptr;
    static std::map<std::wstring, std::shared_ptr<const TimeZone>, std::less<>> cache;
    {
        std::lock_guard lock(ZoneMutex());
        if (const auto it = cache.find(keyName); it != cache.end())
            return it->second;
    }
    auto zone = ReadWindowsZone(std::wstring(keyName));
    std::lock_guard lock(ZoneMutex());
    return cache.emplace(std::wstring(keyName), std::move(zone)).first->second;
}

std::wstring_view WindowsZoneNameOf(std::string_view iana)
{
    const auto it = std::lower_bound(std::begin(kIanaZones), std::end(kIanaZones), iana,
                                     [](const IanaZone& z, std::string_view name) { return z.iana < name; });
    return it != std::end(kIanaZones) && it->iana == iana ? it->windows : std::wstring_view();
}

std::shared_ptr<const TimeZone> ComputerZone()
{
    {
        std::lock_guard lock(ZoneMutex());
        if (ComputerZoneSlot())
            return ComputerZoneSlot();
    }
    auto zone = ReadComputerZone();
    std::lock_guard lock(ZoneMutex());
    if (!ComputerZoneSlot())
        ComputerZoneSlot() = std::move(zone);
    return ComputerZoneSlot();
}

void ReloadComputerZone()
{
    auto zone = ReadComputerZone();
    std::lock_guard lock(ZoneMutex());
    ComputerZoneSlot() = std::move(zone);
}

// ---- a calendar's zones -----------------------------------------------------------------------

ZoneResolver::ZoneResolver(const ical::Component& calendar)
{
    for (const ical::Component& child : calendar.children) {
        const ical::Property* id = child.name == "VTIMEZONE" ? child.Find("TZID") : nullptr;
        if (id != nullptr && !own_.contains(id->value))
            if (auto zone = TransitionZone::FromComponent(child))
                own_.emplace(id->value, std::move(zone));
    }
    if (const ical::Property* zone = calendar.Find("X-WR-TIMEZONE"))
        floating_ = Find(zone->value);
}

std::shared_ptr<const TimeZone> ZoneResolver::Find(std::string_view tzid) const
{
    if (const auto it = own_.find(tzid); it != own_.end())
        return it->second;
    if (tzid == "Z" || tzid == "UTC" || tzid == "GMT" || tzid == "Etc/UTC")
        return Borrowed(Utc());
    // "/mozilla.org/20050126_1/America/New_York" and the like: the name is at the end.
    for (std::string_view name = tzid; !name.empty();) {
        if (const auto wide = FromUtf8(name))
            if (auto zone = WindowsZone(*wide))
                return zone;
        if (const std::wstring_view windows = WindowsZoneNameOf(name); !windows.empty())
            if (auto zone = WindowsZone(windows))
                return zone;
        const std::size_t slash = name.find('/');
        name = slash == std::string_view::npos ? std::string_view() : name.substr(slash + 1);
    }
    return nullptr;
}

ical::DateTime ZoneResolver::ToComputerTime(const ical::DateTime& time, std::string_view tzid) const
{
    if (time.IsDate())
        return time;
    std::shared_ptr<const TimeZone> zone = time.utc ? Borrowed(Utc()) : tzid.empty() ? floating_ : Find(tzid);
    if (!zone && !tzid.empty())
        zone = floating_;
    if (!zone)
        return ical::DateTime{time.year, time.month, time.day, time.hour, time.minute, time.second, false};
    return DateTimeOf(ComputerZone()->ToLocal(zone->ToUtc(WallOf(time))));
}

} // namespace tz
