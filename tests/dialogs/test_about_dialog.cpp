// The about box: keys that close it or not, fonts made per opening, the mail link's hover polling.
#include "ModalDriver.h"

#include "res/resource.h"
#include "ui/dialogs/AboutDialog.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kAboutCaption[] = L"Mosarynについて...";

void PostKey(HWND dialog, UINT key)
{
    HWND target = IsChild(dialog, GetFocus()) ? GetFocus() : dialog;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

TEST(AboutDialogTest, EscapeKeepsItOpenEnterClosesIt)
{
    AboutDialog about;
    bool openAfterEscape = false;
    ULONGLONG clock = 0;
    ModalDriver driver(kAboutCaption, {[&](HWND dlg) {
                                           PostKey(dlg, VK_ESCAPE);
                                           return true;
                                       },
                                       [&](HWND dlg) {
                                           if (!Elapsed(clock, 150))
                                               return false;
                                           openAfterEscape = IsWindowVisible(dlg) != FALSE;
                                           PostKey(dlg, VK_RETURN);
                                           return true;
                                       }});
    about.Show(nullptr);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_TRUE(driver.Finished()) << "Enter did not close the box";
}

TEST(AboutDialogTest, EveryOpeningMakesItsFontsAnew)
{
    AboutDialog about;
    for (int opening = 0; opening < 2; ++opening) {
        HFONT link = nullptr;
        LOGFONTW linkLog{};
        ModalDriver driver(kAboutCaption, {[&](HWND dlg) {
                               link = about.Link().LinkFont();
                               GetObjectW(link, sizeof(linkLog), &linkLog);
                               EXPECT_EQ(WPARAM(about.Link().NormalFont()),
                                         SendDlgItemMessageW(dlg, IDC_MAIL_LINK, WM_GETFONT, 0, 0));
                               ClickButton(dlg, IDOK);
                               return true;
                           }});
        about.Show(nullptr);
        ASSERT_TRUE(driver.Finished()) << opening;
        ASSERT_NE(link, nullptr) << opening;
        EXPECT_EQ(linkLog.lfUnderline, 1) << opening;
        // Deleted with the box; the next opening does not reuse a dead handle.
        EXPECT_EQ(GetObjectType(link), 0u) << opening;
    }
}

TEST(AboutDialogTest, HoverEndsAtTheNextTickAfterThePointerLeaves)
{
    AboutDialog about;
    bool hoverOnMove = false, hoverWhileInside = false, hoverAfterLeaving = true;
    ULONGLONG insideClock = 0, outsideClock = 0;
    RECT r{};
    ModalDriver driver(kAboutCaption, {[&](HWND dlg) {
                                           HWND link = GetDlgItem(dlg, IDC_MAIL_LINK);
                                           GetWindowRect(link, &r);
                                           SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                                           SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(5, 3));
                                           hoverOnMove = about.Link().Hovered();
                                           return true;
                                       },
                                       [&](HWND) {
                                           // Several 100 ms polls with the pointer inside.
                                           if (!Elapsed(insideClock, 250))
                                               return false;
                                           hoverWhileInside = about.Link().Hovered();
                                           SetCursorPos(r.left - 60, r.bottom + 40);
                                           return true;
                                       },
                                       [&](HWND dlg) {
                                           if (!Elapsed(outsideClock, 200))
                                               return false;
                                           hoverAfterLeaving = about.Link().Hovered();
                                           ClickButton(dlg, IDOK);
                                           return true;
                                       }});
    about.Show(nullptr);
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(hoverOnMove);
    EXPECT_TRUE(hoverWhileInside);
    EXPECT_FALSE(hoverAfterLeaving);
}

} // namespace
