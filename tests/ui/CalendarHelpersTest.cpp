// The calendar window's pure helpers: hot-key modifiers, the tray tip, placement on a
// work area, the day menu's title and the three menus as they are handed to TrackPopupMenu.
#include "resource.h"
#include "ui/calendar/CalendarWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace calendar_window;

namespace {

std::vector<UINT> ItemIds(HMENU menu)
{
    std::vector<UINT> ids;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i)
        ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

bool Has(const std::vector<UINT>& ids, UINT id)
{
    for (UINT i : ids)
        if (i == id)
            return true;
    return false;
}

bool Checked(HMENU menu, UINT id) { return (GetMenuState(menu, id, MF_BYCOMMAND) & MF_CHECKED) != 0; }

} // namespace

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
        {HOTKEYF_ALT | HOTKEYF_CONTROL, MOD_ALT | MOD_CONTROL},
        {HOTKEYF_SHIFT | HOTKEYF_EXT, MOD_SHIFT | MOD_WIN},
        {0x0F, MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN},
        {0xF0, 0}, // bits without a modifier are dropped
        {0xF0 | HOTKEYF_ALT, MOD_ALT},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HotkeyModifiers(c.flags), c.mods) << "flags " << c.flags;
}

TEST(CalendarHelpers, TrayTipFitsTheTipField)
{
    const std::wstring seventy(70, L'x');
    const std::wstring sixtyThree(63, L'y');
    const struct {
        std::wstring text, tip;
    } cases[] = {
        {L"Mosaryn", L"Mosaryn"},        {L"0123456789", L"0123456789"},    {sixtyThree, sixtyThree},
        {sixtyThree + L"z", sixtyThree}, {seventy, std::wstring(63, L'x')}, {L"", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrayTip(c.text), c.tip) << "length " << c.text.size();
}

TEST(CalendarHelpers, PlaceInsideMovesOnlyWhatLiesOutside)
{
    const RECT work{0, 0, 1280, 1000};
    const RECT offset{100, 50, 1380, 1050};
    const struct {
        const char* what;
        RECT window, work, placed;
    } cases[] = {
        {"inside stays", {300, 200, 500, 400}, work, {300, 200, 500, 400}},
        {"off to the right", {2000, 100, 2200, 300}, work, {1080, 100, 1280, 300}},
        {"off to the left", {-500, 50, -300, 250}, work, {0, 50, 200, 250}},
        {"below", {100, 1500, 300, 1700}, work, {100, 800, 300, 1000}},
        {"above and right", {5000, -900, 5250, -650}, work, {1030, 0, 1280, 250}},
        {"larger than the work area", {-10, -10, 1490, 1190}, work, {0, 0, 1500, 1200}},
        {"work area not at the origin", {0, 0, 200, 200}, offset, {100, 50, 300, 250}},
        {"hand-edited huge position", {99999999, 99999999, 100000199, 100000199}, offset, {1180, 850, 1380, 1050}},
    };
    for (const auto& c : cases) {
        const RECT r = PlaceInside(c.window, c.work);
        EXPECT_EQ(r.left, c.placed.left) << c.what;
        EXPECT_EQ(r.top, c.placed.top) << c.what;
        EXPECT_EQ(r.right, c.placed.right) << c.what;
        EXPECT_EQ(r.bottom, c.placed.bottom) << c.what;
    }
}

TEST(CalendarHelpers, DayMenuTitlePadsMonthAndDay)
{
    EXPECT_EQ(DayMenuTitle(2026, 12, 5), L"< 2026/12/05 >");
    EXPECT_EQ(DayMenuTitle(1999, 1, 31), L"< 1999/01/31 >");
    EXPECT_EQ(DayMenuTitle(2099, 10, 10), L"< 2099/10/10 >");
}

TEST(CalendarHelpers, TrayMenuOffersOnlyTheUsefulOfShowAndHide)
{
    const struct {
        bool visible, stayTop;
        UINT kept, removed;
    } cases[] = {
        {true, false, ID_HIDE, ID_SHOW},
        {true, true, ID_HIDE, ID_SHOW},
        {false, false, ID_SHOW, ID_HIDE},
        {false, true, ID_SHOW, ID_HIDE},
    };
    for (const auto& c : cases) {
        PopupMenu m = BuildTrayMenu(c.visible, c.stayTop);
        ASSERT_NE(m.popup, nullptr);
        const std::vector<UINT> ids = ItemIds(m.popup);
        EXPECT_TRUE(Has(ids, c.kept)) << "visible " << c.visible;
        EXPECT_FALSE(Has(ids, c.removed)) << "visible " << c.visible;
        // One item fewer than the resource's eight; everything else stays.
        EXPECT_EQ(ids.size(), 7u);
        for (UINT id : {ID_STAY_TOP, ID_SETTINGS, ID_ABOUT, ID_EXIT})
            EXPECT_TRUE(Has(ids, id)) << id;
        EXPECT_EQ(Checked(m.popup, ID_STAY_TOP), c.stayTop);
    }
}

TEST(CalendarHelpers, CalendarMenuChecksStayTop)
{
    for (bool stayTop : {false, true}) {
        PopupMenu m = BuildCalendarMenu(stayTop);
        ASSERT_NE(m.popup, nullptr);
        const std::vector<UINT> expected{ID_HIDE, 0, ID_THIS_MONTH, 0, ID_STAY_TOP, ID_SETTINGS};
        EXPECT_EQ(ItemIds(m.popup), expected);
        EXPECT_EQ(Checked(m.popup, ID_STAY_TOP), stayTop);
        EXPECT_FALSE(Checked(m.popup, ID_SETTINGS));
    }
}

TEST(CalendarHelpers, DayMenuTitleIsOwnerDrawnWithTheCell)
{
    for (int cell : {0, (3 << 16) | 5, (5 << 16) | 6}) {
        PopupMenu m = BuildDayMenu(cell);
        ASSERT_NE(m.popup, nullptr);
        const std::vector<UINT> expected{ID_DAY_TITLE, ID_MEMO, ID_MEMORIAL};
        EXPECT_EQ(ItemIds(m.popup), expected);
        MENUITEMINFOW mii{sizeof(mii)};
        mii.fMask = MIIM_FTYPE | MIIM_DATA | MIIM_STATE;
        ASSERT_TRUE(GetMenuItemInfoW(m.popup, ID_DAY_TITLE, FALSE, &mii));
        EXPECT_TRUE(mii.fType & MFT_OWNERDRAW);
        EXPECT_EQ(mii.dwItemData, static_cast<ULONG_PTR>(cell));
        // Still disabled: the title sends no command.
        EXPECT_TRUE(mii.fState & MFS_DISABLED);
        mii = MENUITEMINFOW{sizeof(mii)};
        mii.fMask = MIIM_FTYPE;
        ASSERT_TRUE(GetMenuItemInfoW(m.popup, ID_MEMO, FALSE, &mii));
        EXPECT_FALSE(mii.fType & MFT_OWNERDRAW);
    }
}
