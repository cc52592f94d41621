// The cached background picture in its three drawing modes, its alpha factor, unusable files,
// and settings values that must not crash or blow up the layout.
#include "RenderTestSupport.h"

#include <algorithm>
#include <limits>

using gfx::RectF;

namespace {

constexpr std::uint32_t kRed = 0xFFFF0000, kBlue = 0xFF0000FF, kGreen = 0xFF00FF00;

// Blue left fifth, green right fifth, red between.
std::wstring MakePicture(const TempDir& dir, const wchar_t* name, int width, int height)
{
    const std::filesystem::path path = dir.Path() / name;
    SavePicture(path, width, height, [width](int x, int) {
        return x < width / 5 ? kBlue : x >= width - width / 5 ? kGreen : kRed;
    });
    return path.wstring();
}

} // namespace

TEST(BackgroundPicture, FitStretchAndCoverForSameAspectAndWiderPictures)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    // Canvases: the date area (grid grown by (4, 2.5, 4, 5)) or the whole, then grown by 5 and 1.
    const RectF g = painter.GridRect(), whole = painter.Whole();
    const int cw = int(g.width + 18), ch = int(g.height + 9.5f), ww = int(whole.width + 10), wh = int(whole.height + 2);
    const std::wstring same = MakePicture(dir, L"same.png", cw * 2, ch * 2),
                       wide = MakePicture(dir, L"wide.png", ww * 4, wh);
    const struct {
        const std::wstring& file;
        int pos, mode, width, height;
        std::uint32_t top, bottom, left, right;
    } cases[] = {
        {same, 0, 0, cw, ch, kRed, kRed, kBlue, kGreen}, // same aspect: every edge reached, nothing cut
        {same, 0, 2, cw, ch, kRed, kRed, kBlue, kGreen},
        {wide, 1, 0, ww, wh, 0, 0, kBlue, kGreen},                // fit: transparent bands above and below
        {wide, 1, 2, ww, wh, kRed, kRed, kRed, kRed},             // cover: the sides are cut
        {wide, 1, 1, ww - 10, wh - 2, kRed, kRed, kBlue, kGreen}, // stretch into the target itself
    };
    for (const auto& c : cases) {
        settings.Background = {.BackImageFile = c.file, .BackImageDraw = c.mode, .BackImagePos = c.pos};
        painter.Layout();
        const gfx::Bitmap* p = painter.Picture();
        ASSERT_NE(p, nullptr);
        ASSERT_EQ(int(p->Width()), c.width) << c.mode;
        ASSERT_EQ(int(p->Height()), c.height) << c.mode;
        auto at = [p](int x, int y) {
            Gdiplus::ARGB colour = 0;
            Gdiplus::DllExports::GdipBitmapGetPixel(p->GetBitmap(), x, y, &colour);
            return colour;
        };
        const int w = c.width, h = c.height; // centre, then 1 px inside the top, bottom, left, right middles
        const std::uint32_t got[] = {at(w / 2, h / 2), at(w / 2, 1), at(w / 2, h - 2), at(1, h / 2), at(w - 2, h / 2)},
                            want[] = {kRed, c.top, c.bottom, c.left, c.right};
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(got[i], want[i]) << "mode " << c.mode << ", point " << i;
    }
}

TEST(BackgroundPicture, AlphaZeroHidesItAndFullLeavesItUnfaded)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    ShownMonth m(2024, 3, 1);
    const std::wstring red = MakePicture(dir, L"red.png", 100, 100);
    for (const int alpha : {255, 0, 128}) {
        // Only the picture under the texts.
        settings.Background = {.BackColor = 0, .BackImageFile = red, .BackImageAlpha = alpha, .BackImageDraw = 1};
        painter.Layout();
        // The gap right of a cell shows the picture, premultiplied.
        DibSurface surface;
        PaintReference(surface, painter, m.model, 0);
        const RectF cell = painter.CellRect(3, 2);
        const std::uint32_t shown = surface.Pixel(int(cell.Right() + 5), int(cell.y + cell.height / 2));
        EXPECT_NEAR(Channel(shown, 24), alpha, 2);
        EXPECT_NEAR(Channel(shown, 16), alpha, 2);
        EXPECT_EQ(shown & 0xFFFF, 0u) << alpha;
    }
}

TEST(BackgroundPicture, UnusableFilesGiveNoPicture)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    const std::wstring good = MakePicture(dir, L"good.png", 120, 80);
    std::vector<std::uint8_t> bytes = ReadBytes(good);
    bytes.resize(bytes.size() / 3);
    WriteBytes(dir.Path() / L"cut.png", bytes);
    WriteBytes(dir.Path() / L"text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    std::filesystem::create_directory(dir.Path() / L"folder.png");
    for (const wchar_t* name : {L"missing.png", L"folder.png", L"cut.png", L"text.png"}) {
        // A good picture first, so that we see it does not survive.
        settings.Background.BackImageFile = good;
        painter.Layout();
        ASSERT_NE(painter.Picture(), nullptr);
        settings.Background.BackImageFile = (dir.Path() / name).wstring();
        painter.Layout();
        EXPECT_EQ(painter.Picture(), nullptr) << dir.Path() / name;
    }
}

TEST(BadSettings, FontSizesAndDrawModeLayOutAndPaintToABoundedSize)
{
    TempDir dir;
    const std::wstring picture = MakePicture(dir, L"flat.png", 3000, 1);
    DesignSettings defaults;
    CalendarPainter reference(defaults);
    reference.Layout();
    ShownMonth m(2024, 3, 1);
    for (const float size : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 1e9f}) {
        DesignSettings settings;
        settings.MonthFont.Size = settings.WeekFont.Size = settings.DayFont.Font.Size = size;
        settings.LNMonthFont.Font.Size = size;
        settings.Background = {.BackImageFile = picture, .BackImageDraw = 7};
        CalendarPainter painter(settings);
        painter.Layout();
        const PixelSize s = painter.GetSize();
        const PixelSize want = size > 1 ? s : reference.GetSize(); // unusable sizes draw at the default
        EXPECT_EQ(s.width, want.width) << size;
        EXPECT_EQ(s.height, want.height) << size;
        EXPECT_LE(std::max(s.width, s.height), DibSurface::kMaxSide);
        ASSERT_NE(painter.Picture(), nullptr) << size;
        EXPECT_LE(painter.Picture()->Width(), static_cast<unsigned>(painter.Whole().width + 10));
        EXPECT_LE(painter.Picture()->Height(), static_cast<unsigned>(painter.Whole().height + 2));
        ASSERT_NE(CalendarFrame().Compose(painter, m.model, AREA_NEXT_MONTH), nullptr) << size;
    }
}
