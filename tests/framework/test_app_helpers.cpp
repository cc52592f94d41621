// LoadResString.
#include "app/Application.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <tuple>

TEST(LoadResString, LongEntriesArriveWhole)
{
    const std::tuple<UINT, std::size_t, wchar_t> cases[] = {{9001, 254, L'X'}, {9002, 255, L'Y'}, {9003, 600, L'Z'}};
    for (const auto& [id, length, last] : cases) {
        std::wstring text;
        ASSERT_TRUE(TheApp()->LoadResString(id, text)) << id;
        EXPECT_EQ(text.size(), length) << id;
        EXPECT_EQ(text.back(), last) << id;
        EXPECT_EQ(text.substr(0, 3), L"abc") << id;
    }
}

TEST(LoadResString, ProgramStringsAndMissingEntries)
{
    EXPECT_EQ(ResString(IDS_MONTH_BASE + 12) + ResString(IDS_WEEKDAY_BASE + 6), L"DECEMBERSAT");
    std::wstring text = L"unchanged";
    EXPECT_FALSE(TheApp()->LoadResString(8999, text));
    EXPECT_EQ(text, L"unchanged");
}
