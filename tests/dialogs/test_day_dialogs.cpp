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
