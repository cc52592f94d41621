#include "calendar/DayDataExchange.h"
#include "ui/calendar/ExchangeDialogs.h"

#include <gtest/gtest.h>
#include <tuple>

using namespace exchange;
using ical::ParseError;

namespace {
// Tokyo, for UTC times: nine hours ahead.
ical::DateTime Plus9(const ical::DateTime& t, const std::string&)
{
    if (!t.utc)
        return t;
    const auto moment = std::chrono::sys_days(t.Day()) + std::chrono::hours(t.hour + 9);
    const std::chrono::year_month_day d(std::chrono::floor<std::chrono::days>(moment));
    return {static_cast<int>(d.year()), static_cast<int>(unsigned(d.month())), static_cast<int>(unsigned(d.day())),
            static_cast<int>((moment - std::chrono::floor<std::chrono::days>(moment)).count()), t.minute};
}

std::wstring Memo(const DayData& d, int key, int day)
{
    const auto m = d.memos.find(key);
    return m == d.memos.end() || !m->second.contains(day) ? L"" : m->second.at(day);
}
} // namespace

TEST(ICalendar, TextEscapingAndFoldingKeepEveryCharacter)
{
    EXPECT_EQ(ical::EscapeText(L"a,b;c\\d\r\ne\nf"), "a\\,b\\;c\\\\d\\ne\\nf");
    EXPECT_EQ(ical::UnescapeText("a\\,b\\;c\\\\d\\Ne"), L"a,b;c\\d\r\ne");
    std::wstring pairs = L"a"; // surrogate pairs: four octets each
    for (int i = 0; i < 40; ++i)
        pairs += L"𠮷";
    for (const std::wstring& text : {std::wstring(200, L'x'), std::wstring(61, L'あ'), pairs}) {
        const std::string line = "SUMMARY:" + ical::ToUtf8(text);
        const std::string folded = ical::FoldLine(line);
        std::string unfolded;
        for (std::size_t pos = 0; pos < folded.size();) {
            const std::size_t end = folded.find("\r\n", pos);
            ASSERT_LE(end - pos, 75u);
            ASSERT_NE(static_cast<unsigned char>(folded[pos + (pos ? 1 : 0)]) & 0xC0, 0x80u); // no split sequence
            unfolded += folded.substr(pos + (pos ? 1 : 0), end - pos - (pos ? 1 : 0));
            pos = end + 2;
        }
        EXPECT_EQ(unfolded, line);
    }
}

TEST(ICalendar, BrokenFilesAreRefusedNamingTheLine)
{
    // The file, the error and its line.
    const std::tuple<const char*, ParseError, int> cases[] = {
        {"hello\r\n", ParseError::NotCalendar, 1},
        {"", ParseError::NotCalendar, 1},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:x\nEND:VCALENDAR\n", ParseError::Unclosed, 2},
        {"BEGIN:VCALENDAR\r\nVERSION:2.0\r\n", ParseError::Unclosed, 1},
        {"BEGIN:VCALENDAR\nVERSION:2.0\nNO COLON HERE\nEND:VCALENDAR\n", ParseError::BadLine, 3},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nSUMMARY:\xff\xfe\nEND:VEVENT\nEND:VCALENDAR\n", ParseError::BadLine, 3},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20260230\nEND:VEVENT\nEND:VCALENDAR\n", ParseError::BadLine, 3},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nX;P=\"open:x\nEND:VEVENT\nEND:VCALENDAR\n", ParseError::BadLine, 3},
        {"\xEF\xBB\xBF"
         "begin:vcalendar\nEND:VCALENDAR\n",
         ParseError::None, 0},
    };
    for (const auto& [text, error, line] : cases) {
        const ical::ParsedCalendar parsed = ical::ParseCalendar(text);
        EXPECT_EQ(std::pair(parsed.error, parsed.errorLine), std::pair(error, line)) << text;
    }
    // The message names the line and the reason, and says that nothing changed.
    for (const auto& [error, reason] :
         {std::pair{ParseError::Unclosed, L"END"}, {ParseError::NotCalendar, L"iCalendar"}}) {
        const std::wstring text = ExchangeMessage(true, {Status::Refused, error, 4711});
        EXPECT_NE(text.find(L"4711 行目"), std::wstring::npos) << text;
        EXPECT_NE(text.find(reason), std::wstring::npos) << text;
        EXPECT_NE(text.find(L"qv.dat は変更していません"), std::wstring::npos) << text;
    }
}

TEST(ICalendar, EventsBecomeMemoLinesAndMemorialDaysOnce)
{
    const char* file =
        "\xEF\xBB\xBF"
        "BEGIN:VCALENDAR\nVERSION:2.0\n"
        "BEGIN:VTIMEZONE\nTZID:Asia/Tokyo\nEND:VTIMEZONE\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20260301\nsummary:\xE6\x97\xA5\xE6\x9C\n"
        " \xAC\xE8\xAA\x9E\\, ok\nBEGIN:VALARM\nSUMMARY:alarm\nEND:VALARM\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART;TZID=\"Asia/Tokyo\":20260310T083000\nSUMMARY:local\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART:20260310T200000Z\nDTEND:20260311T160000Z\nSUMMARY:utc\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20260330\nDTEND;VALUE=DATE:20260402\nSUMMARY:trip\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20240229\nRRULE:FREQ=YEARLY\nSUMMARY:leap\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20260305\nRRULE:FREQ=WEEKLY\nSUMMARY:weekly\nEND:VEVENT\n"
        "BEGIN:VEVENT\nDTSTART;VALUE=DATE:20260601\nDURATION:P40D\nSUMMARY:long\nEND:VEVENT\n"
        "BEGIN:VTODO\nDTSTART:20260301\nSUMMARY:todo\nEND:VTODO\nEND:VCALENDAR\n";
    const ical::ParsedCalendar parsed = ical::ParseCalendar(file);
    ASSERT_EQ(parsed.error, ParseError::None);
    DayData data;
    data.memos[202603][1] = L"mine";
    const ImportCounts first = MergeEvents(data, parsed.events, Plus9);
    std::wstring memos; // "utc" ends at 01:00 local on the 12th; "long" spans at most 31 days
    for (const int date :
         {20260301, 20260310, 20260311, 20260312, 20260313, 20260331, 20260401, 20260402, 20260305, 20260701, 20260702})
        memos += Memo(data, date / 100, date % 100) + L'|';
    EXPECT_EQ(memos, L"mine\r\n日本語, ok|08:30 local|05:00 utc|05:00 utc||trip|trip||weekly|long||");
    EXPECT_EQ(data.memorials[2].at(29).name, L"leap");
    EXPECT_EQ(std::tuple(first.memoLines, first.memorials, first.recurring, first.duplicates),
              std::tuple(1 + 1 + 2 + 3 + 1 + 31, 1, 1, 0));
    data.changedMemos.clear();
    data.changedMemorials.clear();
    const ImportCounts second = MergeEvents(data, parsed.events, Plus9);
    EXPECT_EQ(second.memoLines + second.memorials, 0);
    EXPECT_EQ(second.duplicates, first.memoLines + first.memorials);
    EXPECT_TRUE(data.changedMemos.empty() && data.changedMemorials.empty());
}

TEST(ICalendar, ExportedDataImportsIntoAnEmptyFileUnchanged)
{
    DayData source;
    source.memos[202605][5] = L"line one\r\nline, two; \\three";
    source.memos[202402][29] = L"leap memo\r\n";
    source.memos[199912][31] = L"終わり";
    source.memorials[2][29] = {29, L"閏日", L"C:\\pic.png"};
    source.memorials[12][24] = {24, L"eve", L""};
    source.changedMemos = {202605, 202402, 199912};
    source.changedMemorials = {2, 12};
    const auto file = MergedFile({}, source);
    ASSERT_TRUE(file);
    const DayData stored = ReadDayData(*file);

    const std::string ics = ical::WriteCalendar(MemoDays(stored), MemorialDays(stored), {2026, 12, 7, 1, 2, 3});
    const ical::ParsedCalendar parsed = ical::ParseCalendar(ics);
    ASSERT_EQ(parsed.error, ParseError::None);
    DayData imported;
    const ImportCounts counts = MergeEvents(imported, parsed.events, Plus9);
    EXPECT_EQ(std::pair(counts.memoLines, counts.memorials), std::pair(3, 2));
    const auto merged = MergedFile({}, imported);
    ASSERT_TRUE(merged);
    const DayData back = ReadDayData(*merged);
    EXPECT_EQ(back.memos, stored.memos);
    ASSERT_EQ(back.memorials.size(), 2u);
    EXPECT_EQ(back.memorials.at(2).at(29).picture + back.memorials.at(12).at(24).name, L"C:\\pic.pngeve");

    // A changed month replaces only its own block.
    DayData again = back;
    again.memos[202605][6] = L"new";
    again.changedMemos = {202605};
    const DayData after = ReadDayData(*MergedFile(*merged, again));
    EXPECT_EQ(after.memos.at(202605).size(), 2u);
    EXPECT_EQ(after.memos.at(199912), stored.memos.at(199912));
    EXPECT_EQ(after.memorials.at(2).at(29).name, L"閏日");
}
