// The calendar window's pure helpers: hot-key modifiers, the tray tip and the tray menu.
#include "resource.h"
#include "ui/calendar/CalendarWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace calendar_window;

TEST(CalendarHelpers, HotkeyControlFlagsBecomeRegisterModifiers)
{
    const struct {
        UINT flags, mods;
    } cases[] = {
        {0, 0},
        {HOTKEYF_SHIFT, MOD_SHIFT},
        {HOTKEYF_CONTROL, MOD_CONTROL},
        {HOTKEYF_ALT, MOD_ALT},
        {HOTKEYF_EXT, 0}, // an extended key, not the Windows key
        {HOTKEYF_SHIFT | HOTKEYF_EXT, MOD_SHIFT},
        {0xF0 | HOTKEYF_ALT, MOD_ALT}, // bits without a modifier are dropped
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotkeyModifiers(c.flags), c.mods) << "flags " << c.flags;
}

TEST(CalendarHelpers, TrayTipIsCutAtSixtyThreeCharacters)
{
    const std::wstring sixtyThree(63, L'y');
    EXPECT_EQ(TrayTip(L"Mosaryn"), L"Mosaryn");
    EXPECT_EQ(TrayTip(sixtyThree), sixtyThree);
    EXPECT_EQ(TrayTip(sixtyThree + L"z"), sixtyThree);
}

TEST(CalendarHelpers, TrayMenuLosesShowOrHide)
{
    for (const bool visible : {true, false}) {
        PopupMenu m = BuildTrayMenu(visible, false);
        ASSERT_NE(m.popup, nullptr);
        std::vector<UINT> ids;
        for (int i = 0; i < GetMenuItemCount(m.popup); ++i)
            ids.push_back(GetMenuItemID(m.popup, i));
        EXPECT_EQ(std::count(ids.begin(), ids.end(), visible ? ID_HIDE : ID_SHOW), 1) << visible;
        EXPECT_EQ(std::count(ids.begin(), ids.end(), visible ? ID_SHOW : ID_HIDE), 0) << visible;
        EXPECT_EQ(ids.size(), 7u) << "only the other one of the resource's eight removed";
    }
}
