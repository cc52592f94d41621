// Memo and memorial-day dialogs run modally and driven like a user would; the preview's pixels.
#include "ModalDriver.h"

#include "app/Application.h"
#include "app/Handle.h"
#include "render/Graphics.h"
#include "res/resource.h"
#include "support/TestSupport.h"
#include "ui/dialogs/MemoDialog.h"
#include "ui/dialogs/MemorialDialog.h"
#include "ui/dialogs/SaveFailure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const wchar_t kMemoCaption[] = L"メモ";
const wchar_t kMemorialCaption[] = L"記念日";

// Sets an edit box's text the way typing would leave it.
void SetText(HWND dialog, int id, const std::wstring& text) { SetDlgItemTextW(dialog, id, text.c_str()); }

TEST(MemoDialogTest, ShowsTheDateAndTheMemo)
{
    struct Case {
        int year, month, day;
        const wchar_t* label;
    };
    const Case cases[] = {
        {2006, 5, 3, L"2006年5月3日"},
        {2026, 12, 25, L"2026年12月25日"},
        {1999, 1, 31, L"1999年1月31日"},
    };
    for (const Case& c : cases) {
        const std::wstring memo = L"一行目\r\n二行目";
        std::wstring label, shown;
        MemoDialog dialog;
        ModalDriver driver(kMemoCaption, {[&](HWND dlg) {
                               label = ItemText(dlg, IDC_DATE_LABEL);
                               shown = ItemText(dlg, IDC_MEMO_EDIT);
                               ClickButton(dlg, IDCANCEL);
                               return true;
                           }});
        EXPECT_FALSE(dialog.Edit(nullptr, c.year, c.month, c.day, memo));
        EXPECT_TRUE(driver.Finished());
        EXPECT_FALSE(driver.TimedOut());
        EXPECT_EQ(label, c.label);
        EXPECT_EQ(shown, memo);
    }
}

TEST(MemoDialogTest, OkReturnsTheTextWithItsLineBreaks)
{
    MemoDialog dialog;
    const std::wstring typed = L"買い物\r\n牛乳\r\n\r\nパン ";
    ModalDriver driver(kMemoCaption, {[&](HWND dlg) {
                           SetText(dlg, IDC_MEMO_EDIT, typed);
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    ASSERT_TRUE(dialog.Edit(nullptr, 2006, 5, 3, L"old"));
    EXPECT_EQ(dialog.Memo(), typed);
}

TEST(MemoDialogTest, EnterInTheEditBoxBreaksTheLineInsteadOfClosing)
{
    MemoDialog dialog;
    bool openAfterEnter = false;
    ModalDriver driver(kMemoCaption, {
                                         [&](HWND dlg) {
                                             HWND edit = GetDlgItem(dlg, IDC_MEMO_EDIT);
                                             SetFocus(edit);
                                             SendMessageW(edit, EM_SETSEL, 2, 2);
                                             PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                                             PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
                                             return true;
                                         },
                                         [&](HWND dlg) {
                                             openAfterEnter = IsWindowVisible(dlg) != FALSE;
                                             ClickButton(dlg, IDOK);
                                             return true;
                                         },
                                     });
    ASSERT_TRUE(dialog.Edit(nullptr, 2006, 5, 3, L"abcd"));
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(dialog.Memo(), L"ab\r\ncd");
}

TEST(MemoDialogTest, CancelAndCloseKeepTheInputMemo)
{
    const std::wstring input = L"元のメモ";
    for (const bool viaCloseBox : {false, true}) {
        MemoDialog dialog;
        ModalDriver driver(kMemoCaption, {[&](HWND dlg) {
                               SetText(dlg, IDC_MEMO_EDIT, L"changed");
                               if (viaCloseBox)
                                   SendMessageW(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
                               else
                                   ClickButton(dlg, IDCANCEL);
                               return true;
                           }});
        EXPECT_FALSE(dialog.Edit(nullptr, 2006, 5, 3, input)) << viaCloseBox;
        EXPECT_FALSE(driver.TimedOut());
        EXPECT_EQ(dialog.Memo(), input) << viaCloseBox;
    }
}

TEST(MemoDialogTest, OkOnAnEmptyBoxGivesAnEmptyMemo)
{
    MemoDialog dialog;
    ModalDriver driver(kMemoCaption, {[&](HWND dlg) {
                           SetText(dlg, IDC_MEMO_EDIT, L"");
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    ASSERT_TRUE(dialog.Edit(nullptr, 2006, 5, 3, L"to be deleted"));
    EXPECT_TRUE(dialog.Memo().empty());
}

TEST(MemorialDialogTest, ShowsMonthAndDayNameAndTheInputs)
{
    MemorialDialog dialog;
    std::wstring label, name;
    ModalDriver driver(kMemorialCaption, {[&](HWND dlg) {
                           label = ItemText(dlg, IDC_DATE_LABEL);
                           name = ItemText(dlg, IDC_MEMORIAL_NAME);
                           ClickButton(dlg, IDCANCEL);
                           return true;
                       }});
    EXPECT_FALSE(dialog.Edit(nullptr, 5, 3, L"憲法記念日のお祝い", L"C:\\pictures\\a.png"));
    EXPECT_EQ(label, L"5月3日");
    EXPECT_EQ(name, L"憲法記念日のお祝い");
    EXPECT_EQ(dialog.Name(), L"憲法記念日のお祝い");
    EXPECT_EQ(dialog.Picture(), L"C:\\pictures\\a.png");
}

TEST(MemorialDialogTest, RemoveThenCancelKeepsTheStoredPicture)
{
    const std::wstring picture = L"C:\\pictures\\cake.jpg";
    MemorialDialog dialog;
    std::wstring afterRemove = L"not seen";
    ModalDriver driver(kMemorialCaption, {[&](HWND dlg) {
                           ClickButton(dlg, IDC_REMOVE_PICTURE);
                           afterRemove = dialog.WorkingPicture();
                           SetText(dlg, IDC_MEMORIAL_NAME, L"other");
                           ClickButton(dlg, IDCANCEL);
                           return true;
                       }});
    EXPECT_FALSE(dialog.Edit(nullptr, 12, 24, L"イブ", picture));
    EXPECT_TRUE(afterRemove.empty());
    EXPECT_EQ(dialog.Picture(), picture);
    EXPECT_EQ(dialog.Name(), L"イブ");
}

TEST(MemorialDialogTest, RemoveThenOkKeepsTheEntryWithoutPicture)
{
    MemorialDialog dialog;
    ModalDriver driver(kMemorialCaption, {[&](HWND dlg) {
                           ClickButton(dlg, IDC_REMOVE_PICTURE);
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    ASSERT_TRUE(dialog.Edit(nullptr, 12, 24, L"イブ", L"C:\\pictures\\cake.jpg"));
    EXPECT_EQ(dialog.Name(), L"イブ");
    EXPECT_TRUE(dialog.Picture().empty());
}

TEST(MemorialDialogTest, OkWithAnEmptyNameGivesAnEmptyName)
{
    MemorialDialog dialog;
    ModalDriver driver(kMemorialCaption, {[&](HWND dlg) {
                           SetText(dlg, IDC_MEMORIAL_NAME, L"");
                           ClickButton(dlg, IDOK);
                           return true;
                       }});
    ASSERT_TRUE(dialog.Edit(nullptr, 1, 1, L"元日", L"C:\\p.png"));
    EXPECT_TRUE(dialog.Name().empty());
    EXPECT_EQ(dialog.Picture(), L"C:\\p.png");
}

TEST(MemorialDialogTest, PictureChooserCancelKeepsAndChoiceReplacesThePicture)
{
    TempDir dir;
    const std::wstring chosen = (dir.Path() / L"chosen.png").wstring();
    WriteBytes(dir.Path() / L"chosen.png", {0x89, 'P', 'N', 'G'});
    const std::wstring chooserCaption = ResString(IDS_CHOOSE_PICTURE);
    ASSERT_EQ(chooserCaption, L"ピクチャファイルの選択");

    for (const bool choose : {false, true}) {
        MemorialDialog dialog;
        std::wstring during;
        ModalDriver driver(kMemorialCaption,
                           {[&](HWND dlg) {
                                // The chooser runs its own modal loop: start it without waiting.
                                PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(IDC_CHOOSE_PICTURE, BN_CLICKED),
                                             reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_CHOOSE_PICTURE)));
                                return true;
                            },
                            [&](HWND) {
                                HWND chooser = FindWindowW(L"#32770", chooserCaption.c_str());
                                if (chooser == nullptr || !IsWindowVisible(chooser))
                                    return false;
                                if (choose) {
                                    // The file name box: a combo box (0x47C) in the new style, an edit (0x480) in the
                                    // old.
                                    SetDlgItemTextW(chooser, 0x47C, chosen.c_str());
                                    SetDlgItemTextW(chooser, 0x480, chosen.c_str());
                                    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                                } else {
                                    PostMessageW(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                                }
                                return true;
                            },
                            [&](HWND dlg) {
                                if (FindWindowW(L"#32770", chooserCaption.c_str()) != nullptr)
                                    return false;
                                during = dialog.WorkingPicture();
                                ClickButton(dlg, IDOK);
                                return true;
                            }});
        ASSERT_TRUE(dialog.Edit(nullptr, 5, 3, L"name", L"C:\\old.png")) << choose;
        EXPECT_FALSE(driver.TimedOut()) << choose;
        const std::wstring expected = choose ? chosen : L"C:\\old.png";
        EXPECT_TRUE(_wcsicmp(dialog.Picture().c_str(), expected.c_str()) == 0)
            << "choose=" << choose << " got " << dialog.Picture().size() << " characters";
        EXPECT_EQ(during, dialog.Picture());
    }
}

TEST(SaveFailureTest, ErrorBoxCarriesTheMessageAndTheProductName)
{
    std::vector<std::wstring> texts;
    ModalDriver driver(L"Mosaryn", {[&](HWND box) {
                           texts = ChildTexts(box);
                           PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                           return true;
                       }});
    ShowSaveFailure(nullptr);
    EXPECT_TRUE(driver.Finished());
    EXPECT_FALSE(driver.TimedOut());
    const std::wstring message = ResString(IDS_SAVE_FAILED);
    ASSERT_FALSE(message.empty());
    EXPECT_NE(std::find(texts.begin(), texts.end(), message), texts.end());
}

// ---- Preview drawing into a memory bitmap ----

constexpr int kWidth = 120;
constexpr int kHeight = 84;
constexpr COLORREF kBrush = RGB(255, 255, 0);

class PreviewCanvas {
public:
    PreviewCanvas()
    {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_.reset(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        bits_ = static_cast<const std::uint32_t*>(bits);
        dc_ = CreateCompatibleDC(nullptr);
        oldBitmap_ = SelectObject(dc_, bitmap_.get());
        // The frame is filled with the context's current brush.
        brush_.reset(CreateSolidBrush(kBrush));
        oldBrush_ = SelectObject(dc_, brush_.get());
    }
    ~PreviewCanvas()
    {
        SelectObject(dc_, oldBrush_);
        SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
    }
    PreviewCanvas(const PreviewCanvas&) = delete;
    PreviewCanvas& operator=(const PreviewCanvas&) = delete;

    void Draw(const std::wstring& picture)
    {
        const RECT rect{0, 0, kWidth, kHeight};
        DrawPicturePreview(dc_, rect, picture);
        GdiFlush();
    }
    COLORREF At(int x, int y) const
    {
        const std::uint32_t p = bits_[y * kWidth + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    UniqueGdi<HBITMAP> bitmap_;
    UniqueGdi<HBRUSH> brush_;
    const std::uint32_t* bits_ = nullptr;
    HDC dc_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    HGDIOBJ oldBrush_ = nullptr;
};

bool SaveSolidPng(const std::filesystem::path& file, int width, int height, gfx::Argb colour)
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(width, height);
    {
        gfx::Graphics graphics = gfx::Graphics::FromImage(bitmap);
        graphics.FillRectangle(gfx::SolidBrush(colour), 0, 0, static_cast<float>(width), static_cast<float>(height));
    }
    UINT count = 0, size = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &size);
    std::vector<std::uint8_t> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::DllExports::GdipGetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(encoders[i].MimeType) == L"image/png")
            return Gdiplus::DllExports::GdipSaveImageToFile(bitmap.Get(), file.wstring().c_str(), &encoders[i].Clsid,
                                                            nullptr) == Gdiplus::Ok;
    return false;
}

struct Extent {
    int first = -1;
    int last = -1;
};

template <class Match> Extent Scan(const PreviewCanvas& canvas, bool horizontal, int at, Match match)
{
    Extent e;
    const int n = horizontal ? kWidth : kHeight;
    for (int i = 0; i < n; ++i) {
        const COLORREF c = horizontal ? canvas.At(i, at) : canvas.At(at, i);
        if (match(c)) {
            if (e.first < 0)
                e.first = i;
            e.last = i;
        }
    }
    return e;
}

TEST(PreviewTest, FrameOnlyWithoutALoadablePicture)
{
    TempDir dir;
    WriteBytes(dir.Path() / L"broken.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'});
    for (const std::wstring& picture :
         {std::wstring(), (dir.Path() / L"missing.png").wstring(), (dir.Path() / L"broken.png").wstring()}) {
        PreviewCanvas canvas;
        canvas.Draw(picture);
        // Corners outside the rounding keep the button face, the edge is the shadow colour.
        EXPECT_EQ(canvas.At(0, 0), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(canvas.At(kWidth - 1, kHeight - 1), GetSysColor(COLOR_BTNFACE));
        EXPECT_EQ(canvas.At(kWidth / 2, 0), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(canvas.At(0, kHeight / 2), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(canvas.At(kWidth / 2, kHeight - 1), GetSysColor(COLOR_BTNSHADOW));
        EXPECT_EQ(canvas.At(kWidth / 2, kHeight / 2), kBrush);
        EXPECT_EQ(canvas.At(6, 6), kBrush);
    }
}

TEST(PreviewTest, PictureIsFittedAndCentredInsideTheInset)
{
    // Target area: (5, 5) 110 x 74 inside the 120 x 84 item.
    struct Case {
        const wchar_t* file;
        int width, height;
        gfx::Argb colour;
        Extent columns; // along the middle row
        Extent rows;    // along the middle column
        int tolerance;  // an enlarged thumbnail fades at its far edges through interpolation
    };
    const Case cases[] = {
        // 200 x 50: fills the width, 27.5 high from y = 28.25.
        {L"wide.png", 200, 50, 0xFFFF0000, {5, 114}, {28, 55}, 1},
        // 40 x 160: fills the height, 18.5 wide from x = 50.75.
        {L"tall.png", 40, 160, 0xFF0000FF, {51, 69}, {5, 78}, 1},
        // 20 x 10, enlarged: fills the width, 55 high from y = 14.5.
        {L"small.png", 20, 10, 0xFF00C000, {5, 114}, {15, 69}, 5},
    };
    TempDir dir;
    for (const Case& c : cases) {
        const auto path = dir.Path() / c.file;
        ASSERT_TRUE(SaveSolidPng(path, c.width, c.height, c.colour)) << c.file;
        PreviewCanvas canvas;
        canvas.Draw(path.wstring());
        const int r = static_cast<int>((c.colour >> 16) & 0xFF), g = static_cast<int>((c.colour >> 8) & 0xFF),
                  b = static_cast<int>(c.colour & 0xFF);
        // Mostly the picture's colour: interpolated edge pixels may be mixed with the fill.
        auto isPicture = [&](COLORREF px) {
            return std::abs(GetRValue(px) - r) < 60 && std::abs(GetGValue(px) - g) < 60 &&
                   std::abs(GetBValue(px) - b) < 60;
        };
        const Extent columns = Scan(canvas, true, kHeight / 2, isPicture);
        const Extent rows = Scan(canvas, false, kWidth / 2, isPicture);
        EXPECT_NEAR(columns.first, c.columns.first, 1) << c.file;
        EXPECT_NEAR(columns.last, c.columns.last, c.tolerance) << c.file;
        EXPECT_NEAR(rows.first, c.rows.first, 1) << c.file;
        EXPECT_NEAR(rows.last, c.rows.last, c.tolerance) << c.file;
        // Never outside the 5-pixel inset, and centred: equal margins on both sides.
        EXPECT_GE(columns.first, 5) << c.file;
        EXPECT_LE(columns.last, kWidth - 6) << c.file;
        EXPECT_GE(rows.first, 5) << c.file;
        EXPECT_LE(rows.last, kHeight - 6) << c.file;
        EXPECT_NEAR(columns.first, (kWidth - 1) - columns.last, c.tolerance) << c.file;
        EXPECT_NEAR(rows.first, (kHeight - 1) - rows.last, c.tolerance) << c.file;
        // The frame is still there.
        EXPECT_EQ(canvas.At(kWidth / 2, 0), GetSysColor(COLOR_BTNSHADOW)) << c.file;
    }
}

} // namespace
