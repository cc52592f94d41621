// Reminders: memo times, the timed lines of the data file, and the scheduler against a clock
// and a time zone the tests set (the system's own zone data of New York and Tokyo).
#include "app/ReminderCommand.h"
#include "calendar/Reminders.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

using namespace std::chrono;
using namespace reminders;

namespace {
using Texts = std::vector<std::wstring>;

local_seconds L(int y, unsigned m, unsigned d, int h, int mi)
{
    return local_days{year{y} / month{m} / day{d}} + hours{h} + minutes{mi};
}
sys_seconds Utc(int y, unsigned m, unsigned d, int h, int mi)
{
    return sys_seconds{L(y, m, d, h, mi).time_since_epoch()};
}

// A scheduler over a list the test edits, in a zone and at a moment the test sets.
struct Clocked {
    explicit Clocked(const wchar_t* zoneName = L"Tokyo Standard Time") : zone(tz::WindowsZone(zoneName))
    {
        scheduler.AddSource([this](local_days, local_days) { return std::optional(items); });
        scheduler.SetClock([this] { return now; }, [this] { return zone; });
    }
    void At(local_seconds t) { now = zone->ToUtc(t); }
    // What is due now, as shown; the next look is kept.
    std::vector<std::wstring> Due()
    {
        const Scheduler::Plan plan = scheduler.Evaluate({true, minutes{10}});
        scheduler.MarkShown(plan.due);
        next = plan.next;
        std::vector<std::wstring> texts;
        for (const Reminder& r : plan.due)
            texts.push_back(r.appointment.text);
        return texts;
    }

    std::vector<Appointment> items;
    reminders::ZonePtr zone;
    Millis now{};
    std::optional<Millis> next;
    Scheduler scheduler;
};
} // namespace

TEST(MemoTime, LinesThatStartWithATime)
{
    const std::tuple<const wchar_t*, int, const wchar_t*> cases[] = {
        {L"10:00 歯医者", 600, L"歯医者"},
        {L"9:05 電話", 545, L"電話"},
        {L"１０：３０　打ち合わせ", 630, L"打ち合わせ"},
        {L"10:00〜11:00 会議", 600, L"会議"},
        {L"10:00-11:00 会議", 600, L"会議"},
        {L"10:00 ～ 11:00  会議 ", 600, L"会議"},
        {L"23:59", 1439, L""},
        {L"0:00 元日\r", 0, L"元日"},
        {L"10:00 -メモ", 600, L"-メモ"},
        {L"24:00 深夜", -1, nullptr},
        {L"12:60 昼", -1, nullptr},
        {L"https://example.com:8080/a", -1, nullptr},
        {L"10:00会議", -1, nullptr},
        {L"10:00-25:00 会議", -1, nullptr},
        {L"123:00 x", -1, nullptr},
        {L"10:0 x", -1, nullptr},
        {L"10:00:30 x", -1, nullptr},
    };
    for (const auto& [line, start, text] : cases) {
        const auto t = ParseMemoTime(line);
        ASSERT_EQ(t.has_value(), start >= 0) << line;
        if (t) {
            EXPECT_EQ(std::pair(t->start.count(), t->text), std::pair(minutes::rep{start}, std::wstring(text))) << line;
        }
    }
}

TEST(Scheduler, RealMinutesBeforeAcrossTheDaylightSavingChangesOfNewYork)
{
    Clocked c(L"Eastern Standard Time");
    c.items = {
        {L(2024, 3, 10, 3, 5), {}, L"春"}, {L(2024, 11, 3, 1, 30), {}, L"秋"}, {L(2024, 11, 3, 2, 5), {}, L"後"}};
    // 03:05 EDT is 10 real minutes after 01:55 EST; the clocks skip 02:00-03:00 between.
    c.At(L(2024, 3, 10, 1, 0));
    EXPECT_TRUE(c.Due().empty());
    EXPECT_EQ(c.next, Millis{Utc(2024, 3, 10, 6, 55)});
    c.now = *c.next;
    EXPECT_EQ(c.Due(), Texts{L"春"});
    // 01:30 comes twice in November: the first one is meant, and reminded once.
    c.now = Utc(2024, 11, 3, 5, 20);
    EXPECT_EQ(c.Due(), Texts{L"秋"});
    c.now = Utc(2024, 11, 3, 6, 20); // 01:20 again, now standard time
    EXPECT_TRUE(c.Due().empty());
    EXPECT_EQ(c.next, Millis{Utc(2024, 11, 3, 6, 55)}) << "02:05 EST less 10 minutes";
}

TEST(Scheduler, LastReminderKeepsItsMomentWhenTheZoneChanges)
{
    Clocked c;
    c.items = {{L(2026, 12, 8, 10, 0), {}, L"歯医者"}};
    c.At(L(2026, 12, 8, 9, 50));
    EXPECT_EQ(c.Due(), Texts{L"歯医者"});
    EXPECT_EQ(c.scheduler.LastShown(), L(2026, 12, 8, 9, 50));
    c.zone = tz::WindowsZone(L"Eastern Standard Time");
    EXPECT_EQ(c.scheduler.LastShown(), L(2026, 12, 7, 19, 50)) << "00:50 UTC";
    // Later moments of the new zone are still to come; what was reminded stays reminded.
    c.items.push_back({L(2026, 12, 7, 20, 30), {}, L"夕食"});
    EXPECT_TRUE(c.Due().empty());
    EXPECT_EQ(c.next, Millis{Utc(2026, 12, 8, 1, 20)});
    c.now = Utc(2026, 12, 8, 14, 50); // 09:50 in New York
    EXPECT_TRUE(c.Due().empty());
}

TEST(Scheduler, AfterASleepTheRecentOnesTogetherAndTheOldOnesDropped)
{
    Clocked c;
    c.items = {{L(2026, 12, 8, 9, 30), {}, L"朝会"},
               {L(2026, 12, 8, 10, 0), {}, L"歯医者"},
               {L(2026, 12, 8, 10, 0), {}, L"電話"},
               {L(2026, 12, 8, 11, 0), {}, L"昼"}};
    c.At(L(2026, 12, 8, 9, 0));
    EXPECT_TRUE(c.Due().empty());
    EXPECT_EQ(c.next, Millis{c.zone->ToUtc(L(2026, 12, 8, 9, 20))});
    c.At(L(2026, 12, 8, 10, 12)); // woke up: 朝会 started 42 minutes ago
    EXPECT_EQ(c.Due(), (Texts{L"歯医者", L"電話"}));
    EXPECT_EQ(c.next, Millis{c.zone->ToUtc(L(2026, 12, 8, 10, 50))});
}

TEST(Scheduler, AnEditedLineIsANewAppointmentButARestartRepeatsNothing)
{
    Clocked c;
    c.items = {{L(2026, 12, 8, 10, 0), {}, L"歯医者"}};
    c.At(L(2026, 12, 8, 9, 40));
    EXPECT_TRUE(c.Due().empty());
    c.items[0].start = L(2026, 12, 8, 10, 30); // moved before its reminder
    EXPECT_TRUE(c.Due().empty());
    EXPECT_EQ(c.next, Millis{c.zone->ToUtc(L(2026, 12, 8, 10, 20))});
    c.At(L(2026, 12, 8, 10, 20));
    EXPECT_EQ(c.Due(), Texts{L"歯医者"});
    c.At(L(2026, 12, 8, 10, 25));
    c.items[0].text = L"歯医者 (予約変更)";
    EXPECT_EQ(c.Due(), Texts{L"歯医者 (予約変更)"}) << "its moment has passed, its start has not";
    EXPECT_TRUE(c.Due().empty());

    Clocked restarted;
    restarted.items = c.items;
    restarted.scheduler.SetLastShown(c.scheduler.LastShown());
    restarted.At(L(2026, 12, 8, 10, 26));
    EXPECT_TRUE(restarted.Due().empty());
    // Thousands of timed lines still make one next moment.
    for (int i = 0; i < 3000; ++i)
        restarted.items.push_back({L(2026, 12, 8, 11, 0) + minutes{i}, {}, L"x"});
    EXPECT_TRUE(restarted.Due().empty());
    EXPECT_EQ(restarted.next, Millis{restarted.zone->ToUtc(L(2026, 12, 8, 10, 50))});
}

TEST(RemindersCommand, WritesWhatWouldFireOnTheDaysOrSaysWhyNot)
{
    TempDir dir;
    WriteBytes(dir.Path() / L"qv.dat",
               MemoFile({{202612, {{8, L"10:00 歯医者\t(予約)\r\n0:05 深夜"}, {9, L"0:30 早朝"}}}}));
    const std::string ini = "[Reminder]\r\nLeadMinutes=60\r\n";
    WriteBytes(dir.Path() / L"qv.ini", std::vector<std::uint8_t>(ini.begin(), ini.end()));
    const std::wstring out = (dir.Path() / L"out.txt").wstring();
    std::wstring line;
    ASSERT_EQ(RunReminders(L"2026-12-08", L"2026-12-08", out, line, dir.WithSlash()), 0);
    const auto bytes = ReadBytes(out);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "2026-12-08 09:00\t2026-12-08 10:00\t\xE3\x83\xA1\xE3\x83\xA2\t\xE6\xAD\xAF\xE5\x8C\xBB\xE8\x80\x85 "
              "(\xE4\xBA\x88\xE7\xB4\x84)\r\n"
              "2026-12-08 23:30\t2026-12-09 00:30\t\xE3\x83\xA1\xE3\x83\xA2\t\xE6\x97\xA9\xE6\x9C\x9D\r\n");
    EXPECT_EQ(line, L"2 件の通知を書き出しました: " + out);
    for (const auto& [first, last] :
         {std::pair{L"2026-02-30", L"2026-03-01"}, {L"2026-12-09", L"2026-12-08"}, {L"2026-1-08", L"2026-12-08"}})
        EXPECT_EQ(RunReminders(first, last, out, line, dir.WithSlash()), 2) << first;
    EXPECT_EQ(
        RunReminders(L"2026-12-08", L"2026-12-08", (dir.Path() / L"no" / L"out.txt").wstring(), line, dir.WithSlash()),
        1);
}
