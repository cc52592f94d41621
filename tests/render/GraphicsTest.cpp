// The GDI+ object layer: rectangles, fonts with fallback, bitmaps and pixel access,
// the alpha factor of image attributes, the embedded picture.
#include "render/Graphics.h"

#include <gtest/gtest.h>

using namespace gfx;

TEST(RectF, ContainsExcludesRightAndBottomEdges)
{
    const RectF r{10, 20, 30, 40};
    struct Case {
        float x, y;
        bool inside;
    } cases[] = {
        {10, 20, true},                          // top-left corner
        {39.99f, 59.99f, true}, {40, 30, false}, // right edge
        {20, 60, false},                         // bottom edge
        {9.99f, 30, false},     {20, 19.99f, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(r.Contains(c.x, c.y), c.inside) << c.x << "," << c.y;
}

TEST(RectF, InflateGrowsOnAllSides)
{
    RectF r{10, 20, 30, 40};
    r.Inflate(5, 1);
    EXPECT_FLOAT_EQ(r.x, 5);
    EXPECT_FLOAT_EQ(r.y, 19);
    EXPECT_FLOAT_EQ(r.width, 40);
    EXPECT_FLOAT_EQ(r.height, 42);
}

namespace {

RectF Measure(const Font& font, const wchar_t* text)
{
    HDC screen = GetDC(nullptr);
    RectF box;
    {
        Graphics graphics = Graphics::FromHdc(screen);
        box = graphics.MeasureString(text, font, PointF{});
    }
    ReleaseDC(nullptr, screen);
    return box;
}

} // namespace

TEST(Font, MissingFamilyFallsBackToGenericSansSerifAtSameSizeAndStyle)
{
    const Font missing(L"No Such Family Anywhere", 20, 1);
    if (FontFamily::GenericSansSerif() == nullptr) {
        // Without a generic family there is nothing to fall back to: no font, no text.
        EXPECT_FALSE(missing);
        EXPECT_NE(missing.LastStatus(), Gdiplus::Ok);
        return;
    }
    Gdiplus::GpFont* reference = nullptr;
    ASSERT_EQ(
        Gdiplus::DllExports::GdipCreateFont(FontFamily::GenericSansSerif(), 20, 1, Gdiplus::UnitPoint, &reference),
        Gdiplus::Ok);
    const Font generic(reference);

    ASSERT_TRUE(missing);
    const RectF a = Measure(missing, L"Wide text 00");
    const RectF b = Measure(generic, L"Wide text 00");
    EXPECT_GT(a.width, 0);
    EXPECT_FLOAT_EQ(a.width, b.width);
    EXPECT_FLOAT_EQ(a.height, b.height);

    // A different size measures differently, so the comparison above means something.
    const Font smaller(L"No Such Family Anywhere", 10, 1);
    EXPECT_LT(Measure(smaller, L"Wide text 00").width, a.width);
}

TEST(Font, InstalledFamilyIsUsedAsNamed)
{
    const Font named(L"MS UI Gothic", 12, 0);
    ASSERT_TRUE(named);
    EXPECT_EQ(named.LastStatus(), Gdiplus::Ok);
    EXPECT_GT(Measure(named, L"00").width, 0);
}

TEST(Bitmap, BlankIsTransparentAndLockedPixelsRoundTrip)
{
    Bitmap bitmap = Bitmap::Blank(7, 5);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap.Width(), 7u);
    EXPECT_EQ(bitmap.Height(), 5u);
    {
        BitmapPixels pixels = bitmap.Lock(Gdiplus::ImageLockModeRead);
        ASSERT_TRUE(pixels);
        EXPECT_GE(pixels.Stride(), 7 * 4);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                ASSERT_EQ(pixels.At(x, y), 0u) << x << "," << y;
    }
    {
        BitmapPixels pixels = bitmap.Lock();
        ASSERT_TRUE(pixels);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 7; ++x)
                pixels.At(x, y) = 0xFF000000u | static_cast<std::uint32_t>(y * 16 + x);
    }
    // Read back through GDI+ itself: each written word landed on its own (x, y).
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 7; ++x) {
            Gdiplus::ARGB colour = 0;
            ASSERT_EQ(Gdiplus::DllExports::GdipBitmapGetPixel(bitmap.GetBitmap(), x, y, &colour), Gdiplus::Ok);
            EXPECT_EQ(colour, 0xFF000000u | static_cast<std::uint32_t>(y * 16 + x)) << x << "," << y;
        }
    }
}

TEST(Bitmap, UnusableSizesGiveNoBitmap)
{
    EXPECT_FALSE(Bitmap::Blank(0, 5));
    EXPECT_FALSE(Bitmap::Blank(5, -1));
    EXPECT_EQ(Image().Width(), 0u);
    EXPECT_EQ(Image::FromFile(L"C:\\no\\such\\picture.png").Height(), 0u);
    EXPECT_FALSE(Image::FromFile(L"C:\\no\\such\\picture.png"));
}

TEST(Owned, MoveTransfersTheHandle)
{
    Bitmap a = Bitmap::Blank(3, 3);
    ASSERT_TRUE(a);
    Gdiplus::GpImage* handle = a.Get();
    Bitmap b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.Get(), handle);
    Bitmap c = Bitmap::Blank(2, 2);
    c = std::move(b);
    EXPECT_EQ(c.Get(), handle);
}

TEST(ImageAttributes, AlphaFactorScalesAlphaOnly)
{
    struct Case {
        float factor;
        int alpha;
    } cases[] = {{1.0f, 255}, {0.0f, 0}, {0.5f, 128}};
    for (const Case& c : cases) {
        Bitmap source = Bitmap::Blank(4, 4);
        {
            BitmapPixels pixels = source.Lock();
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    pixels.At(x, y) = 0xFF3366CCu;
        }
        Bitmap target = Bitmap::Blank(4, 4);
        const ImageAttributes attributes(c.factor);
        ASSERT_TRUE(attributes);
        {
            Graphics graphics = Graphics::FromImage(target);
            graphics.DrawImage(source, RectF{0, 0, 4, 4}, RectF{0, 0, 4, 4}, &attributes);
            EXPECT_EQ(graphics.LastStatus(), Gdiplus::Ok);
        }
        BitmapPixels pixels = target.Lock(Gdiplus::ImageLockModeRead);
        const std::uint32_t p = pixels.At(2, 2);
        EXPECT_NEAR(static_cast<int>(p >> 24), c.alpha, 1) << c.factor;
        if (c.alpha > 0) {
            EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x33, 1);
            EXPECT_NEAR(static_cast<int>((p >> 8) & 0xFF), 0x66, 1);
            EXPECT_NEAR(static_cast<int>(p & 0xFF), 0xCC, 1);
        }
    }
}

TEST(LoadResourceBitmap, GivesTheEmbeddedPicture)
{
    Bitmap bitmap = Bitmap::Blank(1, 1);
    ASSERT_TRUE(LoadResourceBitmap(bitmap));
    EXPECT_EQ(bitmap.Width(), 160u);
    EXPECT_EQ(bitmap.Height(), 95u);
    // A second load replaces it cleanly.
    ASSERT_TRUE(LoadResourceBitmap(bitmap));
    EXPECT_EQ(bitmap.Width(), 160u);
}
