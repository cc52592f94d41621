// The about box: its fonts are made anew for every opening.
#include "ModalDriver.h"

#include "res/resource.h"
#include "ui/dialogs/AboutDialog.h"

#include <gtest/gtest.h>

namespace {

const wchar_t kAboutCaption[] = L"Mosarynについて...";

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

} // namespace
