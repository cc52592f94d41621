// The event engine where the comparison with python3-recurring-ical-events (tests/e2e/test_feed_agenda.py)
// does not reach: zones against the system's own conversion, the changes of the clocks, bounds of rules,
// refusals, floating times and alarms, the subscription list in qv.ini and the agenda's lines.
#include "calendar/Agenda.h"
#include "app/TextCodec.h"
#include "calendar/FeedCalendar.h"
#include "support/TestSupport.h"

#include <cwchar>
#include <gtest/gtest.h>

using namespace std::chrono;

namespace {
const char kZones[] = "BEGIN:VTIMEZONE\r\nTZID:Own/NY\r\nBEGIN:DAYLIGHT\r\n"
                      "DTSTART:20070311T020000\r\nTZOFFSETFROM:-0500\r\nTZOFFSETTO:-0400\r\n"
                      "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\nBEGIN:STANDARD\r\n"
                      "DTSTART:20071104T020000\r\nTZOFFSETFROM:-0400\r\nTZOFFSETTO:-0500\r\n"
                      "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

sys_seconds Utc(year_month_day d, hours h, minutes m = {}) { return sys_days(d) + h + m; }
local_seconds Wall(year_month_day d, hours h, minutes m = {}) { return local_days(d) + h + m; }

SYSTEMTIME SystemTime(local_seconds t)
{
    const ical::DateTime d = tz::DateTimeOf(t);
    return SYSTEMTIME{WORD(d.year), WORD(d.month), 0, WORD(d.day), WORD(d.hour), WORD(d.minute), WORD(d.second), 0};
}

FeedCalendar Feed(const std::string& events, const std::string& head = "")
{
    return FeedCalendar::Parse("BEGIN:VCALENDAR\r\n" + head + events + "END:VCALENDAR\r\n");
}

// The occurrences of those days shown in UTC, as "start end summary".
std::vector<std::string> Shown(const FeedCalendar& feed, year_month_day first, year_month_day last)
{
    std::vector<std::string> out;
    for (const Occurrence& o : feed.Expand(local_days(first), local_days(last), tz::Utc())) {
        const auto text = [](local_seconds t) {
            const ical::DateTime d = tz::DateTimeOf(t);
            char s[32];
            std::snprintf(s, sizeof s, "%02d-%02d %02d:%02d", d.month, d.day, d.hour, d.minute);
            return std::string(s);
        };
        out.push_back(text(o.start) + " " + text(o.end) + " " + ToUtf8(o.summary));
    }
    return out;
}
} // namespace

TEST(FeedEngine, ZonesOfTheFileTheRegistryAndCldrAgreeWithTheSystemAndRfc5545AtTheChanges)
{
    const ical::ParsedComponents tree =
        ical::ParseComponents("BEGIN:VCALENDAR\r\n" + std::string(kZones) + "END:VCALENDAR\r\n");
    const tz::ZoneResolver zones(tree.calendars.at(0));
    const char* names[] = {"Own/NY", "Eastern Standard Time", "America/New_York",
                           "/mozilla.org/20050126_1/America/New_York"};
    for (const char* name : names) {
        const auto zone = zones.Find(name);
        ASSERT_TRUE(zone) << name;
        // A time the clocks skip reads with the offset before, one they pass twice is the first.
        EXPECT_EQ(zone->ToUtc(Wall(2026y / 3 / 8, 2h, 30min)), Utc(2026y / 3 / 8, 7h, 30min)) << name;
        EXPECT_EQ(zone->ToUtc(Wall(2026y / 11 / 1, 1h, 30min)), Utc(2026y / 11 / 1, 5h, 30min)) << name;
        EXPECT_EQ(zone->ToUtc(Wall(2026y / 7 / 1, 12h)), Utc(2026y / 7 / 1, 16h)) << name;
    }
    EXPECT_FALSE(zones.Find("Mars/Olympus_Mons"));

    // Windows zones read from the registry against the system's conversion with that zone's rule of each year.
    for (const wchar_t* name : {L"Eastern Standard Time", L"Lord Howe Standard Time", L"GMT Standard Time"}) {
        const auto zone = tz::WindowsZone(name);
        ASSERT_TRUE(zone);
        DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
        std::wcscpy(dynamic.TimeZoneKeyName, name);
        for (sys_seconds t = Utc(2005y / 1 / 1, 0h); t < Utc(2029y / 1 / 1, 0h); t += hours{24 * 6 + 7}) {
            TIME_ZONE_INFORMATION year{};
            SYSTEMTIME utc = SystemTime(local_seconds(t.time_since_epoch())), local{};
            ASSERT_TRUE(GetTimeZoneInformationForYear(utc.wYear, &dynamic, &year));
            ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(&year, &utc, &local));
            EXPECT_EQ(tz::DateTimeOf(zone->ToLocal(t)), (ical::DateTime{local.wYear, local.wMonth, local.wDay,
                                                                        local.wHour, local.wMinute, local.wSecond}))
                << ToUtf8(name) << " " << t.time_since_epoch().count();
        }
    }
    // The computer's zone (TZ of this test run) as the system converts.
    for (sys_seconds t = Utc(2024y / 1 / 1, 0h); t < Utc(2028y / 1 / 1, 0h); t += hours{24 * 5 + 11}) {
        SYSTEMTIME utc = SystemTime(local_seconds(t.time_since_epoch())), local{};
        ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
        EXPECT_EQ(tz::DateTimeOf(tz::ComputerZone()->ToLocal(t)),
                  (ical::DateTime{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond}));
    }
}

TEST(FeedEngine, RulesCountFromTheirStartAndStayBoundedWhateverTheySay)
{
    const local_seconds start = Wall(2026y / 1 / 1, 9h);
    const auto count = [&](std::string_view rule, year_month_day from, year_month_day to,
                           std::optional<local_seconds> until = {}) {
        std::vector<local_seconds> out;
        recur::Recurrence(recur::ParseRule(rule).value(), start, until)
            .Expand(local_seconds(local_days(from)), local_seconds(local_days(to)) + days{1} - seconds{1},
                    recur::Recurrence::kMaxPerWindow, out);
        EXPECT_TRUE(std::is_sorted(out.begin(), out.end())) << rule;
        return out.size();
    };
    EXPECT_EQ(count("FREQ=DAILY;COUNT=10", 2026y / 1 / 8, 2026y / 12 / 31), 3u);
    EXPECT_EQ(count("FREQ=WEEKLY;BYDAY=MO,TH;COUNT=5", 2026y / 1 / 1, 2026y / 12 / 31), 5u);
    EXPECT_EQ(count("FREQ=DAILY;COUNT=999999999999", 2090y / 3 / 1, 2090y / 3 / 31), 31u);
    EXPECT_EQ(count("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30;COUNT=3", 2026y / 1 / 1, 2099y / 12 / 31), 1u); // never yields
    EXPECT_EQ(count("FREQ=DAILY", 2026y / 1 / 1, 2026y / 12 / 31, Wall(2025y / 12 / 1, 0h)), 1u); // UNTIL before start
    EXPECT_EQ(count("FREQ=DAILY;BYHOUR=0,3,6,9,12,15,18,21;BYMINUTE=0,10,20,30,40,50", 2026y / 1 / 1, 2026y / 12 / 31),
              recur::Recurrence::kMaxPerWindow);
    EXPECT_EQ(count("FREQ=MONTHLY;BYMONTHDAY=-1;BYMONTH=2", 2026y / 1 / 1, 2028y / 12 / 31),
              4u); // 1 Jan, then Feb ends
    EXPECT_EQ(count("FREQ=YEARLY;BYWEEKNO=1;BYDAY=MO;WKST=MO", 2026y / 1 / 1, 2029y / 1 / 31),
              4u); // the start, 4 Jan 2027, 3 Jan 2028, 1 Jan 2029
    for (const char* bad :
         {"FREQ=HOURLY", "FREQ=DAILY;BYMONTH=13", "INTERVAL=2", "FREQ=WEEKLY;BYDAY=XX", "FREQ=DAILY;COUNT=0"})
        EXPECT_FALSE(recur::ParseRule(bad)) << bad;
}

TEST(FeedEngine, FeedsAreRefusedByLineAndReadFloatingTimesOverridesAlarmsAndCancellations)
{
    const std::pair<const char*, int> refused[] = {
        {"not a calendar\r\n", 1},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20260101\r\n", 2},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:1\r\nDTSTART:2026-01-01\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", 4},
        {"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20260101\r\nEXDATE:x\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n", 4}};
    for (const auto& [text, line] : refused) {
        const FeedCalendar feed = FeedCalendar::Parse(text);
        EXPECT_NE(feed.Error(), ical::ParseError::None) << text;
        EXPECT_EQ(feed.ErrorLine(), line) << text;
        EXPECT_EQ(feed.EventCount(), 0u);
    }
    const std::string events =
        "BEGIN:VEVENT\r\nUID:f\r\nDTSTART:20260105T090000\r\nSUMMARY:floating\r\nBEGIN:VALARM\r\nTRIGGER:-PT15M\r\n"
        "END:VALARM\r\nBEGIN:VALARM\r\nTRIGGER;RELATED=END:-PT1H\r\nEND:VALARM\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:s\r\nDTSTART;TZID=Own/NY:20260105T200000\r\nDURATION:PT5H\r\nRRULE:FREQ=DAILY;COUNT=3\r\n"
        "SUMMARY:series\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:s\r\nRECURRENCE-ID:20260107T010000Z\r\n"
        "DTSTART;TZID=Own/NY:20260106T100000\r\nDTEND;TZID=Own/NY:20260106T110000\r\nSUMMARY:moved\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nUID:s\r\nRECURRENCE-ID;TZID=Own/NY:20260107T200000\r\nDTSTART;TZID=Own/NY:20260107T200000\r\n"
        "STATUS:CANCELLED\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:c\r\nDTSTART;VALUE=DATE:20260106\r\nSTATUS:CANCELLED\r\n"
        "SUMMARY:gone\r\nEND:VEVENT\r\nBEGIN:VEVENT\r\nUID:a\r\nDTSTART;VALUE=DATE:20260106\r\nDURATION:P2D\r\n"
        "RRULE:FREQ=SECONDLY\r\nSUMMARY:two days\r\nEND:VEVENT\r\n";
    // Floating times follow X-WR-TIMEZONE; without it they stay as written.
    EXPECT_EQ(Shown(Feed(events, std::string(kZones) + "X-WR-TIMEZONE:Asia/Tokyo\r\n"), 2026y / 1 / 5, 2026y / 1 / 8),
              (std::vector<std::string>{"01-05 00:00 01-05 00:00 floating", "01-06 00:00 01-08 00:00 two days",
                                        "01-06 01:00 01-06 06:00 series", "01-06 15:00 01-06 16:00 moved"}));
    const FeedCalendar plain = Feed(events, kZones);
    EXPECT_EQ(Shown(plain, 2026y / 1 / 5, 2026y / 1 / 5).at(0), "01-05 09:00 01-05 09:00 floating");
    EXPECT_EQ(plain.Expand(local_days(2026y / 1 / 5), local_days(2026y / 1 / 5), tz::Utc()).at(0).alarmLead,
              minutes{60}); // the earlier of fifteen minutes before its start and an hour before its end
}

TEST(FeedEngine, SubscriptionsAndTheAgendaOfTheirKeptCopies)
{
    TempDir dir;
    const std::wstring ini = dir.WithSlash() + L"qv.ini";
    WriteBytes(ini, {0xFF, 0xFE});
    IniFile file(ini);
    ASSERT_TRUE(file.Write(std::vector<IniEntry>{{L"Subscriptions", L"Count", L"4"},
                                                 {L"Subscriptions", L"Name1", L"仕事"},
                                                 {L"Subscriptions", L"Url1", L"https://example.invalid/work.ics"},
                                                 {L"Subscriptions", L"Color1", L"-16776961"},
                                                 {L"Subscriptions", L"Name2", L"壊れ"},
                                                 {L"Subscriptions", L"Url2", L"ftp://x"},
                                                 {L"Subscriptions", L"Name3", L"隠す"},
                                                 {L"Subscriptions", L"Url3", L"webcal://example.invalid/h"},
                                                 {L"Subscriptions", L"Shown3", L"No"},
                                                 {L"Subscriptions", L"Url4", L"https://nameless"}}));
    SubscriptionList list;
    list.Load(file);
    ASSERT_EQ(list.items.size(), 2u); // no usable address, no name: skipped
    EXPECT_EQ(list.items[0].color, 0xFF0000FFu);
    EXPECT_FALSE(list.items[1].shown);
    std::vector<IniEntry> entries;
    list.AppendEntries(entries);
    ASSERT_TRUE(file.Write(entries));
    const std::vector<std::uint8_t> bytes = ReadBytes(ini);
    EXPECT_EQ(
        std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2),
        L"[Subscriptions]\r\nCount=2\r\nRefreshMinutes=60\r\nName1=仕事\r\nUrl1=https://example.invalid/work.ics\r\n"
        L"Color1=-16776961\r\nShown1=Yes\r\nName2=隠す\r\nUrl2=webcal://example.invalid/h\r\nColor2=-14774017\r\n"
        L"Shown2=No\r\n");

    std::filesystem::create_directories(dir.Path() / L"qv.feeds");
    const std::string body = "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20261231T133000Z\r\nDTEND:20270101T010000Z\r\n"
                             "SUMMARY:年越し\tそば\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
    WriteBytes(feeds::BodyPath(dir.WithSlash(), list.items[0].url), {body.begin(), body.end()});
    WriteBytes(feeds::BodyPath(dir.WithSlash(), list.items[1].url), {body.begin(), body.end()});
    FeedShelf shelf;
    shelf.Load(list, dir.WithSlash());
    exchange::DayData data;
    data.memos[202612][31] = L"大掃除\r\n\r\n買い物";
    data.memorials[1][1] = {1, L"祖父\tの日", L""};
    const tz::FixedZone tokyo(hours{9});
    const auto lines = agenda::Collect(local_days(2026y / 12 / 31), local_days(2027y / 1 / 1), data, shelf, tokyo);
    EXPECT_EQ(agenda::Format(lines),
              "2026-12-31\t終日\tメモ\t大掃除\r\n2026-12-31\t終日\tメモ\t買い物\r\n"
              "2026-12-31\t22:30-24:00\t仕事\t年越し そば\r\n2027-01-01\t終日\t祝日\t元日\r\n"
              "2027-01-01\t終日\t記念日\t祖父 の日\r\n2027-01-01\t00:00-10:00\t仕事\t年越し そば\r\n");
    // A copy read where it was fetched replaces the shown one; a refused one changes nothing.
    const unsigned generation = shelf.Generation();
    shelf.Replace(list.items[0].url, std::make_shared<FeedCalendar>(FeedCalendar::Parse("broken")));
    EXPECT_EQ(shelf.Generation(), generation);
    shelf.Replace(list.items[0].url, std::make_shared<FeedCalendar>(FeedCalendar::Parse(
                                         "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART;VALUE=DATE:20261231\r\n"
                                         "SUMMARY:new\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n")));
    EXPECT_EQ(shelf.Days(local_days(2026y / 12 / 31), local_days(2026y / 12 / 31), tokyo).at(0).at(0).summary, L"new");
    EXPECT_FALSE(agenda::ParseDate(L"2026-02-29"));
    std::wstring line;
    EXPECT_EQ(RunAgenda(L"2026-12-31", L"2026-12-30", (dir.Path() / L"a.txt").wstring(), line, dir.WithSlash()), 2);
    EXPECT_EQ(RunAgenda(L"2026-12-31", L"2027-01-01", (dir.Path() / L"a.txt").wstring(), line, dir.WithSlash()), 0);
    FeedShelf kept; // as the agenda reads them: from the kept copies
    kept.Load(list, dir.WithSlash());
    const std::string written = agenda::Format(
        agenda::Collect(local_days(2026y / 12 / 31), local_days(2027y / 1 / 1), {}, kept, *tz::ComputerZone()));
    EXPECT_EQ(ReadBytes(dir.Path() / L"a.txt"), std::vector<std::uint8_t>(written.begin(), written.end()));
}
