// The modeless sheet: opening, OK / Apply / Cancel / close box, and the General page's apply.
#include "SheetTestSupport.h"
#include "res/resource.h"

#include <gtest/gtest.h>

namespace {

using SettingsSheetTest = SheetFixture;

constexpr Argb kBackColor = 0x80FFFFFF; // alpha 128 shows as 50 %

TEST_F(SettingsSheetTest, OpensOnceAndOkWithoutChangesAppliesNothing)
{
    HWND first = Open();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(sheet.SheetWindow(), first);
    EXPECT_EQ(GetWindow(first, GW_OWNER), host.HostWindow());
    // A second open brings the same sheet forward; the pages keep their one window each.
    HWND general = General();
    EXPECT_EQ(sheet.OpenSettings(&host), first);
    EXPECT_EQ(General(), general);

    Design();
    ASSERT_NE(sheet.DesignItems().Working(), nullptr);
    Press(IDOK);
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(host.relayoutRenders, 0);
    EXPECT_EQ(host.hotKeyApplies, 0);

    // The sheet opens again after it was closed.
    HWND again = Open();
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(IsWindow(again));
}

TEST_F(SettingsSheetTest, CancelKeepsLiveSettingsAndTheReopenedSheetShowsThem)
{
    Live().Design.Background.BackColor = kBackColor;
    Open();
    Design();
    HWND background = ItemPage(2);
    EXPECT_EQ(TrackPosition(background, IDC_TRACK2), 50);
    Slide(background, IDC_TRACK2, 0);
    EXPECT_EQ(Working().Background.BackColor, 0xFFFFFFFFu);
    Press(IDCANCEL);
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(Live().Design.Background.BackColor, kBackColor);
    EXPECT_EQ(host.relayoutRenders, 0);

    Open();
    Design();
    EXPECT_EQ(Working().Background.BackColor, kBackColor);
    EXPECT_EQ(TrackPosition(ItemPage(2), IDC_TRACK2), 50);
    EXPECT_EQ(ItemText(ItemPage(2), IDC_TRACK2_LABEL), L"50%");
    // What was cancelled is not applied by a later OK either.
    Press(IDOK);
    EXPECT_EQ(host.relayoutRenders, 0);
    EXPECT_EQ(Live().Design.Background.BackColor, kBackColor);
}

TEST_F(SettingsSheetTest, ApplyThenCancelKeepsOnlyTheAppliedChange)
{
    Live().Design.Background.BackColor = kBackColor;
    Open();
    Design();
    Slide(ItemPage(2), IDC_TRACK2, 0);
    Press(kApplyButton);
    ASSERT_NE(sheet.SheetWindow(), nullptr) << "Apply leaves the sheet open";
    EXPECT_EQ(host.relayoutRenders, 1);
    EXPECT_EQ(Live().Design.Background.BackColor, 0xFFFFFFFFu);
    // Applying again without a change does nothing.
    Press(kApplyButton);
    EXPECT_EQ(host.relayoutRenders, 1);

    Slide(ItemPage(2), IDC_TRACK2, 100);
    EXPECT_EQ(Working().Background.BackColor, 0x00FFFFFFu);
    Press(IDCANCEL);
    EXPECT_EQ(Live().Design.Background.BackColor, 0xFFFFFFFFu);
    EXPECT_EQ(host.relayoutRenders, 1);
}

TEST_F(SettingsSheetTest, CloseBoxDiscardsLikeCancelWithoutResettingThePages)
{
    Live().Design.Background.BackColor = kBackColor;
    MessageSpy spy;
    Open();
    Design();
    Slide(ItemPage(2), IDC_TRACK2, 0);
    Press(IDCANCEL);
    EXPECT_GT(spy.resets, 0) << "Cancel resets the pages";

    spy.resets = 0;
    HWND window = Open();
    Design();
    Slide(ItemPage(2), IDC_TRACK2, 0);
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages(20);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(spy.resets, 0);
    EXPECT_EQ(spy.applies, 0);
    EXPECT_EQ(Live().Design.Background.BackColor, kBackColor);
    EXPECT_EQ(host.relayoutRenders, 0);
}

TEST_F(SettingsSheetTest, GeneralPageAppliesOptionsAndTheTopmostBandAtOnce)
{
    HWND calendar = host.HostWindow();
    SetWindowPos(calendar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_NE(GetWindowLongW(calendar, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    RECT before{};
    GetWindowRect(calendar, &before);
    Live().StayTop = true;
    Live().ShowBegin = true;
    Live().TodayInfo = false;
    Open();
    HWND general = General();
    EXPECT_TRUE(Checked(general, IDC_STAY_TOP));
    EXPECT_TRUE(Checked(general, IDC_SHOW_BEGIN));
    EXPECT_FALSE(Checked(general, IDC_TODAY_INFO));
    EXPECT_EQ(SendDlgItemMessageW(general, IDC_HOTKEY, HKM_GETHOTKEY, 0, 0), 0x0443);

    ToggleCheck(general, IDC_STAY_TOP);
    ToggleCheck(general, IDC_SHOW_BEGIN);
    ToggleCheck(general, IDC_TODAY_INFO);
    EXPECT_TRUE(Live().StayTop) << "nothing reaches the live record before Apply";
    Press(kApplyButton);
    EXPECT_EQ(GetWindowLongW(calendar, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_FALSE(Live().StayTop);
    EXPECT_FALSE(Live().ShowBegin);
    EXPECT_TRUE(Live().TodayInfo);
    EXPECT_EQ(host.hotKeyApplies, 1);
    RECT after{};
    GetWindowRect(calendar, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "neither moved nor sized";

    // Back into the band. (Wine hands the topmost flag to the owned sheet rather than to its
    // owner while the sheet is shown, so only the record is checked in this direction.)
    ToggleCheck(general, IDC_STAY_TOP);
    Press(IDOK);
    EXPECT_TRUE(Live().StayTop);
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
}

TEST_F(SettingsSheetTest, TakenHotKeyIsReportedOncePerApplyAndKept)
{
    // Another window holds Ctrl+Alt+F11.
    HWND holder = CreateWindowExW(0, L"STATIC", L"holder", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(RegisterHotKey(holder, 1, MOD_CONTROL | MOD_ALT, VK_F11));
    const int taken = MAKEWORD(VK_F11, HOTKEYF_CONTROL | HOTKEYF_ALT);

    Open();
    HWND general = General();
    SendDlgItemMessageW(general, IDC_HOTKEY, HKM_SETHOTKEY, static_cast<WPARAM>(taken), 0);
    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(kApplyButton);
    EXPECT_EQ(host.hotKeyApplies, 1);
    EXPECT_EQ(host.hotKeyFailures, 1);
    EXPECT_EQ(Live().Hotkey, taken);
    Press(kApplyButton);
    EXPECT_EQ(host.hotKeyApplies, 1) << "no change, no new attempt";

    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(IDOK);
    EXPECT_EQ(host.hotKeyApplies, 2);
    EXPECT_EQ(host.hotKeyFailures, 2);
    EXPECT_EQ(sheet.SheetWindow(), nullptr) << "the apply is not refused";

    // The value reaches qv.ini at exit.
    sheet.SaveSettings();
    SettingsSheet reread;
    reread.SetIniDirectory(dir.WithSlash());
    reread.LoadSettings();
    EXPECT_EQ(reread.Live().Hotkey, taken);

    UnregisterHotKey(holder, 1);
    DestroyWindow(holder);
}

TEST_F(SettingsSheetTest, DestroyingTheCalendarWhileOpenClosesTheSheet)
{
    Open();
    Design();
    HWND window = sheet.SheetWindow();
    HWND designPage = sheet.DesignItems().Handle();
    SelectItem(3);
    DestroyWindow(host.HostWindow());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(designPage));
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(sheet.DesignItems().ItemPage(1), nullptr) << "child page objects go with their windows";
}

} // namespace
