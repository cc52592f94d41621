// The modeless sheet: OK / Apply / Cancel / close box, and the General page's apply.
#include "SheetTestSupport.h"

namespace {

using SettingsSheetTest = SheetFixture;

TEST_F(SettingsSheetTest, OkCancelAndCloseBoxKeepOnlyWhatWasApplied)
{
    OpenDesign();
    Press(IDOK); // without a change nothing is applied
    EXPECT_EQ(sheet.SheetWindow(), nullptr);
    EXPECT_EQ(host.relayoutRenders + host.hotKeyApplies, 0);
    constexpr Argb kBackColor = 0x80FFFFFF; // alpha 128 shows as 50 %
    const struct {
        bool apply, closeBox;
    } cases[] = {{false, false}, {true, false}, {false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "apply " << c.apply << " close box " << c.closeBox);
        Live().Design.Background.BackColor = kBackColor;
        host.relayoutRenders = 0;
        MessageSpy spy;
        OpenDesign();
        Slide(ItemPage(2), IDC_TRACK2, 0);
        if (c.apply) {
            Press(kApplyButton);
            Slide(ItemPage(2), IDC_TRACK2, 100);
        }
        if (c.closeBox) {
            SendMessageW(sheet.SheetWindow(), WM_SYSCOMMAND, SC_CLOSE, 0);
            PumpMessages(20);
        } else {
            Press(IDCANCEL);
        }
        EXPECT_EQ(sheet.SheetWindow(), nullptr);
        EXPECT_EQ(Live().Design.Background.BackColor, c.apply ? 0xFFFFFFFFu : kBackColor);
        EXPECT_EQ(host.relayoutRenders, c.apply ? 1 : 0);
        EXPECT_EQ(spy.resets > 0, !c.closeBox) << "Cancel resets the pages, the close box does not";
        OpenDesign();
        EXPECT_EQ(TrackPosition(ItemPage(2), IDC_TRACK2), c.apply ? 0 : 50);
        Press(IDCANCEL);
    }
}

TEST_F(SettingsSheetTest, UncheckingStayTopLeavesTheTopmostBandOnApply)
{
    HWND calendar = host.HostWindow();
    SetWindowPos(calendar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Live().StayTop = true;
    OpenDesign();
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
    OpenDesign();
    HWND general = sheet.General().Handle();
    SendDlgItemMessageW(general, IDC_HOTKEY, HKM_SETHOTKEY, WPARAM(taken), 0);
    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(kApplyButton);
    Press(kApplyButton); // no change, no new attempt
    EXPECT_EQ(host.hotKeyApplies, 1);
    EXPECT_EQ(host.hotKeyFailures, 1);
    SendCommand(general, IDC_HOTKEY, EN_CHANGE);
    Press(IDOK);
    EXPECT_EQ(host.hotKeyFailures, 2);
    EXPECT_EQ(sheet.SheetWindow(), nullptr) << "the apply is not refused";
    EXPECT_EQ(Live().Hotkey, taken);
    UnregisterHotKey(holder, 1);
    DestroyWindow(holder);
}

} // namespace
