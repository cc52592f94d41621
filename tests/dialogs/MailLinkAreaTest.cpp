// The about box's mail link takes the pointer over its text only, not across the dialog.
#include "ModalDriver.h"

#include "res/resource.h"
#include "ui/dialogs/AboutDialog.h"

#include <gtest/gtest.h>

TEST(MailLinkAreaTest, LabelIsItsTextCentredWhereTheTemplatePutIt)
{
    AboutDialog about;
    RECT link{}, client{};
    SIZE text{};
    bool besideIsLink = true;
    ModalDriver driver(L"Mosarynについて...", {[&](HWND dlg) {
                           HWND label = GetDlgItem(dlg, IDC_MAIL_LINK);
                           GetWindowRect(label, &link);
                           MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&link), 2);
                           GetClientRect(dlg, &client);
                           HDC dc = GetDC(label);
                           SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
                           const std::wstring caption = std::wstring(L"Mail: ") + MailLink::Address();
                           GetTextExtentPoint32W(dc, caption.c_str(), int(caption.size()), &text);
                           ReleaseDC(label, dc);
                           besideIsLink = ChildWindowFromPoint(dlg, POINT{link.left - 8, link.top + 2}) == label;
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    about.Show(nullptr);
    ASSERT_TRUE(driver.Finished());
    EXPECT_EQ(link.right - link.left, text.cx);
    EXPECT_NEAR(link.left + link.right, client.right, 1) << "centred in the dialog";
    EXPECT_FALSE(besideIsLink) << "the row beside the text is the dialog's";
}
