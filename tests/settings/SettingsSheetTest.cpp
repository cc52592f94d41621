// The modeless sheet: OK / Apply / Cancel / close box, and the General page's apply.
#include "SheetTestSupport.h"

namespace {

using SettingsSheetTest = SheetFixture;

constexpr Argb kBackColor = 0x80FFFFFF; // alpha 128 shows as 50 %

TEST_F(SettingsSheetTest, OkWithoutChangesAppliesNothing)
{
    OpenDesign();
    Press(IDOK);
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(host.relayoutRenders, 0);
    EXPECT_EQ(host.hotKeyApplies, 0);
}

TEST_F(SettingsSheetTest, CancelKeepsLiveSettingsAndTheReopenedSheetShowsThem)
{
    Live().Design.Background.BackColor = kBackColor;
    OpenDesign();
    Slide(ItemPage(2), IDC_TRACK2, 0);
    EXPECT_EQ(Working().Background.BackColor, 0xFFFFFFFFu);
    Press(IDCANCEL);
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(Live().Design.Background.BackColor, kBackColor);
    EXPECT_EQ(host.relayoutRenders, 0);

    OpenDesign();
    EXPECT_EQ(Working().Background.BackColor, kBackColor);
    EXPECT_EQ(TrackPosition(ItemPage(2), IDC_TRACK2), 50);
}

TEST_F(SettingsSheetTest, ApplyThenCancelKeepsOnlyTheAppliedChange)
{
    Live().Design.Background.BackColor = kBackColor;
    OpenDesign();
    Slide(ItemPage(2), IDC_TRACK2, 0);
    Press(kApplyButton);
    ASSERT_NE(sheet.SheetWindow(), nullptr) << "Apply leaves the sheet open";
    EXPECT_EQ(Live().Design.Background.BackColor, 0xFFFFFFFFu);
    Slide(ItemPage(2), IDC_TRACK2, 100);
    Press(IDCANCEL);
    EXPECT_EQ(Live().Design.Background.BackColor, 0xFFFFFFFFu);
    EXPECT_EQ(host.relayoutRenders, 1);
}

TEST_F(SettingsSheetTest, CloseBoxDiscardsLikeCancelWithoutResettingThePages)
{
    Live().Design.Background.BackColor = kBackColor;
    MessageSpy spy;
    OpenDesign();
    Slide(ItemPage(2), IDC_TRACK2, 0);
    Press(IDCANCEL);
    EXPECT_GT(spy.resets, 0) << "Cancel resets the pages";

    spy.resets = 0;
    OpenDesign();
    Slide(ItemPage(2), IDC_TRACK2, 0);
    SendMessageW(sheet.SheetWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages(20);
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(spy.resets, 0);
    EXPECT_EQ(Live().Design.Background.BackColor, kBackColor);
    EXPECT_EQ(host.relayoutRenders, 0);
}

TEST_F(SettingsSheetTest, UncheckingStayTopLeavesTheTopmostBandOnApply)
{
    HWND calendar = host.HostWindow();
    SetWindowPos(calendar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_NE(GetWindowLongW(calendar, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    Live().StayTop = true;
    Open();
    ToggleCheck(sheet.General().Handle(), IDC_STAY_TOP);
    EXPECT_TRUE(Live().StayTop) << "nothing reaches the live record before Apply";
    Press(kApplyButton);
    EXPECT_EQ(GetWindowLongW(calendar, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_FALSE(Live().StayTop);
}

TEST_F(SettingsSheetTest, TakenHotKeyIsReportedOncePerApplyAndKept)
{
    HWND holder = TestWindow();
    ASSERT_TRUE(RegisterHotKey(holder, 1, MOD_CONTROL | MOD_ALT, VK_F11));
    const int taken = MAKEWORD(VK_F11, HOTKEYF_CONTROL | HOTKEYF_ALT);

    Open();
    HWND general = sheet.General().Handle();
    SendDlgItemMessageW(general, IDC_HOTKEY, HKM_SETHOTKEY, static_cast<WPARAM>(taken), 0);
    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(kApplyButton);
    Press(kApplyButton); // no change, no new attempt
    EXPECT_EQ(host.hotKeyApplies, 1);
    EXPECT_EQ(host.hotKeyFailures, 1);
    EXPECT_EQ(Live().Hotkey, taken);
    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(IDOK);
    EXPECT_EQ(host.hotKeyFailures, 2);
    EXPECT_EQ(sheet.SheetWindow(), nullptr) << "the apply is not refused";
    EXPECT_EQ(Live().Hotkey, taken);
    UnregisterHotKey(holder, 1);
    DestroyWindow(holder);
}

} // namespace
