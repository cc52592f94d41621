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
        {HOTKEYF_EXT, MOD_WIN},
        {HOTKEYF_SHIFT | HOTKEYF_EXT, MOD_SHIFT | MOD_WIN},
        {0xF0 | HOTKEYF_ALT, MOD_ALT}, // bits without a modifier are dropped
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotkeyModifiers(c.flags), c.mods) << "flags " << c.flags;
}

TEST(CalendarHelpers, TrayTipIsCutAtSixtyThreeCharacters)
{
    const std::wstring sixtyThree(63, L'y');
    const struct {
        std::wstring text, tip;
    } cases[] = {{L"Mosaryn", L"Mosaryn"}, {sixtyThree, sixtyThree}, {sixtyThree + L"z", sixtyThree}, {L"", L""}};
    for (const auto& c : cases)
        EXPECT_EQ(TrayTip(c.text), c.tip) << "length " << c.text.size();
}

TEST(CalendarHelpers, TrayMenuLosesShowOrHide)
{
    for (const bool visible : {true, false}) {
        PopupMenu m = BuildTrayMenu(visible, false);
        ASSERT_NE(m.popup, nullptr);
        std::vector<UINT> ids;
        for (int i = 0; i < GetMenuItemCount(m.popup); ++i)
            ids.push_back(GetMenuItemID(m.popup, i));
        const UINT kept = visible ? ID_HIDE : ID_SHOW, removed = visible ? ID_SHOW : ID_HIDE;
        EXPECT_NE(std::find(ids.begin(), ids.end(), kept), ids.end()) << visible;
        EXPECT_EQ(std::find(ids.begin(), ids.end(), removed), ids.end()) << visible;
        EXPECT_EQ(ids.size(), 7u) << "one item fewer than the resource's eight";
    }
}
