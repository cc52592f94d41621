#include "calendar/DateUtil.h"
#include "calendar/MonthModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

using namespace std::chrono;
using Bytes = std::vector<std::uint8_t>;

namespace {
void PutI32(Bytes& b, std::int64_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(u >> (8 * i)));
}

void PutText(Bytes& b, const std::wstring& t)
{
    PutI32(b, static_cast<std::int64_t>(t.size()));
    for (const wchar_t c : t) {
        b.push_back(static_cast<std::uint8_t>(c & 0xFF));
        b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct Memo {
    int day;
    std::wstring text;
};
struct Memorial {
    int day;
    std::wstring name, picture;
};

Bytes MemoBlock(int key, const std::vector<Memo>& entries)
{
    Bytes data;
    for (const Memo& e : entries) {
        PutI32(data, e.day);
        PutText(data, e.text);
    }
    Bytes b;
    PutI32(b, key);
    PutI32(b, static_cast<std::int64_t>(data.size()));
    return Cat({b, data});
}

Bytes MemorialBlock(int month, const std::vector<Memorial>& entries)
{
    Bytes data;
    for (const Memorial& e : entries) {
        PutI32(data, e.day);
        PutText(data, e.name);
        PutText(data, e.picture);
    }
    Bytes b;
    PutI32(b, month);
    PutI32(b, static_cast<std::int64_t>(data.size()));
    return Cat({b, data});
}

Bytes DataFile(const Bytes& memoSection, const Bytes& memorialSection)
{
    Bytes b;
    PutI32(b, static_cast<std::int64_t>(memoSection.size()));
    return Cat({b, memoSection, memorialSection});
}

class DayData : public testing::Test {
protected:
    DayData() : model_(dir_.WithSlash())
    {
        model_.SetClock([] { return year_month_day{year{2000}, month{1}, day{1}}; });
    }

    std::filesystem::path File() const { return dir_.Path() / L"qv.dat"; }
    // The cell of a day of the displayed month.
    DayRecord& Day(int d)
    {
        const int index = DayOfWeek(model_.Year(), model_.Month(), 1) + d - 1;
        return model_.Cell(index % 7, index / 7);
    }
    bool SetMemo(int d, const std::wstring& text)
    {
        const int index = DayOfWeek(model_.Year(), model_.Month(), 1) + d - 1;
        return model_.SetMemo(index % 7, index / 7, text);
    }
    bool SetMemorial(int d, const std::wstring& name, const std::wstring& picture = {})
    {
        const int index = DayOfWeek(model_.Year(), model_.Month(), 1) + d - 1;
        return model_.SetMemorial(index % 7, index / 7, name, picture);
    }
    // Day -> memo of every cell; fails the test if an adjacent-month cell carries day data.
    std::map<int, std::wstring> ShownMemos()
    {
        std::map<int, std::wstring> memos;
        for (int r = 0; r < MonthModel::ROWS; ++r)
            for (int k = 0; k < MonthModel::COLUMNS; ++k) {
                const DayRecord& c = model_.Cell(k, r);
                if (!c.InShownMonth()) {
                    EXPECT_FALSE(c.flags & (DAY_MEMO | DAY_MEMORIAL)) << "cell " << k << ',' << r;
                    EXPECT_TRUE(c.memo.empty() && c.memorialName.empty() && c.memorialPicture.empty());
                } else if (c.flags & DAY_MEMO) {
                    memos[c.day] = c.memo;
                } else {
                    EXPECT_TRUE(c.memo.empty());
                }
            }
        return memos;
    }

    TempDir dir_;
    MonthModel model_;
};

// Holds the file open the way another program might.
class HeldFile {
public:
    HeldFile(const std::filesystem::path& path, DWORD share)
        : handle_(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr))
    {
    }
    ~HeldFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};
} // namespace

TEST_F(DayData, WorkedExampleByteForByte)
{
    model_.Show(2006, 5);
    EXPECT_EQ(model_.MemoBlockPosition(), -1);
    ASSERT_TRUE(SetMemo(5, L"abc"));
    const Bytes expected = {0x16, 0, 0, 0,    0x9d, 0x0f, 0x03, 0,    0x0e, 0,    0, 0,    0x05,
                            0,    0, 0, 0x03, 0,    0,    0,    0x61, 0,    0x62, 0, 0x63, 0};
    EXPECT_EQ(ReadBytes(File()), expected);
    EXPECT_EQ(model_.DataFilePath(), dir_.WithSlash() + L"qv.dat");
    EXPECT_EQ(model_.MemoBlockPosition(), 0);
    EXPECT_FALSE(std::filesystem::exists(model_.TempFilePath()));
}

TEST_F(DayData, TwoMemosOfOneMonthShareOneBlockAndReload)
{
    model_.Show(2006, 5);
    ASSERT_TRUE(SetMemo(20, L"second"));
    ASSERT_TRUE(SetMemo(5, L"first"));
    EXPECT_EQ(ReadBytes(File()), DataFile(MemoBlock(200605, {{5, L"first"}, {20, L"second"}}), {}));
    model_.NextMonth();
    EXPECT_TRUE(ShownMemos().empty());
    model_.PrevMonth();
    EXPECT_EQ(ShownMemos(), (std::map<int, std::wstring>{{5, L"first"}, {20, L"second"}}));
    EXPECT_EQ(Day(5).flags & DAY_MEMO, DAY_MEMO);
}

TEST_F(DayData, EditedBlockMovesToTheFrontOthersPassThrough)
{
    const Bytes jan = MemoBlock(200601, {{3, L"jan"}});
    const Bytes may = MemoBlock(200605, {{5, L"old"}, {6, L"keep"}});
    const Bytes dec = MemoBlock(200612, {{24, L"eve"}});
    const Bytes memorials = Cat({MemorialBlock(3, {{3, L"hina", L""}}), MemorialBlock(5, {{1, L"m", L"p.png"}})});
    WriteBytes(File(), DataFile(Cat({jan, may, dec}), memorials));

    model_.Show(2006, 5);
    EXPECT_EQ(model_.MemoBlockPosition(), static_cast<std::int64_t>(jan.size()));
    EXPECT_EQ(Day(1).memorialPicture, L"p.png");
    ASSERT_TRUE(SetMemo(5, L"new"));
    const Bytes newMay = MemoBlock(200605, {{5, L"new"}, {6, L"keep"}});
    EXPECT_EQ(ReadBytes(File()), DataFile(Cat({newMay, jan, dec}), memorials));

    // Deleting every memo of the month removes its block and shrinks L.
    ASSERT_TRUE(SetMemo(5, L""));
    ASSERT_TRUE(SetMemo(6, L""));
    EXPECT_EQ(ReadBytes(File()), DataFile(Cat({jan, dec}), memorials));
    EXPECT_EQ(model_.MemoBlockPosition(), -1);
}

TEST_F(DayData, MemorialBlockIsReplacedInPlace)
{
    const Bytes memos = MemoBlock(200607, {{1, L"x"}});
    const Bytes mar = MemorialBlock(3, {{3, L"hina", L""}});
    const Bytes nov = MemorialBlock(11, {{3, L"culture", L"c.jpg"}});
    WriteBytes(File(), DataFile(memos, Cat({mar, MemorialBlock(7, {{7, L"tanabata", L""}}), nov})));

    model_.Show(2006, 7);
    ASSERT_TRUE(SetMemorial(20, L"summer", L"C:\\pic\\sea.png"));
    EXPECT_EQ(ReadBytes(File()),
              DataFile(memos, Cat({mar, MemorialBlock(7, {{7, L"tanabata", L""}, {20, L"summer", L"C:\\pic\\sea.png"}}),
                                   nov})));
    EXPECT_EQ(model_.MemorialBlockPosition(), static_cast<std::int64_t>(mar.size()));

    // An empty name removes the entry even with a picture given.
    ASSERT_TRUE(SetMemorial(7, L"", L"ignored.png"));
    ASSERT_TRUE(SetMemorial(20, L""));
    EXPECT_EQ(ReadBytes(File()), DataFile(memos, Cat({mar, nov})));
}

TEST_F(DayData, FirstMemoAfterAFirstMemorialKeepsBothSections)
{
    model_.Show(2010, 10);
    ASSERT_TRUE(SetMemorial(10, L"anniv"));
    const Bytes memorial = MemorialBlock(10, {{10, L"anniv", L""}});
    EXPECT_EQ(ReadBytes(File()), DataFile({}, memorial));
    ASSERT_TRUE(SetMemo(1, L"m"));
    EXPECT_EQ(ReadBytes(File()), DataFile(MemoBlock(201010, {{1, L"m"}}), memorial));
}

TEST_F(DayData, MemoWithLineBreaksRoundTrips)
{
    const std::wstring text = L"line one\r\nline two\r\n\r\n日本語";
    model_.Show(2006, 5);
    ASSERT_TRUE(SetMemo(31, text));
    EXPECT_EQ(ReadBytes(File()), DataFile(MemoBlock(200605, {{31, text}}), {}));
    MonthModel other(dir_.WithSlash());
    other.Show(2006, 5);
    EXPECT_EQ(other.Cell(3, 4).day, 31);
    EXPECT_EQ(other.Cell(3, 4).memo, text);
}

TEST_F(DayData, MemorialRecursEveryYear)
{
    model_.Show(2006, 7);
    ASSERT_TRUE(SetMemorial(7, L"七夕", L"C:\\tanabata.png"));
    for (const int y : {1981, 1999, 2050, 2098}) {
        model_.Show(y, 7);
        EXPECT_EQ(Day(7).flags & DAY_MEMORIAL, DAY_MEMORIAL) << y;
        EXPECT_EQ(Day(7).memorialName, L"七夕");
        EXPECT_EQ(Day(7).memorialPicture, L"C:\\tanabata.png");
        EXPECT_FALSE(Day(8).flags & DAY_MEMORIAL);
    }
    model_.Show(2006, 6);
    EXPECT_EQ(model_.MemorialBlockPosition(), -1);
}

TEST_F(DayData, LeapDayMemorialKeptInCommonYearsShownInLeapYears)
{
    model_.Show(2024, 2);
    ASSERT_TRUE(SetMemorial(29, L"leap"));
    model_.Show(2023, 2);
    for (int r = 0; r < 6; ++r)
        for (int k = 0; k < 7; ++k)
            EXPECT_FALSE(model_.Cell(k, r).flags & DAY_MEMORIAL) << k << ',' << r;
    ASSERT_TRUE(SetMemorial(10, L"ten"));
    EXPECT_EQ(ReadBytes(File()), DataFile({}, MemorialBlock(2, {{10, L"ten", L""}, {29, L"leap", L""}})));
    ASSERT_TRUE(SetMemorial(10, L""));
    EXPECT_EQ(ReadBytes(File()), DataFile({}, MemorialBlock(2, {{29, L"leap", L""}})));
    model_.Show(2024, 2);
    EXPECT_EQ(Day(29).memorialName, L"leap");
}

TEST_F(DayData, AdjacentMonthCellsCannotBeEdited)
{
    model_.Show(2006, 5); // starts on a Monday: cell (0,0) is 30 April
    EXPECT_FALSE(model_.SetMemo(0, 0, L"x"));
    EXPECT_FALSE(model_.SetMemorial(0, 0, L"x", L""));
    EXPECT_FALSE(std::filesystem::exists(File()));
    EXPECT_TRUE(model_.Cell(0, 0).memo.empty());
}

// ---- Damaged files -------------------------------------------------------

TEST_F(DayData, FileCutAtEveryOffsetShowsOnlyIntactEntries)
{
    const std::map<int, std::wstring> memos = {{1, L"first"}, {15, L"middle"}, {30, L"last"}};
    const Bytes full = DataFile(Cat({MemoBlock(200605, {{1, L"first"}, {15, L"middle"}}), MemoBlock(200606, {}),
                                     MemoBlock(200605, {{30, L"shadowed"}})}),
                                MemorialBlock(5, {{5, L"kodomo", L"k.png"}, {30, L"end", L""}}));
    std::size_t previous = 0;
    for (std::size_t cut = 0; cut <= full.size(); ++cut) {
        WriteBytes(File(), Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
        model_.Show(2006, 5);
        const std::map<int, std::wstring> shown = ShownMemos();
        for (const auto& [d, text] : shown)
            ASSERT_EQ(text, memos.at(d)) << "cut " << cut;
        for (int d = 1; d <= 31; ++d) {
            const DayRecord& c = Day(d);
            if (c.flags & DAY_MEMORIAL) {
                ASSERT_TRUE((d == 5 && c.memorialName == L"kodomo" && c.memorialPicture == L"k.png") ||
                            (d == 30 && c.memorialName == L"end"))
                    << "cut " << cut;
            }
        }
        ASSERT_GE(shown.size(), previous) << "cut " << cut;
        previous = shown.size();
    }
    EXPECT_EQ(previous, 2u);
    EXPECT_EQ(Day(5).memorialName, L"kodomo");
    EXPECT_EQ(Day(30).memorialName, L"end");
}

TEST_F(DayData, HostileLengthsAndDaysNeverLeaveTheMonth)
{
    // June 2006: 30 days, starting on a Thursday, so cells after the 30th are July.
    const Bytes good = MemoBlock(200606, {{2, L"ok"}});
    const auto raw = [](std::initializer_list<std::int64_t> words) {
        Bytes b;
        for (const std::int64_t w : words)
            PutI32(b, w);
        return b;
    };
    struct Case {
        const char* what;
        Bytes file;
        std::map<int, std::wstring> memos;
    };
    const Case cases[] = {
        {"huge L", Cat({raw({0x7FFFFFFF}), good}), {{2, L"ok"}}},
        {"negative L", Cat({raw({-8}), good}), {}},
        {"huge block length",
         Cat({raw({8 + 10}), raw({200606, 0x7FFFFFF0}), raw({3, 1}), {'h', 0}, raw({4, 1})}),
         {{3, L"h"}}},
        {"negative block length", Cat({raw({16}), raw({200605, -16}), good}), {}},
        {"overlapping blocks", Cat({raw({static_cast<std::int64_t>(good.size() + 8)}), raw({200605, 4}), good}), {}},
        {"huge text length", Cat({raw({24}), raw({200606, 16, 2, 1}), {'a', 0}, raw({3, 0x40000000})}), {{2, L"a"}}},
        {"negative text length", Cat({raw({16}), raw({200606, 8, 2, -2})}), {}},
        {"days outside the month",
         Cat({raw({static_cast<std::int64_t>(
                  MemoBlock(200606, {{0, L"z"}, {-1, L"m"}, {31, L"x"}, {45, L"y"}, {1000000, L"w"}, {30, L"real"}})
                      .size())}),
              MemoBlock(200606, {{0, L"z"}, {-1, L"m"}, {31, L"x"}, {45, L"y"}, {1000000, L"w"}, {30, L"real"}})}),
         {{30, L"real"}}},
        {"repeated day keeps the first", DataFile(MemoBlock(200606, {{4, L"one"}, {4, L"two"}}), {}), {{4, L"one"}}},
        {"memorial lengths past the end",
         Cat({raw({0}), raw({6, 0x7FFFFFFF, 7, 2}), {'n', 0, 'm', 0}, raw({0x7FFFFFFF})}),
         {}},
        {"memorial days outside the month",
         DataFile({}, MemorialBlock(6, {{31, L"x", L""}, {0, L"z", L""}, {-5, L"m", L""}, {9, L"ok", L""}})),
         {}},
        {"three bytes", {1, 2, 3}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(File(), c.file);
        model_.Show(2006, 6);
        EXPECT_EQ(ShownMemos(), c.memos);
        for (int d = 1; d <= 30; ++d)
            if (Day(d).flags & DAY_MEMORIAL) {
                EXPECT_TRUE(d == 9 && Day(d).memorialName == L"ok") << d;
            }
        // A save over the damaged file keeps the month's intact entries.
        ASSERT_TRUE(SetMemo(10, L"after"));
        model_.Show(2006, 6);
        std::map<int, std::wstring> want = c.memos;
        want[10] = L"after";
        EXPECT_EQ(ShownMemos(), want);
    }
}

TEST_F(DayData, SaveOverAFileThatCannotBeReadChangesNothing)
{
    const Bytes original = DataFile(MemoBlock(200605, {{5, L"kept"}}), MemorialBlock(5, {{5, L"m", L""}}));
    WriteBytes(File(), original);
    model_.Show(2006, 5);
    {
        HeldFile held(File(), 0);
        ASSERT_TRUE(held.Valid());
        EXPECT_FALSE(SetMemo(6, L"edit"));
        EXPECT_FALSE(SetMemorial(6, L"edit"));
    }
    EXPECT_EQ(ReadBytes(File()), original);
    EXPECT_EQ(Day(6).memo, L"edit") << "the edit stays in memory";
    EXPECT_FALSE(std::filesystem::exists(model_.TempFilePath()));

    // Once the file is free the pending edit is written with the next one.
    ASSERT_TRUE(SetMemo(7, L"later"));
    EXPECT_EQ(ReadBytes(File()).size(), original.size() + (8 + 8) + (8 + 10));
    model_.Show(2006, 5);
    EXPECT_EQ(ShownMemos(), (std::map<int, std::wstring>{{5, L"kept"}, {6, L"edit"}, {7, L"later"}}));
}

TEST_F(DayData, MonthLoadedWhileLockedIsNotOverwrittenLater)
{
    const Bytes original = DataFile(MemoBlock(200605, {{5, L"kept"}}), MemorialBlock(5, {{9, L"keep", L""}}));
    WriteBytes(File(), original);
    {
        HeldFile held(File(), 0);
        model_.Show(2006, 5);
        EXPECT_TRUE(ShownMemos().empty());
    }
    ASSERT_TRUE(SetMemo(6, L"new"));
    ASSERT_TRUE(SetMemorial(10, L"ten"));
    model_.Show(2006, 5);
    EXPECT_EQ(ShownMemos(), (std::map<int, std::wstring>{{5, L"kept"}, {6, L"new"}}));
    EXPECT_EQ(Day(9).memorialName, L"keep");
    EXPECT_EQ(Day(10).memorialName, L"ten");
}

TEST_F(DayData, FailedReplacementLeavesTheOldFile)
{
    const Bytes original = DataFile(MemoBlock(200605, {{5, L"kept"}}), {});
    WriteBytes(File(), original);
    model_.Show(2006, 5);

    // The temporary file cannot be created.
    std::filesystem::create_directory(model_.TempFilePath());
    EXPECT_FALSE(SetMemo(6, L"x"));
    EXPECT_FALSE(SetMemorial(6, L"x"));
    EXPECT_EQ(ReadBytes(File()), original);
    EXPECT_TRUE(std::filesystem::is_directory(model_.TempFilePath()));
    std::filesystem::remove(model_.TempFilePath());

    // Readable, but held so that it cannot be replaced.
    {
        HeldFile held(File(), FILE_SHARE_READ);
        ASSERT_TRUE(held.Valid());
        EXPECT_FALSE(SetMemo(6, L"y"));
        EXPECT_FALSE(std::filesystem::exists(model_.TempFilePath()));
    }
    EXPECT_EQ(ReadBytes(File()), original);

    // A data file that is a directory is neither read nor replaced.
    TempDir other;
    std::filesystem::create_directory(other.Path() / L"qv.dat");
    model_.SetDataDirectory(other.WithSlash());
    model_.Show(2006, 5);
    EXPECT_FALSE(SetMemo(6, L"z"));
    EXPECT_TRUE(std::filesystem::is_directory(other.Path() / L"qv.dat"));
}
