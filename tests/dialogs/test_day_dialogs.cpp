// Memo and memorial-day dialogs driven modally as a user would; the preview's pixels.
#include "ModalDriver.h"

#include "render/RenderTestSupport.h"
#include "res/resource.h"
#include "ui/dialogs/MemoDialog.h"
#include "ui/dialogs/MemorialDialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

TEST(MemoDialogTest, ShowsTheMemoAndOkReturnsTheTextCancelKeepsIt)
{
    const std::wstring memo = L"一行目\r\n二行目";
    for (const auto& c : {std::pair<std::wstring, int>{L"changed", IDCANCEL}, {L"", IDOK}}) { // typed, button
        std::wstring shown;
        MemoDialog dialog;
        ModalDriver driver(L"メモ", {[&](HWND dlg) {
                               shown = ItemText(dlg, IDC_MEMO_EDIT);
                               SetDlgItemTextW(dlg, IDC_MEMO_EDIT, c.first.c_str());
                               ClickButton(dlg, c.second);
                               return true;
                           }});
        EXPECT_EQ(dialog.Edit(nullptr, 2006, 5, 3, memo), c.second == IDOK);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(shown, memo);
        EXPECT_EQ(dialog.Memo(), c.second == IDOK ? c.first : memo);
    }
}

TEST(MemorialDialogTest, RemoveNameAndButtonDecideTheEntry)
{
    const std::wstring picture = L"C:\\pictures\\cake.jpg";
    const struct {
        bool remove;
        const wchar_t* typedName; // null: left alone
        int button;
        std::wstring name, picture;
    } cases[] = {
        {true, L"other", IDCANCEL, L"イブ", picture},
        {true, nullptr, IDOK, L"イブ", L""},
        {false, L"", IDOK, L"", picture},
    };
    for (const auto& c : cases) {
        MemorialDialog dialog;
        ModalDriver driver(L"記念日", {[&](HWND dlg) {
                               if (c.remove)
                                   ClickButton(dlg, IDC_REMOVE_PICTURE);
                               if (c.typedName != nullptr)
                                   SetDlgItemTextW(dlg, IDC_MEMORIAL_NAME, c.typedName);
                               ClickButton(dlg, c.button);
                               return true;
                           }});
        EXPECT_EQ(dialog.Edit(nullptr, 5, 3, L"イブ", picture), c.button == IDOK);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(dialog.Name(), c.name) << c.button;
        EXPECT_EQ(dialog.Picture(), c.picture) << c.button;
    }
}

// The user typing, as far as the edit box can tell.
void Type(HWND dialog, int id, const wchar_t* text)
{
    SetDlgItemTextW(dialog, id, text);
    SendDlgItemMessageW(dialog, id, EM_SETMODIFY, TRUE, 0);
}

// Another writer changed the day while the dialog was open (an import handed to the calendar).
TEST(MemoDialogTest, RefreshShowsAnUntouchedMemoAndAddsItsNewLinesToTypedText)
{
    for (const bool typed : {false, true}) {
        MemoDialog dialog;
        std::wstring notice;
        ModalDriver driver(L"メモ", {[&](HWND dlg) {
                               if (typed)
                                   Type(dlg, IDC_MEMO_EDIT, L"old\r\ntyped");
                               dialog.Refresh(L"old\r\nimported");
                               notice = ItemText(dlg, IDC_MEMO_NOTICE);
                               ClickButton(dlg, IDOK);
                               return true;
                           }});
        ASSERT_TRUE(dialog.Edit(nullptr, 2026, 5, 3, L"old"));
        EXPECT_EQ(dialog.Memo(), typed ? L"old\r\ntyped\r\nimported" : L"old\r\nimported");
        EXPECT_EQ(dialog.Base(), L"old\r\nimported");
        EXPECT_EQ(notice.empty(), !typed);
    }
}

TEST(MemorialDialogTest, RefreshShowsAnUntouchedEntryAndOkAsksBeforeReplacingAChangedOne)
{
    const struct {
        const wchar_t* typed; // null: left alone
        int answer;           // to the question at OK; 0: none asked
        bool saved;
        std::wstring name;
    } cases[] = {{nullptr, 0, true, L"import"}, {L"mine", IDYES, true, L"mine"}, {L"mine", IDNO, false, L"old"}};
    for (const auto& c : cases) {
        MemorialDialog dialog;
        bool asked = false;
        std::vector<ModalDriver::Step> steps = {[&](HWND dlg) {
            if (c.typed != nullptr)
                Type(dlg, IDC_MEMORIAL_NAME, c.typed);
            dialog.Refresh(L"import", L"");
            PostMessageW(GetDlgItem(dlg, IDOK), BM_CLICK, 0, 0);
            return true;
        }};
        if (c.answer != 0)
            steps.push_back([&](HWND) {
                const HWND box = FindWindowW(L"#32770", L"Mosaryn");
                asked = asked || (box != nullptr && PostMessageW(box, WM_COMMAND, c.answer, 0));
                return asked;
            });
        ModalDriver driver(L"記念日", steps);
        EXPECT_EQ(dialog.Edit(nullptr, 5, 3, L"old", L""), c.saved);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(asked, c.answer != 0);
        EXPECT_EQ(dialog.Name(), c.name);
        EXPECT_EQ(dialog.BaseName(), L"import");
    }
}

TEST(PreviewTest, PictureIsFittedAndCentredInsideTheInset)
{
    constexpr int W = 120, H = 84;
    // Inside the 5-px inset, (5, 5) 110 x 74: wide gets 27.5 high from y = 28.25, tall 18.5 wide from x = 50.75.
    const struct {
        const wchar_t* file;
        int width, height;
        RECT expected; // first and last red columns of the middle row, rows of the middle column
    } cases[] = {{L"wide.png", 200, 50, {5, 28, 114, 55}}, {L"tall.png", 40, 160, {51, 5, 69, 78}}};
    TempDir dir;
    for (const auto& c : cases) {
        SavePicture(dir.Path() / c.file, c.width, c.height, [](int, int) { return 0xFFFF0000u; });
        DibSurface surface;
        ASSERT_TRUE(surface.Create(W, H));
        DrawPicturePreview(surface.Dc(), RECT{0, 0, W, H}, (dir.Path() / c.file).wstring());
        GdiFlush();
        // Mostly red: interpolated edge pixels may be mixed with the fill.
        auto red = [&](int x, int y) {
            const std::uint32_t px = surface.Pixel(x, y);
            return ((px >> 16) & 0xFF) > 195 && ((px >> 8) & 0xFF) < 60 && (px & 0xFF) < 60;
        };
        RECT found{-1, -1, -1, -1};
        for (int x = 0; x < W; ++x)
            if (red(x, H / 2))
                (found.left < 0 ? found.left : found.right) = x;
        for (int y = 0; y < H; ++y)
            if (red(W / 2, y))
                (found.top < 0 ? found.top : found.bottom) = y;
        EXPECT_NEAR(found.left, c.expected.left, 1) << c.file;
        EXPECT_NEAR(found.top, c.expected.top, 1) << c.file;
        EXPECT_NEAR(found.right, c.expected.right, 1) << c.file;
        EXPECT_NEAR(found.bottom, c.expected.bottom, 1) << c.file;
    }
}

} // namespace
