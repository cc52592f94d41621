// The about box: its fonts are made anew for every opening; the mail link takes the pointer over
// its text only, not across the dialog.
#include "ModalDriver.h"

#include "res/resource.h"
#include "ui/dialogs/AboutDialog.h"

#include <gtest/gtest.h>

TEST(AboutDialogTest, FontsMadeAnewForEveryOpeningAndTheLinkIsItsTextCentred)
{
    AboutDialog about;
    for (int opening = 0; opening < 2; ++opening) {
        HFONT link = nullptr;
        LOGFONTW linkLog{};
        RECT area{}, client{};
        SIZE text{};
        bool besideIsLink = true;
        ModalDriver driver(L"Mosarynについて...", {[&](HWND dlg) {
                               link = about.Link().LinkFont();
                               GetObjectW(link, sizeof(linkLog), &linkLog);
                               HWND label = GetDlgItem(dlg, IDC_MAIL_LINK);
                               EXPECT_EQ(WPARAM(about.Link().NormalFont()), SendMessageW(label, WM_GETFONT, 0, 0));
                               GetWindowRect(label, &area);
                               MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&area), 2);
                               GetClientRect(dlg, &client);
                               HDC dc = GetDC(label);
                               SelectObject(dc, about.Link().NormalFont());
                               const std::wstring caption = std::wstring(L"Mail: ") + MailLink::Address();
                               GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &text);
                               ReleaseDC(label, dc);
                               besideIsLink = ChildWindowFromPoint(dlg, POINT{area.left - 8, area.top + 2}) == label;
                               ClickButton(dlg, IDOK);
                               return true;
                           }});
        about.Show(nullptr);
        ASSERT_TRUE(driver.Finished()) << opening;
        ASSERT_NE(link, nullptr) << opening;
        EXPECT_EQ(linkLog.lfUnderline, 1) << opening;
        // Deleted with the box; the next opening does not reuse a dead handle.
        EXPECT_EQ(GetObjectType(link), 0u) << opening;
        EXPECT_EQ(area.right - area.left, text.cx);
        EXPECT_NEAR(area.left + area.right, client.right, 1) << "centred in the dialog";
        EXPECT_FALSE(besideIsLink) << "the row beside the text is the dialog's";
    }
}
