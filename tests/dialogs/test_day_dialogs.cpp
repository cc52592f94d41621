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

// The user typing, as far as the edit box can tell.
void Type(HWND dialog, int id, const wchar_t* text)
{
    SetDlgItemTextW(dialog, id, text);
    SendDlgItemMessageW(dialog, id, EM_SETMODIFY, TRUE, 0);
}

// OK returns the text, Cancel keeps the memo; another writer's change while the dialog is open
// (an import handed to the calendar) is shown when the user has not typed, else its new lines
// are added to the typed text with a notice.
TEST(MemoDialogTest, OkReturnsTheTextWithTheLinesAnotherWriterAddedMeanwhile)
{
    const std::wstring memo = L"一行目\r\n二行目", stored = memo + L"\r\nimported";
    const struct {
        const wchar_t* typed; // null: left alone
        bool refreshed;
        int button;
        std::wstring result;
    } cases[] = {{L"changed", false, IDCANCEL, memo},
                 {L"", false, IDOK, L""},
                 {nullptr, true, IDOK, stored},
                 {L"一行目\r\ntyped", true, IDOK, L"一行目\r\ntyped\r\nimported"}};
    for (const auto& c : cases) {
        std::wstring shown, notice;
        MemoDialog dialog;
        ModalDriver driver(L"メモ", {[&](HWND dlg) {
                               shown = ItemText(dlg, IDC_MEMO_EDIT);
                               if (c.typed != nullptr)
                                   Type(dlg, IDC_MEMO_EDIT, c.typed);
                               if (c.refreshed)
                                   dialog.Refresh(stored);
                               notice = ItemText(dlg, IDC_MEMO_NOTICE);
                               ClickButton(dlg, c.button);
                               return true;
                           }});
        EXPECT_EQ(dialog.Edit(nullptr, 2006, 5, 3, memo), c.button == IDOK);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(shown, memo);
        EXPECT_EQ(dialog.Memo(), c.result);
        EXPECT_EQ(dialog.Base(), c.refreshed ? stored : memo);
        EXPECT_EQ(notice.empty(), !c.refreshed || c.typed == nullptr);
    }
}

// The name and the picture buttons decide the entry at OK; an entry another writer changed
// while the dialog was open is shown when the user changed nothing, else OK asks first.
TEST(MemorialDialogTest, OkDecidesTheEntryAndAsksBeforeReplacingOneChangedMeanwhile)
{
    const std::wstring picture = L"C:\\pictures\\cake.jpg";
    const struct {
        bool remove;
        const wchar_t* typed; // null: left alone
        bool refreshed;       // to "import" without a picture
        int button, answer;   // the answer to the question at OK; 0: none asked
        std::wstring name, picture;
    } cases[] = {{true, L"other", false, IDCANCEL, 0, L"イブ", picture},
                 {true, nullptr, false, IDOK, 0, L"イブ", L""},
                 {false, L"", false, IDOK, 0, L"", picture},
                 {false, nullptr, true, IDOK, 0, L"import", L""},
                 {false, L"mine", true, IDOK, IDYES, L"mine", picture},
                 {false, L"mine", true, IDOK, IDNO, L"イブ", picture}};
    for (const auto& c : cases) {
        MemorialDialog dialog;
        bool asked = false;
        std::vector<ModalDriver::Step> steps = {[&](HWND dlg) {
            if (c.remove)
                ClickButton(dlg, IDC_REMOVE_PICTURE);
            if (c.typed != nullptr)
                Type(dlg, IDC_MEMORIAL_NAME, c.typed);
            if (c.refreshed)
                dialog.Refresh(L"import", L"");
            PostMessageW(GetDlgItem(dlg, c.button), BM_CLICK, 0, 0);
            return true;
        }};
        if (c.answer != 0)
            steps.push_back([&](HWND) {
                const HWND box = FindWindowW(L"#32770", L"Mosaryn");
                asked = asked || (box != nullptr && PostMessageW(box, WM_COMMAND, c.answer, 0));
                return asked;
            });
        ModalDriver driver(L"記念日", steps);
        EXPECT_EQ(dialog.Edit(nullptr, 5, 3, L"イブ", picture), c.button == IDOK && c.answer != IDNO);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(asked, c.answer != 0);
        EXPECT_EQ(dialog.Name(), c.name);
        EXPECT_EQ(dialog.Picture(), c.picture);
        EXPECT_EQ(dialog.BaseName(), c.refreshed ? L"import" : L"イブ");
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
