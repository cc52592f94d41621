// The cached background picture in its three drawing modes, its alpha factor, unusable files,
// and settings values that must not crash or blow up the layout.
#include "RenderTestSupport.h"

#include <algorithm>
#include <cmath>
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

// A pixel of the cached picture at fractions of its size.
std::uint32_t At(const gfx::Bitmap* picture, float fx, float fy)
{
    const int w = static_cast<int>(picture->Width()), h = static_cast<int>(picture->Height());
    Gdiplus::ARGB colour = 0;
    Gdiplus::DllExports::GdipBitmapGetPixel(picture->GetBitmap(), std::clamp(int(fx * float(w)), 0, w - 1),
                                            std::clamp(int(fy * float(h)), 0, h - 1), &colour);
    return colour;
}

} // namespace

TEST(BackgroundPicture, SameAspectFillsTheCanvasInFitAndCover)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    // The canvas around the date area: grid grown by (4, 2.5, 4, 5), then by 5 and 1.
    const RectF g = painter.GridRect();
    const float cw = g.width + 18, ch = g.height + 9.5f;
    settings.Background.BackImageFile = MakePicture(dir, L"same.png", int(cw) * 2, int(ch) * 2);
    for (int mode : {0, 2}) {
        settings.Background.BackImageDraw = mode;
        painter.Layout();
        const gfx::Bitmap* p = painter.Picture();
        ASSERT_NE(p, nullptr) << mode;
        EXPECT_EQ(int(p->Width()), int(cw));
        EXPECT_EQ(int(p->Height()), int(ch));
        // Every edge reached: no band, nothing cut.
        const float near0 = 1.5f / cw, near1 = 1 - near0, top = 1.5f / ch, bottom = 1 - top;
        for (const float y : {top, bottom}) {
            EXPECT_EQ(At(p, near0, y), kBlue) << mode;
            EXPECT_EQ(At(p, 0.5f, y), kRed) << mode;
            EXPECT_EQ(At(p, near1, y), kGreen) << mode;
        }
    }
}

TEST(BackgroundPicture, WiderPictureBandsInFitIsCutInCoverAndStretches)
{
    TempDir dir;
    DesignSettings settings;
    settings.Background.BackImagePos = 1; // whole calendar
    CalendarPainter painter(settings);
    painter.Layout();
    const RectF whole = painter.Whole();
    settings.Background.BackImageFile = MakePicture(dir, L"wide.png", int(whole.width * 4), int(whole.height));
    const struct {
        int mode;
        std::uint32_t top, bottom, left, right; // at the edges' middles
    } cases[] = {
        {0, 0, 0, kBlue, kGreen},       // fit: transparent bands above and below
        {2, kRed, kRed, kRed, kRed},    // cover: the sides are cut, no band
        {1, kRed, kRed, kBlue, kGreen}, // stretch into the target itself
    };
    for (const auto& c : cases) {
        settings.Background.BackImageDraw = c.mode;
        painter.Layout();
        const gfx::Bitmap* p = painter.Picture();
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(At(p, 0.5f, 0.5f), kRed) << c.mode;
        EXPECT_EQ(At(p, 0.5f, 0.02f), c.top) << c.mode;
        EXPECT_EQ(At(p, 0.5f, 0.98f), c.bottom) << c.mode;
        EXPECT_EQ(At(p, 0.01f, 0.5f), c.left) << c.mode;
        EXPECT_EQ(At(p, 0.99f, 0.5f), c.right) << c.mode;
    }
}

TEST(BackgroundPicture, AlphaZeroHidesItAndFullLeavesItUnfaded)
{
    TempDir dir;
    DesignSettings settings;
    settings.Background.BackColor = 0; // only the picture under the texts
    settings.Background.BackImageDraw = 1;
    CalendarPainter painter(settings);
    painter.Layout();
    settings.Background.BackImageFile = MakePicture(dir, L"red.png", 100, 100);
    ShownMonth m(2024, 3, 1);
    for (const auto& [stored, alpha] : {std::pair{255, 255}, std::pair{0, 0}, std::pair{128, 128}}) {
        settings.Background.BackImageAlpha = stored;
        painter.Layout();
        // The gap right of a cell shows the picture, premultiplied.
        DibSurface surface;
        PaintReference(surface, painter, m.model, 0);
        const RectF cell = painter.CellRect(3, 2);
        const std::uint32_t shown = surface.Pixel(int(cell.Right() + 5), int(cell.y + cell.height / 2));
        EXPECT_NEAR(Channel(shown, 24), alpha, 2) << stored;
        EXPECT_NEAR(Channel(shown, 16), alpha, 2) << stored;
        EXPECT_EQ(shown & 0xFFFF, 0u) << stored;
    }
}

TEST(BackgroundPicture, UnusableFilesGiveNoPicture)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    const std::wstring good = MakePicture(dir, L"good.png", 120, 80);
    std::vector<std::uint8_t> bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 100u);
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
        settings.Background.BackImageDraw = 7;
        settings.Background.BackImageFile = picture;
        CalendarPainter painter(settings);
        painter.Layout();
        const PixelSize s = painter.GetSize();
        if (!(size > 1)) { // unusable sizes draw at the default
            EXPECT_EQ(s.width, reference.GetSize().width) << size;
            EXPECT_EQ(s.height, reference.GetSize().height) << size;
        }
        EXPECT_GT(s.width, 0);
        EXPECT_LE(s.width, DibSurface::kMaxSide);
        EXPECT_LE(s.height, DibSurface::kMaxSide);
        ASSERT_NE(painter.Picture(), nullptr) << size;
        EXPECT_LE(painter.Picture()->Width(), static_cast<unsigned>(painter.Whole().width + 10));
        EXPECT_LE(painter.Picture()->Height(), static_cast<unsigned>(painter.Whole().height + 2));
        const DibSurface* image = painter.Frame().Compose(painter, m.model, AREA_NEXT_MONTH);
        ASSERT_NE(image, nullptr) << size;
        EXPECT_EQ(image->Width(), s.width);
    }
}
