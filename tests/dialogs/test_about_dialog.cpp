// The about box: keys that close it or not, fonts made per opening, the mail link's hover polling.
#include "ModalDriver.h"

#include "app/Application.h"
#include "res/resource.h"
#include "ui/dialogs/AboutDialog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const wchar_t kAboutCaption[] = L"Mosarynについて...";

void PostKey(HWND dialog, UINT key)
{
    HWND target = GetFocus();
    if (target == nullptr || (target != dialog && !IsChild(dialog, target)))
        target = dialog;
    PostMessageW(target, WM_KEYDOWN, key, 1);
    PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

TEST(AboutDialogTest, EscapeKeepsItOpenEnterAndCloseBoxClose)
{
    enum class Closer { Enter, OkButton, CloseBox };
    for (const Closer closer : {Closer::Enter, Closer::OkButton, Closer::CloseBox}) {
        AboutDialog about;
        bool openAfterEscape = false;
        ULONGLONG clock = 0;
        ModalDriver driver(kAboutCaption,
                           {
                               [&](HWND dlg) {
                                   PostKey(dlg, VK_ESCAPE);
                                   // Cancel sent directly does nothing either.
                                   SendMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
                                   return true;
                               },
                               [&](HWND dlg) {
                                   if (!Elapsed(clock, 150))
                                       return false;
                                   openAfterEscape = IsWindowVisible(dlg) != FALSE;
                                   if (closer == Closer::Enter)
                                       PostKey(dlg, VK_RETURN);
                                   else if (closer == Closer::OkButton)
                                       ClickButton(dlg, IDOK);
                                   else
                                       PostMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                                   return true;
                               },
                           },
                           4000);
        about.Show(nullptr);
        EXPECT_TRUE(openAfterEscape) << static_cast<int>(closer);
        EXPECT_FALSE(driver.TimedOut()) << static_cast<int>(closer);
        EXPECT_TRUE(driver.Finished());
    }
}

TEST(AboutDialogTest, LinkLabelShowsTheAddressAndTheHandCursor)
{
    AboutDialog about;
    std::wstring label;
    HCURSOR cursor = nullptr;
    ModalDriver driver(kAboutCaption, {[&](HWND dlg) {
                           label = ItemText(dlg, IDC_MAIL_LINK);
                           HWND link = GetDlgItem(dlg, IDC_MAIL_LINK);
                           SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                                        MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
                           cursor = GetCursor();
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    about.Show(nullptr);
    EXPECT_EQ(label, std::wstring(L"Mail: ") + MailLink::Address());
    EXPECT_EQ(cursor, LoadCursorW(TheApp()->Instance(), MAKEINTRESOURCEW(IDC_HAND_POINT)));
    EXPECT_NE(cursor, nullptr);
}

struct FontsSeen {
    HFONT normal = nullptr;
    HFONT link = nullptr;
    HFONT labelFont = nullptr;
    LOGFONTW normalLog{};
    LOGFONTW linkLog{};
};

FontsSeen OpenAndLookAtFonts(AboutDialog& about)
{
    FontsSeen seen;
    ModalDriver driver(kAboutCaption, {[&](HWND dlg) {
                           seen.normal = about.Link().NormalFont();
                           seen.link = about.Link().LinkFont();
                           seen.labelFont =
                               reinterpret_cast<HFONT>(SendMessageW(GetDlgItem(dlg, IDC_MAIL_LINK), WM_GETFONT, 0, 0));
                           GetObjectW(seen.normal, sizeof(seen.normalLog), &seen.normalLog);
                           GetObjectW(seen.link, sizeof(seen.linkLog), &seen.linkLog);
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    about.Show(nullptr);
    EXPECT_FALSE(driver.TimedOut());
    return seen;
}

TEST(AboutDialogTest, EveryOpeningMakesItsFontsAndDeletesTheLinkFontAtTheEnd)
{
    AboutDialog about;
    const FontsSeen first = OpenAndLookAtFonts(about);
    ASSERT_NE(first.link, nullptr);
    EXPECT_EQ(first.normal, first.labelFont);
    EXPECT_EQ(first.linkLog.lfUnderline, 1);
    EXPECT_EQ(first.normalLog.lfUnderline, 0);
    EXPECT_EQ(first.linkLog.lfHeight, first.normalLog.lfHeight);
    EXPECT_EQ(std::wstring(first.linkLog.lfFaceName), first.normalLog.lfFaceName);
    // After the box is gone: the link font deleted, nothing remembered.
    EXPECT_EQ(GetObjectType(first.link), 0u);
    EXPECT_EQ(about.Link().LinkFont(), nullptr);
    EXPECT_EQ(about.Link().NormalFont(), nullptr);

    // The same object opened again, and a new one: fonts fetched and made again.
    const FontsSeen second = OpenAndLookAtFonts(about);
    ASSERT_NE(second.link, nullptr);
    EXPECT_EQ(second.normal, second.labelFont);
    EXPECT_EQ(second.linkLog.lfUnderline, 1);
    EXPECT_EQ(GetObjectType(second.link), 0u);

    AboutDialog another;
    const FontsSeen third = OpenAndLookAtFonts(another);
    ASSERT_NE(third.link, nullptr);
    EXPECT_EQ(third.linkLog.lfUnderline, 1);
    EXPECT_EQ(GetObjectType(third.link), 0u);
}

TEST(AboutDialogTest, HoverEndsAtTheNextTickAfterThePointerLeaves)
{
    AboutDialog about;
    bool hoverOnMove = false, hoverWhileInside = true, hoverAfterLeaving = true;
    ULONGLONG insideClock = 0, outsideClock = 0;
    POINT saved{};
    GetCursorPos(&saved);
    ModalDriver driver(kAboutCaption, {
                                          [&](HWND dlg) {
                                              HWND link = GetDlgItem(dlg, IDC_MAIL_LINK);
                                              RECT r{};
                                              GetWindowRect(link, &r);
                                              SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
                                              SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(5, 3));
                                              hoverOnMove = about.Link().Hovered();
                                              return true;
                                          },
                                          [&](HWND) {
                                              // Several polls with the pointer inside: still hovering.
                                              if (!Elapsed(insideClock, 250))
                                                  return false;
                                              hoverWhileInside = about.Link().Hovered();
                                              RECT d{};
                                              GetWindowRect(GetDlgItem(about.Handle(), IDC_MAIL_LINK), &d);
                                              SetCursorPos(d.left - 60, d.bottom + 40);
                                              return true;
                                          },
                                          [&](HWND dlg) {
                                              if (!Elapsed(outsideClock, 250))
                                                  return false;
                                              hoverAfterLeaving = about.Link().Hovered();
                                              ClickButton(dlg, IDOK);
                                              return true;
                                          },
                                      });
    about.Show(nullptr);
    SetCursorPos(saved.x, saved.y);
    EXPECT_FALSE(driver.TimedOut());
    EXPECT_TRUE(hoverOnMove);
    EXPECT_TRUE(hoverWhileInside);
    EXPECT_FALSE(hoverAfterLeaving);
}

} // namespace
