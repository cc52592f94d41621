// What a save of qv.dat keeps besides the bytes, and what a late load brings back.
#include "app/Handle.h"
#include "calendar/DateUtil.h"
#include "calendar/MonthModel.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {
// May 2006 with the memo "abc" on the 5th and the memorial day "m" on the 6th.
const std::vector<std::uint8_t> kFile = {
    0x16, 0, 0, 0, 0x9d, 0x0f, 0x03, 0, 0x0e, 0, 0, 0, 5, 0, 0, 0, 3,   0, 0, 0, 'a', 0, 'b', 0, 'c', 0, // memos
    5,    0, 0, 0, 14,   0,    0,    0, 6,    0, 0, 0, 1, 0, 0, 0, 'm', 0, 0, 0, 0,   0};                // memorials

class DayFileKeep : public testing::Test {
protected:
    DayFileKeep() : model_(dir_.WithSlash())
    {
        model_.SetClock([] { return std::chrono::year{2000} / 1 / 1; });
    }
    std::filesystem::path File() const { return dir_.Path() / L"qv.dat"; }
    static int Index(int d) { return DayOfWeek(2006, 5, 1) + d - 1; }
    DayRecord& Day(int d) { return model_.Cell(Index(d) % 7, Index(d) / 7); }
    bool SetMemo(int d, const wchar_t* text) { return model_.SetMemo(Index(d) % 7, Index(d) / 7, text); }
    bool SetMemorial(int d, const wchar_t* name) { return model_.SetMemorial(Index(d) % 7, Index(d) / 7, name, L""); }
    TempDir dir_;
    MonthModel model_;
};
} // namespace

TEST_F(DayFileKeep, SaveKeepsAttributesAndRespectsReadOnly)
{
    WriteBytes(File(), kFile);
    model_.Show(2006, 5);
    const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
    ASSERT_TRUE(SetFileAttributesW(File().c_str(), hidden));
    ASSERT_TRUE(SetMemo(7, L"x"));
    EXPECT_EQ(GetFileAttributesW(File().c_str()), hidden);
    const auto saved = ReadBytes(File());
    EXPECT_NE(saved, kFile);

    ASSERT_TRUE(SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(SetMemo(8, L"y"));
    EXPECT_FALSE(SetMemorial(8, L"z"));
    EXPECT_EQ(ReadBytes(File()), saved);
    EXPECT_FALSE(std::filesystem::exists(model_.TempFilePath()));
    EXPECT_TRUE(GetFileAttributesW(File().c_str()) & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(File().c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The file could not be read when the month was shown; the first save after it
// can be read again brings back both kinds of the month's entries.
TEST_F(DayFileKeep, SaveAfterALateLoadShowsMemosAndMemorials)
{
    for (const bool memoFirst : {true, false}) {
        SCOPED_TRACE(memoFirst ? "memo saved" : "memorial saved");
        WriteBytes(File(), kFile);
        {
            const UniqueHandle held(CreateFileW(File().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            model_.Show(2006, 5);
            EXPECT_FALSE(Day(5).flags & DAY_MEMO);
            EXPECT_FALSE(Day(6).flags & DAY_MEMORIAL);
        }
        ASSERT_TRUE(memoFirst ? SetMemo(9, L"new") : SetMemorial(9, L"new"));
        EXPECT_EQ(Day(5).memo, L"abc");
        EXPECT_EQ(Day(6).memorialName, L"m");
        EXPECT_TRUE((Day(5).flags & DAY_MEMO) && (Day(6).flags & DAY_MEMORIAL));
    }
}
