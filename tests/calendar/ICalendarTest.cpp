#include "calendar/DayDataExchange.h"
#include "app/TextCodec.h"
#include "support/TestSupport.h"
#include "ui/calendar/ExchangeDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

using namespace exchange;
using namespace std::string_literals;
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

// "summary@20260301" or "summary@20260301T1000" for each event, or the error.
std::wstring Read(std::string_view file)
{
    const ical::ParsedCalendar parsed = ical::ParseCalendar(file);
    if (parsed.error != ParseError::None)
        return L"error " + std::to_wstring(static_cast<int>(parsed.error));
    std::wstring out;
    for (const ical::Event& e : parsed.events) {
        wchar_t when[32];
        std::swprintf(when, 32, e.start->IsDate() ? L"@%04d%02d%02d" : L"@%04d%02d%02dT%02d%02d", e.start->year,
                      e.start->month, e.start->day, e.start->hour, e.start->minute);
        out += e.summary + when + L"|";
    }
    return out;
}

std::string Utf16(std::wstring_view text, bool big)
{
    std::string out = big ? "\xFE\xFF" : "\xFF\xFE";
    for (const wchar_t c : text) {
        const char units[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
        out += big ? units[1] : units[0];
        out += big ? units[0] : units[1];
    }
    return out;
}

std::string Calendar(std::string_view events, std::string_view version = "2.0")
{
    return "BEGIN:VCALENDAR\r\nVERSION:" + std::string(version) + "\r\n" + std::string(events) + "END:VCALENDAR\r\n";
}

std::string Event(std::string_view lines) { return "BEGIN:VEVENT\r\n" + std::string(lines) + "END:VEVENT\r\n"; }

constexpr auto kToday = std::chrono::sys_days(std::chrono::year{2026} / 6 / 1);
} // namespace

TEST(ICalendar, TextEscapingAndFoldingKeepEveryCharacter)
{
    EXPECT_EQ(ical::EscapeText(L"a,b;c\\d\r\ne\nf"), "a\\,b\\;c\\\\d\\ne\\nf");
    EXPECT_EQ(ical::UnescapeText("a\\,b\\;c\\\\d\\Ne"), L"a,b;c\\d\r\ne");
    std::wstring pairs = L"a"; // surrogate pairs: four octets each
    for (int i = 0; i < 40; ++i)
        pairs += L"𠮷";
    for (const std::wstring& text : {std::wstring(200, L'x'), std::wstring(61, L'あ'), pairs}) {
        const std::string line = "SUMMARY:" + ToUtf8(text);
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
    const std::tuple<std::string, ParseError, int> cases[] = {
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
        {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s, ParseError::NotCalendar, 1},          // a picture
        {"B\0E\0G\0I\0N\0:\0V\0C\0A\0L\0\r\0\n\0"s, ParseError::NotCalendar, 1}, // UTF-16 without its mark
        {"\r\n\r\nSUMMARY:x\r\n", ParseError::NotCalendar, 3},
    };
    for (const auto& [text, error, line] : cases) {
        const ical::ParsedCalendar parsed = ical::ParseCalendar(text);
        EXPECT_EQ(std::pair(parsed.error, parsed.errorLine), std::pair(error, line)) << text;
    }
    // The message and the console line say why and that nothing changed; no line number for no calendar.
    for (const auto& [error, reason] :
         {std::pair{ParseError::Unclosed, L"4711 行目: BEGIN"}, {ParseError::NotCalendar, L"iCalendar (.ics) の"}}) {
        for (const std::wstring& text : {ExchangeMessage(true, {Status::Refused, error, 4711}),
                                         ExchangeLine(true, {Status::Refused, error, 4711})}) {
            EXPECT_EQ(text.find(reason), 0u) << text;
            EXPECT_NE(text.find(L"qv.dat は変更していません"), std::wstring::npos) << text;
        }
    }
}

TEST(ICalendar, FilesOfOtherProgramsAndOldPhonesAreRead)
{
    const std::string day = Event("DTSTART;VALUE=DATE:20260301\r\nSUMMARY:\xE6\x97\xA5\xE6\x9C\xAC\r\n");
    std::string crOnly = Calendar(day);
    std::replace(crOnly.begin(), crOnly.end(), '\n', '\r');
    crOnly.erase(std::unique(crOnly.begin(), crOnly.end(), [](char a, char b) { return a == '\r' && b == '\r'; }),
                 crOnly.end());
    const std::wstring wide = L"BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20260301T093000\r\nSUMMARY:日本\r\nEND:"
                              L"VEVENT\r\nEND:VCALENDAR\r\n";
    const std::pair<std::string, std::wstring> cases[] = {
        {Utf16(wide, false), L"日本@20260301T0930|"},
        {Utf16(wide, true), L"日本@20260301T0930|"},
        {crOnly, L"日本@20260301|"},
        {"BEGIN:VCALENDAR \r\nBEGIN: VEVENT\t\r\nDTSTART;VALUE=DATE:20260301 \r\nSUMMARY:x\r\nEND:VEVENT \r\n"
         "END:VCALENDAR\t\r\n",
         L"x@20260301|"},
        {Calendar(Event("DTSTART;VALUE=DATE:20260301\r\nSUMMARY:\xE6\x97\xA5\r\n\t\xE6\x9C\xAC\r\n")),
         L"日本@20260301|"},
        {Calendar(Event("DTSTART;VALUE=DATE:20260301\r\nSUMMARY:a\x01"
                        "b\0c\x7F\td\\ne\xC2\x85\r\n"s)),
         L"abc\td\r\ne@20260301|"},
        // vCalendar 1.0: quoted-printable Shift_JIS, a name-less parameter with a soft line break, raw Shift_JIS.
        {Calendar(Event("DTSTART:20260301T100000\r\nDTEND:20260301T110000\r\n"
                        "SUMMARY;CHARSET=SHIFT_JIS;ENCODING=QUOTED-PRINTABLE:=89=EF=8B=63\r\n"),
                  "1.0"),
         L"会議@20260301T1000|"},
        {Calendar(Event("DTSTART:20260301T100000\r\nSUMMARY;QUOTED-PRINTABLE;CHARSET=UTF-8:=E6=97=A5=E6=9C=\r\n"
                        "=AC a\\b\\;=0D=0Ac=\r\n\r\n"),
                  "1.0"),
         L"日本 a\\b;\r\nc@20260301T1000|"},
        {Calendar(Event("DTSTART:20260305T000000\r\nDTEND:20260305T235900\r\nSUMMARY:\x89\xEF\x8B\x63\r\n"), "1.0"),
         L"会議@20260305|"},
    };
    for (const auto& [file, expected] : cases)
        EXPECT_EQ(Read(file), expected) << file;
    // A value beyond what the reader keeps is cut on a whole character and marked.
    const std::string huge = Calendar(Event("DTSTART;VALUE=DATE:20260301\r\n" +
                                            ical::FoldLine("SUMMARY:" + std::string(ical::kMaxValueOctets / 3, 'x') +
                                                           ToUtf8(std::wstring(ical::kMaxValueOctets / 3, L'あ')))));
    const ical::ParsedCalendar parsed = ical::ParseCalendar(huge);
    ASSERT_EQ(parsed.events.size(), 1u);
    EXPECT_TRUE(parsed.events[0].cut);
    EXPECT_GT(parsed.events[0].summary.size(), ical::kMaxValueOctets / 2);
    EXPECT_LT(parsed.events[0].summary.size(), ical::kMaxValueOctets * 2 / 3);
    EXPECT_EQ(parsed.events[0].summary.back(), L'あ');
}

TEST(ICalendar, ReimportAddsOnlyTheLinesAMemoLacks)
{
    DayData data;
    data.memos[202605][5] = L"買い物\r\n牛乳"; // exported, then a line added in another calendar
    data.memos[202605][6] = L"a\nb\nc";        // LF alone, from another program
    data.memos[202605][7] = L"x\r\n";
    const auto events =
        ical::ParseCalendar(
            Calendar(Event("DTSTART;VALUE=DATE:20260505\r\nSUMMARY:買い物\r\nDESCRIPTION:買い物\\n牛乳\\nパン\r\n") +
                     Event("DTSTART;VALUE=DATE:20260506\r\nSUMMARY:b \r\n") +                // not the memo's last line
                     Event("DTSTART;VALUE=DATE:20260506\r\nDURATION:P1D\r\nSUMMARY:d\r\n") + // one day
                     Event("DTSTART:20260507T220000\r\nDTEND:20260508T000000\r\nSUMMARY:late\r\n") +
                     Event("DTSTART;VALUE=DATE:20260509\r\nSUMMARY:new\r\nDESCRIPTION:new\\n\\n  \\nlast\r\n")))
            .events;
    const ImportCounts first = MergeEvents(data, events, Plus9, kToday);
    std::wstring memos;
    for (int day = 5; day <= 9; ++day)
        memos += Memo(data, 202605, day) + L'|';
    EXPECT_EQ(memos, L"買い物\r\n牛乳\r\nパン|a\nb\nc\r\nd|x\r\n22:00 late||new\r\n\r\n  \r\nlast|");
    EXPECT_EQ(std::pair(first.memoLines, first.duplicates), std::pair(4, 1));
    const DayData before = data;
    const ImportCounts again = MergeEvents(data, events, Plus9, kToday);
    EXPECT_EQ(data.memos, before.memos);
    EXPECT_EQ(std::pair(again.memoLines, again.duplicates), std::pair(0, 5));
}

TEST(ICalendar, BirthdaysShareTheirDayAndEndedYearlyEventsStayMemos)
{
    DayData data;
    data.memorials[5][3] = {3, L"太郎の誕生日", L""};
    const std::string yearly = "DTSTART;VALUE=DATE:19900503\r\nRRULE:FREQ=YEARLY";
    auto events =
        ical::ParseCalendar(
            Calendar(Event(yearly + "\r\nSUMMARY:花子の誕生日\r\n") +
                     Event(yearly + ";UNTIL=20991231\r\nSUMMARY:次郎の誕生日\r\n") +
                     Event(yearly + "\r\nSUMMARY:花子の誕生日\r\n") +
                     Event("DTSTART;VALUE=DATE:19800704\r\nRRULE:FREQ=YEARLY;COUNT=30\r\nSUMMARY:ended\r\n") +
                     Event("DTSTART;VALUE=DATE:19800705\r\nRRULE:FREQ=YEARLY;UNTIL=20100705\r\nSUMMARY:until\r\n") +
                     Event("DTSTART;VALUE=DATE:19800706\r\nRRULE:FREQ=YEARLY;COUNT=60\r\nSUMMARY:counted\r\n")))
            .events;
    const auto old = ical::ParseCalendar(
        Calendar(Event("DTSTART:19900801T000000\r\nDTEND:19900801T235900\r\nRRULE:YM1 #0\r\nSUMMARY:v1\r\n"), "1.0"));
    events.insert(events.end(), old.events.begin(), old.events.end());
    const ImportCounts c = MergeEvents(data, events, Plus9, kToday);
    EXPECT_EQ(data.memorials[5][3].name, L"太郎の誕生日、花子の誕生日、次郎の誕生日");
    EXPECT_EQ(data.memorials[7].count(6) + data.memorials[8].count(1), 2u);
    EXPECT_EQ(Memo(data, 198007, 4) + Memo(data, 198007, 5), L"endeduntil");
    EXPECT_EQ(std::tuple(c.memorials, c.sharedMemorials, c.duplicates, c.recurring, c.skipped),
              std::tuple(4, 2, 1, 2, 0));
}

TEST(ICalendar, WhatIsSkippedOrShortenedIsCountedAndNamed)
{
    DayData data;
    data.memos[202607][1] = std::wstring(dayfile::kMaxMemoChars - 4, L'x'); // nearly full
    const std::string longLine = ToUtf8(std::wstring(dayfile::kMaxMemoLine + 5, L'長'));
    const auto events =
        ical::ParseCalendar(
            Calendar(Event("SUMMARY:no date\r\n") +
                     Event("DTSTART;VALUE=DATE:20260801\r\nDTEND;VALUE=DATE:20261101\r\nSUMMARY:summer\r\n") +
                     Event("DTSTART;VALUE=DATE:20260602\r\n" + ical::FoldLine("SUMMARY:" + longLine)) +
                     Event("DTSTART;VALUE=DATE:20260701\r\nSUMMARY:does not fit\r\n") +
                     Event("DTSTART;VALUE=DATE:20260603\r\nSUMMARY: \r\n") +
                     Event("DTSTART;VALUE=DATE:99991230\r\nDURATION:P5D\r\nSUMMARY:edge\r\n") +
                     Event("DTSTART;VALUE=DATE:20260701\r\nSUMMARY:too\r\n")))
            .events;
    const ImportCounts c = MergeEvents(data, events, Plus9, kToday);
    EXPECT_EQ(std::tuple(c.skipped, c.shortened, c.memoLines), std::tuple(4, 3, 31 + 1 + 2));
    EXPECT_EQ(Memo(data, 202606, 2), std::wstring(dayfile::kMaxMemoLine, L'長'));
    EXPECT_EQ(Memo(data, 202607, 1).size(), dayfile::kMaxMemoChars - 4);
    std::wstring notes; // the first five events, in file order: reason, title, the line of its BEGIN
    for (std::size_t i = 0; i < c.notes.size(); ++i)
        notes += std::to_wstring(static_cast<int>(c.notes[i].reason)) + L":" + c.notes[i].title.substr(0, 8) +
                 (c.notes[i].line == events[i].line ? L" " : L"@wrong line ");
    EXPECT_EQ(notes, L"0:no date 3:summer 4:長長長長長長長長 5:does not 1: ");
    EXPECT_EQ(events[0].line, 3);
    EXPECT_EQ(c.notes[2].title.back(), L'\x2026');
    const std::wstring message = ExchangeMessage(true, {Status::Done, ParseError::None, 0, c});
    const std::wstring line = ExchangeLine(true, {Status::Done, ParseError::None, 0, c});
    for (const wchar_t* part : {L"一部だけ取り込んだ予定: 3", L"\n・「summer」(6 行目): 31 日より長いので",
                                L"\n・「(件名なし)」(", L"ほか 2 件", L"上限の 32000 文字"})
        EXPECT_NE(message.find(part), std::wstring::npos) << part;
    EXPECT_EQ(line.find(L'\n'), std::wstring::npos);
    EXPECT_NE(line.find(L"「no date」(3 行目): 日付 (DTSTART) がありません ほか 6 件"), std::wstring::npos) << line;
    // The memo dialog keeps to the same caps.
    const std::wstring fullLine(dayfile::kMaxMemoLine, L'a');
    for (const auto& [memo, fits] : {std::pair{fullLine + L"\n" + fullLine, true},
                                     {fullLine + L"a", false},
                                     {L"a\r" + fullLine + L"a", false},
                                     {std::wstring(dayfile::kMaxMemoChars, L'\n'), true},
                                     {std::wstring(dayfile::kMaxMemoChars + 1, L'\n'), false}})
        EXPECT_EQ(dayfile::MemoFits(memo), fits) << memo.size();
}

TEST(ICalendar, AnEditSavedWhileTheImportMergesIsKept)
{
    TempDir dir;
    const std::filesystem::path dat = dir.Path() / L"qv.dat";
    DayData start;
    start.memos[202605][1] = L"old";
    start.changedMemos = {202605};
    WriteBytes(dat, *MergedFile({}, start));
    const auto events = ical::ParseCalendar(Calendar(Event("DTSTART:20260502T000000Z\r\nSUMMARY:imported\r\n"))).events;
    int rounds = 0;
    ImportCounts counts;
    const auto editMeanwhile = [&](const ical::DateTime& t, const std::string& zone) {
        if (rounds++ == 0) { // the calendar saves an edit while the merge runs
            const std::vector<std::uint8_t> now = ReadBytes(dat);
            DayData edit = ReadDayData(now);
            edit.memos[202605][1] = L"edited";
            edit.changedMemos = {202605};
            WriteBytes(dat, *MergedFile(now, edit));
        }
        return Plus9(t, zone);
    };
    EXPECT_TRUE(MergeIntoDataFile(dat, events, editMeanwhile, counts));
    const DayData after = ReadDayData(ReadBytes(dat));
    EXPECT_EQ(Memo(after, 202605, 1) + L"|" + Memo(after, 202605, 2), L"edited|09:00 imported");
    EXPECT_EQ(rounds, 2);
}

TEST(ICalendar, UidsComeFromTheDateAlone)
{
    std::vector<ical::MemoDay> memos{{2026, 5, 5, L"a"}, {2026, 5, 6, L"b"}};
    const auto uids = [&] {
        const std::string ics = ical::WriteCalendar(memos, {}, {2026, 1, 1, 0, 0, 0});
        std::set<std::string> found;
        for (std::size_t pos = ics.find("UID:"); pos != std::string::npos; pos = ics.find("UID:", pos + 1))
            found.insert(ics.substr(pos + 4, ics.find('@', pos) - pos - 4));
        return found;
    };
    const std::set<std::string> before = uids();
    memos.insert(memos.begin(), {2020, 1, 1, L"earlier"}); // changes none of the others
    EXPECT_EQ(before, (std::set<std::string>{"memo-20260505", "memo-20260506"}));
    EXPECT_EQ(uids(), (std::set<std::string>{"memo-20200101", "memo-20260505", "memo-20260506"}));
}

TEST(ICalendar, ExportedDataImportsIntoAnEmptyFileUnchanged)
{
    DayData source;
    source.memos[202605][5] = L"\r\n  \r\nfirst\rsecond, two; \\three\x01\tend"; // blank first lines, a lone CR
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
    EXPECT_NE(ics.find("SUMMARY:first\r\nDESCRIPTION:\\n  \\nfirst\\nsecond\\, two\\; \\\\three\tend\r\n"),
              std::string::npos)
        << ics;
    const ical::ParsedCalendar parsed = ical::ParseCalendar(ics);
    ASSERT_EQ(parsed.error, ParseError::None);
    DayData imported;
    const ImportCounts counts = MergeEvents(imported, parsed.events, Plus9);
    EXPECT_EQ(std::pair(counts.memoLines, counts.memorials), std::pair(3, 2));
    const auto merged = MergedFile({}, imported);
    ASSERT_TRUE(merged);
    const DayData back = ReadDayData(*merged);
    DayData expected = stored; // the lone CR comes back as a line break, the control character not at all
    expected.memos[202605][5] = L"\r\n  \r\nfirst\r\nsecond, two; \\three\tend";
    EXPECT_EQ(back.memos, expected.memos);
    ASSERT_EQ(back.memorials.size(), 2u);
    EXPECT_EQ(back.memorials.at(2).at(29).picture + back.memorials.at(12).at(24).name, L"C:\\pic.pngeve");

    // A changed month replaces only its own block.
    DayData again = back;
    again.memos[202605][6] = L"new";
    again.changedMemos = {202605};
    const DayData after = ReadDayData(*MergedFile(*merged, again));
    EXPECT_EQ(after.memos.at(202605).size(), 2u);
    EXPECT_EQ(after.memos.at(199912).at(31), L"終わり");
    EXPECT_EQ(after.memorials.at(2).at(29).name, L"閏日");
}
