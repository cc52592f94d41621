// The about box's mail link takes the pointer over its text only, not across the dialog.
#include "ModalDriver.h"

#include "res/resource.h"
#include "ui/dialogs/AboutDialog.h"

#include <gtest/gtest.h>

namespace {

TEST(MailLinkAreaTest, LabelIsItsTextCentredWhereTheTemplatePutIt)
{
    AboutDialog about;
    RECT link{}, client{};
    SIZE text{};
    HWND label = nullptr, beside = nullptr;
    ModalDriver driver(L"Mosarynについて...", {[&](HWND dlg) {
                           label = GetDlgItem(dlg, IDC_MAIL_LINK);
                           GetWindowRect(label, &link);
                           MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&link), 2);
                           GetClientRect(dlg, &client);
                           wchar_t caption[50] = {};
                           GetWindowTextW(label, caption, 50);
                           HDC dc = GetDC(label);
                           SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
                           GetTextExtentPoint32W(dc, caption, lstrlenW(caption), &text);
                           ReleaseDC(label, dc);
                           beside = ChildWindowFromPoint(dlg, POINT{link.left - 8, (link.top + link.bottom) / 2});
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    about.Show(nullptr);
    ASSERT_TRUE(driver.Finished());
    EXPECT_EQ(link.right - link.left, text.cx);
    EXPECT_NEAR(link.left + link.right, client.right, 1) << "centred in the dialog";
    EXPECT_NE(beside, label) << "the row beside the text is the dialog's, not the link's";
}

} // namespace
