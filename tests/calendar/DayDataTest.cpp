#include "app/Handle.h"
#include "calendar/DateUtil.h"
#include "calendar/DayDataExchange.h"
#include "calendar/DayDataFile.h"
#include "calendar/MonthModel.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

using namespace std::chrono;
using Bytes = std::vector<std::uint8_t>;
using Memos = std::map<int, std::wstring>;

namespace {
Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// Little-endian 32-bit words.
Bytes I32(std::initializer_list<std::int64_t> words)
{
    Bytes b;
    for (const std::int64_t w : words)
        for (int i = 0; i < 4; ++i)
            b.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(w) >> (8 * i)));
    return b;
}

// Day and texts: a memo entry has one, a memorial entry two (name, picture).
using Entry = std::pair<int, std::vector<std::wstring>>;

Bytes Block(int key, const std::vector<Entry>& entries)
{
    Bytes data;
    for (const auto& [day, texts] : entries) {
        data = Cat({data, I32({day})});
        for (const std::wstring& t : texts) {
            const auto* p = reinterpret_cast<const std::uint8_t*>(t.data());
            data = Cat({data, I32({std::ssize(t)}), Bytes(p, p + 2 * t.size())});
        }
    }
    return Cat({I32({key, std::ssize(data)}), data});
}

Bytes DataFile(const Bytes& memos, const Bytes& memorials) { return Cat({I32({std::ssize(memos)}), memos, memorials}); }

class DayData : public testing::Test {
protected:
    DayData() : model_(dir_.WithSlash())
    {
        model_.SetClock([this] {
            ++clockReads_;
            return year{2000} / 1 / 1;
        });
    }

    std::filesystem::path File() const { return dir_.Path() / L"qv.dat"; }
    // The file opened the way another program might, sharing only `share`.
    UniqueHandle Hold(DWORD share) const
    {
        return UniqueHandle(CreateFileW(File().c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
    }
    int IndexOf(int d) const { return DayOfWeek(model_.Year(), model_.Month(), 1) + d - 1; }
    bool SetMemo(int d, const std::wstring& text) { return model_.SetMemo(IndexOf(d) % 7, IndexOf(d) / 7, text); }
    bool SetMemorial(int d, const std::wstring& name, const std::wstring& picture = {})
    {
        return model_.SetMemorial(IndexOf(d) % 7, IndexOf(d) / 7, name, picture);
    }
    // Memos (or memorials as "name|picture") by day; only flagged days of the month may carry any.
    Memos Shown(bool memorials = false)
    {
        Memos found;
        for (int i = 0; i < MonthModel::ROWS * MonthModel::COLUMNS; ++i) {
            const DayRecord& c = model_.Cell(i % 7, i / 7);
            const std::wstring text = memorials ? c.memorialName + L'|' + c.memorialPicture : c.memo;
            const bool flagged = (c.flags & (memorials ? DAY_MEMORIAL : DAY_MEMO)) != 0;
            EXPECT_TRUE(flagged ? c.InShownMonth() : text == (memorials ? L"|" : L"")) << "cell " << i;
            if (flagged)
                found[c.day] = text;
        }
        return found;
    }

    TempDir dir_;
    MonthModel model_;
    int clockReads_ = 0;
};
using MonthGrid = DayData;
} // namespace

TEST_F(MonthGrid, EveryMonthWalksConsecutiveDatesWithConsistentFlags)
{
    const auto bit = [](bool on, std::uint32_t flag) { return on ? flag : 0u; };
    const std::uint32_t mask = DAY_REST | DAY_SATURDAY | DAY_PREV_MONTH | DAY_NEXT_MONTH | DAY_HOLIDAY;
    for (int y = 1981; y <= 2098; ++y)
        for (int m = 1; m <= 12; ++m) {
            model_.Show(y, m);
            const sys_days first = sys_days{year{y} / m / 1} - days{weekday{sys_days{year{y} / m / 1}}.c_encoding()};
            for (int i = 0; i < MonthModel::ROWS * MonthModel::COLUMNS; ++i) {
                const DayRecord& c = model_.Cell(i % 7, i / 7);
                const int k = i % 7, shown = c.year * 100 + c.month - (y * 100 + m);
                ASSERT_TRUE(year{c.year} / c.month / c.day == year_month_day{first + days{i}} && c.weekday == k)
                    << y << '-' << m << ' ' << i;
                ASSERT_EQ(c.flags & mask, bit(k == 0, DAY_REST) | bit(k == 6, DAY_SATURDAY) |
                                              bit(shown < 0, DAY_PREV_MONTH) | bit(shown > 0, DAY_NEXT_MONTH) |
                                              bit(c.holidayName != nullptr, DAY_HOLIDAY))
                    << y << '-' << m << ' ' << i;
            }
        }
}

TEST_F(MonthGrid, YearStepsStopAtTheLimitsMonthStepsDoNot)
{
    // Shown year and month, the step, the month after it and whether the grid was rebuilt.
    for (const auto& [y, m, step, want, rebuilds] : {std::tuple{2098, 12, &MonthModel::NextYear, 209812, false},
                                                     {2098, 12, &MonthModel::NextMonth, 209901, true},
                                                     {1981, 1, &MonthModel::PrevYear, 198101, false},
                                                     {1981, 1, &MonthModel::PrevMonth, 198012, true},
                                                     {2097, 3, &MonthModel::NextYear, 209803, true},
                                                     {1982, 3, &MonthModel::PrevYear, 198103, true}}) {
        model_.Show(y, m);
        const int reads = clockReads_;
        (model_.*step)();
        EXPECT_EQ(model_.Year() * 100 + model_.Month(), want);
        EXPECT_EQ(clockReads_ != reads, rebuilds) << want;
    }
    model_.SetMonth(13);
    EXPECT_EQ(model_.Year() * 100 + model_.Month(), 198103);
}

TEST_F(DayData, EditedBlockMovesToTheFrontOthersPassThrough)
{
    const std::wstring crlf = L"line one\r\nline two\r\n\r\n日本語";
    const Bytes jan = Block(200601, {{3, {L"jan"}}}), dec = Block(200612, {{24, {L"eve"}}});
    const Bytes mar = Block(3, {{3, {L"hina", L""}}}), jul = Block(7, {{7, {L"tanabata", L""}}});
    WriteBytes(File(), DataFile(Cat({jan, Block(200605, {{5, {L"old"}}, {31, {crlf}}}), dec}),
                                Cat({mar, Block(5, {{1, {L"m", L"p.png"}}}), jul})));
    model_.Show(2006, 5);
    ASSERT_TRUE(SetMemo(5, L"new"));
    ASSERT_TRUE(SetMemo(6, L"six"));
    ASSERT_TRUE(SetMemorial(20, L"summer", L"C:\\pic\\sea.png"));
    const Bytes memorials = Cat({mar, Block(5, {{1, {L"m", L"p.png"}}, {20, {L"summer", L"C:\\pic\\sea.png"}}}), jul});
    EXPECT_EQ(ReadBytes(File()),
              DataFile(Cat({Block(200605, {{5, {L"new"}}, {6, {L"six"}}, {31, {crlf}}}), jan, dec}), memorials));
    EXPECT_FALSE(std::filesystem::exists(model_.TempFilePath()));
    model_.NextMonth();
    EXPECT_TRUE(Shown().empty());
    model_.PrevMonth();
    EXPECT_EQ(Shown(), (Memos{{5, L"new"}, {6, L"six"}, {31, crlf}}));
    // Deleting every memo of the month removes its block and shrinks L.
    for (const int d : {5, 6, 31})
        ASSERT_TRUE(SetMemo(d, L""));
    EXPECT_EQ(ReadBytes(File()), DataFile(Cat({jan, dec}), memorials));
}

TEST_F(DayData, MemorialsRecurEveryYearLeapDayKeptInCommonYears)
{
    model_.Show(2024, 2);
    ASSERT_TRUE(SetMemorial(29, L"leap", L"C:\\leap.png"));
    model_.Show(2023, 2);
    EXPECT_TRUE(Shown(true).empty());
    ASSERT_TRUE(SetMemorial(10, L"ten"));
    EXPECT_EQ(ReadBytes(File()), DataFile({}, Block(2, {{10, {L"ten", L""}}, {29, {L"leap", L"C:\\leap.png"}}})));
    for (const int y : {1984, 2028, 2096}) {
        model_.Show(y, 2);
        EXPECT_EQ(Shown(true), (Memos{{10, L"ten|"}, {29, L"leap|C:\\leap.png"}})) << y;
    }
}

TEST_F(DayData, FileCutAtEveryOffsetShowsOnlyIntactEntries)
{
    const Memos memos = {{1, L"first"}, {15, L"middle"}}, memorials = {{5, L"kodomo|k.png"}, {30, L"end|"}};
    const Bytes marks = Block(5, {{5, {L"kodomo", L"k.png"}}, {30, {L"end", L""}}});
    const Bytes full = DataFile(Cat({Block(200605, {{1, {L"first"}}, {15, {L"middle"}}}), Block(200606, {}),
                                     Block(200605, {{30, {L"shadowed"}}})}),
                                marks);
    std::size_t previous = 0;
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        // Whole only where nothing is missing: empty, or cut between the sections, or not cut.
        ASSERT_EQ(dayfile::ReadsWhole(part), cut == 0 || cut == full.size() || cut + marks.size() == full.size())
            << cut;
        WriteBytes(File(), part);
        model_.Show(2006, 5);
        const Memos shown = Shown(), marks = Shown(true);
        ASSERT_TRUE(std::includes(memos.begin(), memos.end(), shown.begin(), shown.end())) << "cut " << cut;
        ASSERT_TRUE(std::includes(memorials.begin(), memorials.end(), marks.begin(), marks.end())) << "cut " << cut;
        ASSERT_GE(shown.size(), previous) << "cut " << cut;
        previous = shown.size();
    }
    EXPECT_EQ(previous, 2u);
    EXPECT_EQ(Shown(true), memorials);
}

TEST_F(DayData, HostileLengthsAndDaysNeverLeaveTheMonth)
{
    // June 2006: 30 days from a Thursday, so cells after the 30th are July.
    const Bytes good = Block(200606, {{2, {L"ok"}}});
    const Bytes outside = Block(200606, {{0, {L"z"}}, {-1, {L"m"}}, {31, {L"x"}}, {1000000, {L"w"}}, {30, {L"real"}}});
    struct Case {
        const char* what;
        Bytes file;
        Memos memos, memorials = {};
    };
    const Case cases[] = {
        {"huge L", Cat({I32({0x7FFFFFFF}), good}), {{2, L"ok"}}},
        {"negative L, blocks that fit", Cat({I32({-8}), good}), {{2, L"ok"}}},
        {"huge block length", Cat({I32({18, 200606, 0x7FFFFFF0, 3, 1}), {'h', 0}, I32({4, 1})}), {{3, L"h"}}},
        {"negative block length", Cat({I32({16, 200605, -16}), good}), {}},
        {"overlapping blocks", Cat({I32({std::ssize(good) + 8, 200605, 4}), good}), {}},
        {"huge text length", Cat({I32({24, 200606, 16, 2, 1}), {'a', 0}, I32({3, 0x40000000})}), {{2, L"a"}}},
        {"negative text length", I32({16, 200606, 8, 2, -2}), {}},
        {"days outside the month", DataFile(outside, {}), {{30, L"real"}}},
        {"repeated day keeps the first", DataFile(Block(200606, {{4, {L"one"}}, {4, {L"two"}}}), {}), {{4, L"one"}}},
        {"memorial lengths past the end",
         Cat({I32({0, 6, 0x7FFFFFFF, 7, 2}), {'n', 0, 'm', 0}, I32({0x7FFFFFFF})}),
         {}},
        {"memorial days outside the month",
         DataFile({}, Block(6, {{31, {L"x", L""}}, {0, {L"z", L""}}, {-5, {L"m", L""}}, {9, {L"ok", L""}}})),
         {},
         {{9, L"ok|"}}},
        {"three bytes", {1, 2, 3}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(File(), c.file);
        model_.Show(2006, 6);
        EXPECT_EQ(Shown(), c.memos);
        EXPECT_EQ(Shown(true), c.memorials);
        // Saves over the damaged file keep the month's intact entries.
        ASSERT_TRUE(SetMemo(10, L"after"));
        ASSERT_TRUE(SetMemorial(11, L"then"));
        model_.Show(2006, 6);
        Memos memos = c.memos, memorials = c.memorials;
        memos[10] = L"after";
        memorials[11] = L"then|";
        EXPECT_EQ(Shown(), memos);
        EXPECT_EQ(Shown(true), memorials);
    }
}

TEST_F(DayData, RefusedSavesLeaveTheFileAndItsAttributesAndLoseNoEdit)
{
    WriteBytes(File(), DataFile(Block(200605, {{5, {L"kept"}}}), Block(5, {{5, {L"m", L""}}})));
    model_.Show(2006, 5);
    const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesW(File().c_str(), hidden));
    ASSERT_TRUE(SetMemo(6, L"six"));
    EXPECT_EQ(GetFileAttributesW(File().c_str()), hidden);
    const Bytes saved = ReadBytes(File());
    std::vector<DWORD> reasons;
    const auto refused = [&](int d) {
        EXPECT_FALSE(SetMemo(d, L"edit"));
        EXPECT_FALSE(SetMemorial(d, L"edit"));
        reasons.push_back(model_.LastError().code);
    };
    {
        const auto held = Hold(0); // not even readable
        refused(7);
    }
    EXPECT_EQ(ReadBytes(File()), saved);
    std::filesystem::create_directory(model_.TempFilePath()); // the new file cannot be created
    refused(8);
    EXPECT_EQ(ReadBytes(File()), saved);
    std::filesystem::remove(model_.TempFilePath());
    ASSERT_TRUE(SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_READONLY));
    refused(9);
    EXPECT_EQ(ReadBytes(File()), saved);
    EXPECT_FALSE(std::filesystem::exists(model_.TempFilePath()));
    EXPECT_TRUE(GetFileAttributesW(File().c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(reasons, (std::vector<DWORD>{ERROR_SHARING_VIOLATION, ERROR_ACCESS_DENIED, ERROR_FILE_READ_ONLY}));
    // Kept across a month change, which writes them once the file is free.
    model_.NextMonth();
    EXPECT_FALSE(model_.HasPending());
    model_.PrevMonth();
    EXPECT_EQ(Shown(), (Memos{{5, L"kept"}, {6, L"six"}, {7, L"edit"}, {8, L"edit"}, {9, L"edit"}}));
    EXPECT_EQ(Shown(true), (Memos{{5, L"m|"}, {7, L"edit|"}, {8, L"edit|"}, {9, L"edit|"}}));
}

// An import wrote the file after the month was shown: each save changes only its own day, keeps
// the lines the import added to it, and leaves an entry the user did not change as stored.
TEST_F(DayData, SavesKeepWhatAnotherWriterStoredMeanwhile)
{
    WriteBytes(File(), DataFile(Block(200605, {{5, {L"mine"}}}), {}));
    model_.Show(2006, 5);
    WriteBytes(File(), DataFile(Block(200605, {{5, {L"mine\r\nimported"}}, {6, {L"other"}}}),
                                Block(5, {{7, {L"import", L""}}, {8, {L"theirs", L""}}})));
    ASSERT_TRUE(model_.SetMemo(year{2006} / 5 / 5, L"mine\r\ntyped", L"mine"));
    ASSERT_TRUE(model_.SetMemorial(May / 7, {}, {}));                      // left empty
    ASSERT_TRUE(model_.SetMemorial(May / 8, {L"typed", L""}, {}));         // the user's wins
    ASSERT_TRUE(model_.SetMemorial(May / 9, {L"nine", L"p.png"}, {L"x"})); // removed meanwhile
    EXPECT_EQ(Shown(), (Memos{{5, L"mine\r\ntyped\r\nimported"}, {6, L"other"}}));
    EXPECT_EQ(Shown(true), (Memos{{7, L"import|"}, {8, L"typed|"}, {9, L"nine|p.png"}}));
    // Stored, base, the user's text: the merged memo.
    const std::tuple<std::wstring, std::wstring, std::wstring, std::wstring> merges[] = {
        {L"a\r\nb", L"a", L"a", L"a\r\nb"}, {L"a", L"a", L"x", L"x"},
        {L"imp", L"a", L"", L"imp"},        {L"a\nimp", L"a", L"a\r\nimp", L"a\r\nimp"},
        {L"", L"a", L"a\r\nb", L"a\r\nb"},  {L"x\r\nx", L"x", L"y", L"y\r\nx"}};
    for (const auto& [stored, base, mine, merged] : merges)
        EXPECT_EQ(MergeMemo(stored, base, mine), merged) << stored << "|" << base << "|" << mine;
}

// The first four bytes claim more or fewer memo bytes than the memo blocks take: a memorial
// saved over the file keeps every entry, and the file reads back whole afterwards.
TEST_F(DayData, MemoSectionLengthThatLiesLosesNoEntry)
{
    const Bytes memos = Cat({Block(200605, {{5, {L"may"}}}), Block(200606, {{6, {L"june"}}})});
    const Bytes memorials = Block(5, {{3, {L"old", L""}}});
    for (const std::int64_t lie : {std::int64_t{12}, std::ssize(memos) + std::ssize(memorials), std::int64_t{-1}}) {
        SCOPED_TRACE(lie);
        WriteBytes(File(), Cat({I32({lie}), memos, memorials}));
        EXPECT_FALSE(dayfile::ReadsWhole(ReadBytes(File())));
        model_.Show(2006, 5);
        ASSERT_TRUE(SetMemorial(20, L"new"));
        EXPECT_TRUE(dayfile::ReadsWhole(ReadBytes(File())));
        EXPECT_EQ(Shown(), (Memos{{5, L"may"}}));
        EXPECT_EQ(Shown(true), (Memos{{3, L"old|"}, {20, L"new|"}}));
        model_.Show(2006, 6);
        EXPECT_EQ(Shown(), (Memos{{6, L"june"}}));
    }
}

// The import's one save fails (qv.dat held by another program, or read-only): qv.dat stays byte
// for byte and no temporary file is left.
TEST_F(DayData, ImportThatCannotSaveChangesNothing)
{
    const Bytes before = DataFile(Block(200605, {{5, {L"kept"}}}), {});
    WriteBytes(File(), before);
    const std::wstring ics = (dir_.Path() / L"in.ics").wstring(), data = File().wstring();
    const std::string one = "BEGIN:VCALENDAR\nBEGIN:VEVENT\nDTSTART:20260101\nSUMMARY:x\nEND:VEVENT\nEND:VCALENDAR\n";
    WriteBytes(ics, Bytes(one.begin(), one.end()));
    for (const DWORD share : {DWORD{0}, DWORD{FILE_SHARE_READ}, DWORD{2}}) { // 2: read-only instead
        {
            const UniqueHandle held(
                share == 2 ? nullptr
                           : CreateFileW(data.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr));
            SetFileAttributesW(data.c_str(), share == 2 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
            EXPECT_EQ(exchange::ImportDayData(data, ics).status, exchange::Status::Failed);
            SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_NORMAL);
        }
        EXPECT_EQ(ReadBytes(File()), before) << share;
        EXPECT_FALSE(std::filesystem::exists(model_.TempFilePath()));
    }
}
