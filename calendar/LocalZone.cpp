#include "calendar/LocalZone.h"

#include <algorithm>
#include <cstring>
#include <iterator>

using namespace std::chrono;

LocalZone LocalZone::Current()
{
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    GetDynamicTimeZoneInformation(&zone);
    return LocalZone(zone);
}

std::optional<LocalZone> LocalZone::Named(std::wstring_view key)
{
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    TIME_ZONE_INFORMATION rules{};
    if (key.empty() || key.size() >= std::size(zone.TimeZoneKeyName))
        return std::nullopt;
    key.copy(zone.TimeZoneKeyName, key.size());
    if (!GetTimeZoneInformationForYear(2000, &zone, &rules))
        return std::nullopt;
    zone.Bias = rules.Bias;
    return LocalZone(zone);
}

const TIME_ZONE_INFORMATION& LocalZone::Rules(int year) const
{
    auto [it, added] = years_->try_emplace(year);
    if (added) {
        auto& zone = const_cast<DYNAMIC_TIME_ZONE_INFORMATION&>(zone_);
        // Without the year's own rules (a zone the system has no key for), the zone's current ones.
        if (!GetTimeZoneInformationForYear(static_cast<USHORT>(year), &zone, &it->second))
            std::memcpy(&it->second, &zone_, sizeof(TIME_ZONE_INFORMATION));
    }
    return it->second;
}

seconds LocalZone::OffsetAt(sys_seconds t) const
{
    // The system's tables cover 1601-30827; outside them the standard offset stands.
    const seconds standard = -minutes{zone_.Bias};
    const year_month_day date{floor<days>(t)};
    if (date.year() < year{1602} || date.year() > year{30826})
        return standard;
    const hh_mm_ss time{t - floor<days>(t)};
    SYSTEMTIME utc{static_cast<WORD>(static_cast<int>(date.year())),
                   static_cast<WORD>(static_cast<unsigned>(date.month())),
                   0,
                   static_cast<WORD>(static_cast<unsigned>(date.day())),
                   static_cast<WORD>(time.hours().count()),
                   static_cast<WORD>(time.minutes().count()),
                   static_cast<WORD>(time.seconds().count()),
                   0};
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(&Rules(static_cast<int>(date.year())), &utc, &local))
        return standard;
    const sys_seconds asIfUtc =
        sys_days{year{local.wYear} / static_cast<int>(local.wMonth) / static_cast<int>(local.wDay)} +
        hours{local.wHour} + minutes{local.wMinute} + seconds{local.wSecond};
    return asIfUtc - t;
}

sys_seconds LocalZone::ToSys(local_seconds t) const
{
    // The offsets a day before and after bracket any change of the clocks.
    const sys_seconds asIfUtc{t.time_since_epoch()};
    const seconds before = OffsetAt(asIfUtc - days{1});
    const seconds after = OffsetAt(asIfUtc + days{1});
    const sys_seconds first = asIfUtc - std::max(before, after);
    const sys_seconds second = asIfUtc - std::min(before, after);
    const auto fits = [&](sys_seconds s) { return s + OffsetAt(s) == asIfUtc; };
    if (fits(first))
        return first;
    if (fits(second))
        return second;
    return asIfUtc - before;
}
