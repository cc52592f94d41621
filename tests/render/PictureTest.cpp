// The cached background picture in its three drawing modes, its alpha factor, unusable files,
// and settings values that must not crash or blow up the layout.
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

using gfx::RectF;

namespace {

using namespace std::chrono;

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kGreen = 0xFF00FF00;

bool EncoderFor(const wchar_t* mime, CLSID& clsid)
{
    UINT count = 0;
    UINT bytes = 0;
    Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<std::uint8_t> buffer(bytes);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (bytes == 0 || Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok)
        return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(codecs[i].MimeType) == mime) {
            clsid = codecs[i].Clsid;
            return true;
        }
    }
    return false;
}

// A picture file: blue left fifth, green right fifth, red between.
std::wstring MakePicture(const TempDir& dir, const wchar_t* name, int width, int height, const wchar_t* mime)
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(width, height);
    {
        gfx::BitmapPixels pixels = bitmap.Lock();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.At(x, y) = x < width / 5 ? kBlue : x >= width - width / 5 ? kGreen : kRed;
    }
    CLSID clsid{};
    EXPECT_TRUE(EncoderFor(mime, clsid));
    const std::wstring path = (dir.Path() / name).wstring();
    EXPECT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(bitmap.Get(), path.c_str(), &clsid, nullptr), Gdiplus::Ok);
    return path;
}

struct PictureReader {
    gfx::Bitmap& picture;
    int width, height;
    std::vector<std::uint32_t> pixels;
    explicit PictureReader(const gfx::Bitmap& source)
        : picture(const_cast<gfx::Bitmap&>(source)), width(static_cast<int>(source.Width())),
          height(static_cast<int>(source.Height()))
    {
        gfx::BitmapPixels locked = picture.Lock(Gdiplus::ImageLockModeRead);
        EXPECT_TRUE(locked);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.push_back(locked.At(x, y));
    }
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    std::uint32_t AtFraction(float fx, float fy) const
    {
        return At(std::clamp(static_cast<int>(fx * static_cast<float>(width)), 0, width - 1),
                  std::clamp(static_cast<int>(fy * static_cast<float>(height)), 0, height - 1));
    }
};

// The canvas of modes 0 and 2 around the date area: grid grown by (4, 2.5, 4, 5), then by 5 and 1.
RectF DateCanvas(const CalendarPainter& painter)
{
    const RectF g = painter.GridRect();
    RectF canvas{g.x - 4, g.y - 2.5f, g.width + 8, g.height + 7.5f};
    canvas.Inflate(5, 1);
    return canvas;
}

struct Model {
    TempDir dir;
    MonthModel model{dir.WithSlash()};
    Model()
    {
        model.SetClock([] { return year_month_day{year{2024}, month{3}, day{1}}; });
        model.Show(2024, 3);
    }
};

} // namespace

TEST(BackgroundPicture, SameAspectFillsTheCanvasInFitAndCover)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    const RectF canvas = DateCanvas(painter);
    const std::wstring path = MakePicture(dir, L"same.png", static_cast<int>(canvas.width) * 2,
                                          static_cast<int>(canvas.height) * 2, L"image/png");

    for (int mode : {0, 2}) {
        settings.Background.BackImageFile = path;
        settings.Background.BackImageDraw = mode;
        painter.Layout();
        ASSERT_NE(painter.Picture(), nullptr) << mode;
        const PictureReader picture(*painter.Picture());
        EXPECT_EQ(picture.width, static_cast<int>(canvas.width));
        EXPECT_EQ(picture.height, static_cast<int>(canvas.height));
        // Every edge reached: blue on the left, green on the right, red in the middle, no band.
        EXPECT_EQ(picture.At(1, 1), kBlue) << mode;
        EXPECT_EQ(picture.At(1, picture.height - 2), kBlue) << mode;
        EXPECT_EQ(picture.At(picture.width - 2, 1), kGreen) << mode;
        EXPECT_EQ(picture.At(picture.width - 2, picture.height - 2), kGreen) << mode;
        EXPECT_EQ(picture.AtFraction(0.5f, 0.5f), kRed) << mode;
        EXPECT_EQ(picture.AtFraction(0.5f, 0.01f), kRed) << mode;
        EXPECT_EQ(picture.AtFraction(0.5f, 0.99f), kRed) << mode;
        // pictureRect is the unpadded target.
        EXPECT_FLOAT_EQ(painter.PictureRect().width, canvas.width - 10);
        EXPECT_FLOAT_EQ(painter.PictureRect().height, canvas.height - 2);
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
    // Four times as wide as the canvas's aspect.
    const std::wstring path =
        MakePicture(dir, L"wide.bmp", static_cast<int>(whole.width * 4), static_cast<int>(whole.height), L"image/bmp");
    settings.Background.BackImageFile = path;

    settings.Background.BackImageDraw = 0; // fit: bands above and below
    painter.Layout();
    ASSERT_NE(painter.Picture(), nullptr);
    {
        const PictureReader p(*painter.Picture());
        EXPECT_EQ(p.width, static_cast<int>(whole.width + 10));
        EXPECT_EQ(p.AtFraction(0.5f, 0.02f) >> 24, 0u);
        EXPECT_EQ(p.AtFraction(0.5f, 0.98f) >> 24, 0u);
        EXPECT_EQ(p.AtFraction(0.5f, 0.5f), kRed);
        EXPECT_EQ(p.AtFraction(0.01f, 0.5f), kBlue);
        EXPECT_EQ(p.AtFraction(0.99f, 0.5f), kGreen);
    }

    settings.Background.BackImageDraw = 2; // cover: the sides are cut, no band
    painter.Layout();
    ASSERT_NE(painter.Picture(), nullptr);
    {
        const PictureReader p(*painter.Picture());
        EXPECT_EQ(p.AtFraction(0.5f, 0.02f), kRed);
        EXPECT_EQ(p.AtFraction(0.5f, 0.98f), kRed);
        EXPECT_EQ(p.AtFraction(0.01f, 0.5f), kRed); // blue fifth cut away
        EXPECT_EQ(p.AtFraction(0.99f, 0.5f), kRed); // green fifth cut away
    }

    settings.Background.BackImageDraw = 1; // stretch into the target itself
    painter.Layout();
    ASSERT_NE(painter.Picture(), nullptr);
    {
        const PictureReader p(*painter.Picture());
        EXPECT_EQ(p.width, static_cast<int>(whole.width));
        EXPECT_EQ(p.height, static_cast<int>(whole.height));
        EXPECT_EQ(p.AtFraction(0.5f, 0.02f), kRed);
        EXPECT_EQ(p.AtFraction(0.5f, 0.98f), kRed);
        EXPECT_EQ(p.AtFraction(0.01f, 0.5f), kBlue);
        EXPECT_EQ(p.AtFraction(0.99f, 0.5f), kGreen);
    }
}

TEST(BackgroundPicture, AlphaFactorAndWhatPaintShows)
{
    TempDir dir;
    DesignSettings settings;
    settings.Background.BackColor = 0; // only the picture under the texts
    CalendarPainter painter(settings);
    painter.Layout();
    const RectF canvas = DateCanvas(painter);
    settings.Background.BackImageFile =
        MakePicture(dir, L"alpha.png", static_cast<int>(canvas.width), static_cast<int>(canvas.height), L"image/png");
    Model m;

    struct Case {
        int stored;
        int alpha;
    } cases[] = {{255, 255}, {0, 0}, {128, 128}, {1000, 255}, {-7, 0}};
    for (const Case& c : cases) {
        settings.Background.BackImageAlpha = c.stored;
        painter.Layout();
        EXPECT_EQ(settings.Background.BackImageAlpha, c.stored); // the stored value stays
        ASSERT_NE(painter.Picture(), nullptr);
        const PictureReader p(*painter.Picture());
        const std::uint32_t centre = p.AtFraction(0.5f, 0.5f);
        EXPECT_NEAR(static_cast<int>(centre >> 24), c.alpha, 1) << c.stored;
        if (c.alpha == 255) {
            EXPECT_EQ(centre, kRed);
        }

        // Painted: the gap between two cells of the grid shows the picture, premultiplied.
        DibSurface surface;
        ASSERT_TRUE(surface.Create(painter.GetSize().width, painter.GetSize().height));
        painter.Paint(m.model, surface.Dc(), 0);
        GdiFlush();
        const RectF cell = painter.CellRect(3, 2);
        const std::uint32_t shown =
            surface.Pixel(static_cast<int>(cell.Right() + 5), static_cast<int>(cell.y + cell.height / 2));
        EXPECT_NEAR(static_cast<int>(shown >> 24), c.alpha, 2) << c.stored;
        EXPECT_NEAR(static_cast<int>((shown >> 16) & 0xFF), c.alpha, 2) << c.stored;
        EXPECT_EQ(shown & 0xFFFF, 0u) << c.stored;
    }
}

TEST(BackgroundPicture, UnusableFilesGiveNoPicture)
{
    TempDir dir;
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    const std::wstring good = MakePicture(dir, L"good.png", 120, 80, L"image/png");
    const std::wstring bmp = MakePicture(dir, L"good.bmp", 120, 80, L"image/bmp");
    std::vector<std::uint8_t> bytes = ReadBytes(good);
    ASSERT_GT(bytes.size(), 100u);
    bytes.resize(bytes.size() / 3);
    WriteBytes(dir.Path() / L"cut.png", bytes);
    std::vector<std::uint8_t> bmpBytes = ReadBytes(bmp);
    bmpBytes.resize(200);
    WriteBytes(dir.Path() / L"cut.bmp", bmpBytes);
    WriteBytes(dir.Path() / L"text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'i', 'c'});
    std::filesystem::create_directory(dir.Path() / L"folder.png");

    const std::wstring bad[] = {
        (dir.Path() / L"missing.png").wstring(), (dir.Path() / L"folder.png").wstring(),
        (dir.Path() / L"cut.png").wstring(),     (dir.Path() / L"cut.bmp").wstring(),
        (dir.Path() / L"text.png").wstring(),    L"",
    };
    for (const std::wstring& path : bad) {
        // A good picture first, so that we see it does not survive.
        settings.Background.BackImageFile = good;
        painter.Layout();
        ASSERT_NE(painter.Picture(), nullptr);
        settings.Background.BackImageFile = path;
        painter.Layout();
        EXPECT_EQ(painter.Picture(), nullptr) << std::string(path.begin(), path.end());
    }
}

TEST(BadSettings, FontSizesDrawAtTheirDefaultOrClampedSize)
{
    DesignSettings defaults;
    CalendarPainter reference(defaults);
    reference.Layout();
    DesignSettings big;
    big.MonthFont.Size = big.WeekFont.Size = big.DayFont.Font.Size = big.LNMonthFont.Font.Size = 200;
    CalendarPainter largest(big);
    largest.Layout();
    ASSERT_GT(largest.GetSize().width, reference.GetSize().width);

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float size;
        const CalendarPainter* same;
    } cases[] = {{0, &reference},    {-1, &reference}, {nan, &reference},
                 {-inf, &reference}, {1e9f, &largest}, {inf, &reference}};
    Model m;
    for (const Case& c : cases) {
        DesignSettings settings;
        settings.MonthFont.Size = settings.WeekFont.Size = settings.DayFont.Font.Size = c.size;
        settings.LNMonthFont.Font.Size = c.size;
        // Unknown style bits are dropped.
        settings.MonthFont.Style = settings.DayFont.Font.Style = 0x7FFFFFF0;
        settings.Background.BackImageDraw = 7;
        settings.Background.BackImagePos = -3;
        CalendarPainter painter(settings);
        painter.Layout();
        const PixelSize size = painter.GetSize();
        EXPECT_EQ(size.width, c.same->GetSize().width) << c.size;
        EXPECT_EQ(size.height, c.same->GetSize().height) << c.size;
        EXPECT_LE(size.width, DibSurface::kMaxSide);
        EXPECT_LE(size.height, DibSurface::kMaxSide);
        // The stored values are left as they were.
        EXPECT_EQ(std::isnan(settings.DayFont.Font.Size), std::isnan(c.size));
        if (!std::isnan(c.size)) {
            EXPECT_EQ(settings.DayFont.Font.Size, c.size);
        }

        CalendarFrame frame;
        const DibSurface* image = frame.Compose(painter, m.model, AREA_NEXT_MONTH);
        ASSERT_NE(image, nullptr) << c.size;
        EXPECT_EQ(image->Width(), size.width);
    }
}

TEST(BadSettings, ExtremePicturesAndDrawModesStayBounded)
{
    TempDir dir;
    const std::wstring tall = MakePicture(dir, L"tall.png", 1, 3000, L"image/png");
    const std::wstring flat = MakePicture(dir, L"flat.png", 3000, 1, L"image/png");
    Model m;
    for (const std::wstring& path : {tall, flat}) {
        for (int mode : {0, 1, 2, 7, -1}) {
            for (int pos : {0, 1}) {
                DesignSettings settings;
                settings.Background.BackImageFile = path;
                settings.Background.BackImageDraw = mode;
                settings.Background.BackImagePos = pos;
                CalendarPainter painter(settings);
                painter.Layout();
                ASSERT_NE(painter.Picture(), nullptr) << mode << "," << pos;
                // The cached picture never exceeds the padded target.
                EXPECT_LE(painter.Picture()->Width(), static_cast<unsigned>(painter.Whole().width + 10));
                EXPECT_LE(painter.Picture()->Height(), static_cast<unsigned>(painter.Whole().height + 2));
                CalendarFrame frame;
                EXPECT_NE(frame.Compose(painter, m.model, 0), nullptr);
            }
        }
    }
}
