// Memo and memorial-day dialogs run modally and driven like a user would; the preview's pixels.
#include "ModalDriver.h"

#include "res/resource.h"
#include "support/TestSupport.h"
#include "ui/dialogs/MemoDialog.h"
#include "ui/dialogs/MemorialDialog.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const wchar_t kMemoCaption[] = L"メモ";
const wchar_t kMemorialCaption[] = L"記念日";

TEST(MemoDialogTest, ShowsDateAndMemoAndCancelKeepsTheMemo)
{
    const std::wstring memo = L"一行目\r\n二行目";
    std::wstring label, shown;
    MemoDialog dialog;
    ModalDriver driver(kMemoCaption, {[&](HWND dlg) {
                           label = ItemText(dlg, IDC_DATE_LABEL);
                           shown = ItemText(dlg, IDC_MEMO_EDIT);
                           SetDlgItemTextW(dlg, IDC_MEMO_EDIT, L"changed");
                           ClickButton(dlg, IDCANCEL);
                           return true;
                       }});
    EXPECT_FALSE(dialog.Edit(nullptr, 2006, 5, 3, memo));
    EXPECT_TRUE(driver.Finished());
    EXPECT_EQ(label, L"2006年5月3日");
    EXPECT_EQ(shown, memo);
    EXPECT_EQ(dialog.Memo(), memo);
}

TEST(MemoDialogTest, OkReturnsTheTextWithItsLineBreaksOrNothing)
{
    for (const std::wstring& typed : {std::wstring(L"買い物\r\n牛乳\r\n\r\nパン "), std::wstring()}) {
        MemoDialog dialog;
        ModalDriver driver(kMemoCaption, {[&](HWND dlg) {
                               SetDlgItemTextW(dlg, IDC_MEMO_EDIT, typed.c_str());
                               ClickButton(dlg, IDOK);
                               return true;
                           }});
        ASSERT_TRUE(dialog.Edit(nullptr, 2006, 5, 3, L"old"));
        EXPECT_EQ(dialog.Memo(), typed);
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
        std::wstring label;
        ModalDriver driver(kMemorialCaption, {[&](HWND dlg) {
                               label = ItemText(dlg, IDC_DATE_LABEL);
                               if (c.remove)
                                   ClickButton(dlg, IDC_REMOVE_PICTURE);
                               if (c.typedName != nullptr)
                                   SetDlgItemTextW(dlg, IDC_MEMORIAL_NAME, c.typedName);
                               ClickButton(dlg, c.button);
                               return true;
                           }});
        EXPECT_EQ(dialog.Edit(nullptr, 5, 3, L"イブ", picture), c.button == IDOK);
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ(label, L"5月3日");
        EXPECT_EQ(dialog.Name(), c.name) << c.button;
        EXPECT_EQ(dialog.Picture(), c.picture) << c.button;
    }
}

// A 32-bit bottom-up bitmap file of one colour.
void WriteSolidBmp(const std::filesystem::path& file, int width, int height, std::uint32_t rgb)
{
    const BITMAPINFOHEADER info{sizeof(info), width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof(info), size = offset + 4u * width * height;
    const BITMAPFILEHEADER head{0x4D42, size, 0, 0, offset};
    std::vector<std::uint8_t> bytes(size);
    std::memcpy(bytes.data(), &head, sizeof(head));
    std::memcpy(bytes.data() + sizeof(head), &info, sizeof(info));
    for (DWORD i = offset; i < size; i += 4)
        std::memcpy(bytes.data() + i, &rgb, 4);
    WriteBytes(file, bytes);
}

TEST(PreviewTest, PictureIsFittedAndCentredInsideTheInset)
{
    constexpr int W = 120, H = 84;
    // Target area: (5, 5) 110 x 74. Wide: full width, 27.5 high from y = 28.25;
    // tall: full height, 18.5 wide from x = 50.75.
    const struct {
        const wchar_t* file;
        int width, height;
        RECT expected; // first and last columns along the middle row, rows along the middle column
    } cases[] = {{L"wide.bmp", 200, 50, {5, 28, 114, 55}}, {L"tall.bmp", 40, 160, {51, 5, 69, 78}}};
    TempDir dir;
    for (const auto& c : cases) {
        WriteSolidBmp(dir.Path() / c.file, c.width, c.height, 0xFF0000); // red
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(BITMAPINFOHEADER), W, -H, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* p = nullptr;
        HDC dc = CreateCompatibleDC(nullptr);
        HBITMAP bitmap = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        DrawPicturePreview(dc, RECT{0, 0, W, H}, (dir.Path() / c.file).wstring());
        GdiFlush();
        const auto* bits = static_cast<const std::uint32_t*>(p);
        // Mostly red: interpolated edge pixels may be mixed with the fill.
        auto red = [&](int x, int y) {
            const std::uint32_t px = bits[y * W + x];
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
        // Never outside the 5-pixel inset, and centred: equal margins on both sides.
        EXPECT_TRUE(found.left >= 5 && found.top >= 5 && found.right <= W - 6 && found.bottom <= H - 6) << c.file;
        EXPECT_NEAR(found.left, W - 1 - found.right, 1) << c.file;
        EXPECT_NEAR(found.top, H - 1 - found.bottom, 1) << c.file;
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
}

} // namespace
