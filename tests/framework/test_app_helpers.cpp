// LoadResString.
#include "app/Application.h"
#include "resource.h"

#include <gtest/gtest.h>

TEST(LoadResString, LongEntriesArriveWhole)
{
    struct Case {
        UINT id;
        std::size_t length;
        wchar_t last;
    } cases[] = {{9001, 254, L'X'}, {9002, 255, L'Y'}, {9003, 600, L'Z'}};
    for (const auto& c : cases) {
        std::wstring text;
        ASSERT_TRUE(TheApp()->LoadResString(c.id, text)) << c.id;
        EXPECT_EQ(text.size(), c.length) << c.id;
        EXPECT_EQ(text.back(), c.last) << c.id;
        EXPECT_EQ(text.substr(0, 3), L"abc") << c.id;
    }
}

TEST(LoadResString, ProgramStringsAndMissingEntries)
{
    EXPECT_EQ(ResString(IDS_MONTH_BASE + 12) + ResString(IDS_WEEKDAY_BASE + 6), L"DECEMBERSAT");
    std::wstring text = L"unchanged";
    EXPECT_FALSE(TheApp()->LoadResString(8999, text));
    EXPECT_EQ(text, L"unchanged");
}
