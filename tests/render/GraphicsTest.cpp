// The GDI+ object layer: rectangles, font fallback, the alpha factor, the embedded picture.
#include "RenderTestSupport.h"

using namespace gfx;

TEST(RectF, ContainsExcludesRightAndBottomEdgesAndInflateGrowsAllSides)
{
    RectF r{10, 20, 30, 40};
    const struct {
        float x, y;
        bool inside;
    } cases[] = {{10, 20, true},  {39.99f, 59.99f, true}, {40, 30, false},
                 {20, 60, false}, {9.99f, 30, false},     {20, 19.99f, false}};
    for (const auto& c : cases)
        EXPECT_EQ(r.Contains(c.x, c.y), c.inside) << c.x << "," << c.y;
    r.Inflate(5, 1);
    EXPECT_FLOAT_EQ(r.x, 5);
    EXPECT_FLOAT_EQ(r.y, 19);
    EXPECT_FLOAT_EQ(r.width, 40);
    EXPECT_FLOAT_EQ(r.height, 42);
}

TEST(Font, MissingFamilyFallsBackToGenericSansSerifAtSameSizeAndStyle)
{
    const Font missing(L"No Such Family Anywhere", 20, 1);
    ASSERT_NE(FontFamily::GenericSansSerif(), nullptr);
    Gdiplus::GpFont* reference = nullptr;
    ASSERT_EQ(
        Gdiplus::DllExports::GdipCreateFont(FontFamily::GenericSansSerif(), 20, 1, Gdiplus::UnitPoint, &reference),
        Gdiplus::Ok);
    const Font generic(reference);
    ASSERT_TRUE(missing);
    const RectF a = Measure(L"Wide text 00", missing), b = Measure(L"Wide text 00", generic);
    EXPECT_GT(a.width, 0);
    EXPECT_FLOAT_EQ(a.width, b.width);
    EXPECT_FLOAT_EQ(a.height, b.height);
    // Another size measures differently, so the comparison above means something.
    EXPECT_LT(Measure(L"Wide text 00", Font(L"No Such Family Anywhere", 10, 1)).width, a.width);
}

TEST(ImageAttributes, AlphaFactorScalesAlphaOnly)
{
    for (const auto& [factor, alpha] : {std::pair{1.0f, 255}, std::pair{0.0f, 0}, std::pair{0.5f, 128}}) {
        Bitmap source = Bitmap::Blank(4, 4), target = Bitmap::Blank(4, 4);
        {
            BitmapPixels pixels = source.Lock();
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 4; ++x)
                    pixels.At(x, y) = 0xFF3366CCu;
        }
        const ImageAttributes attributes(factor);
        ASSERT_TRUE(attributes);
        {
            Graphics graphics = Graphics::FromImage(target);
            graphics.DrawImage(source, RectF{0, 0, 4, 4}, RectF{0, 0, 4, 4}, &attributes);
        }
        const std::uint32_t p = target.Lock(Gdiplus::ImageLockModeRead).At(2, 2);
        EXPECT_NEAR(Channel(p, 24), alpha, 1) << factor;
        if (alpha > 0) {
            EXPECT_NEAR(Channel(p, 16), 0x33, 1);
            EXPECT_NEAR(Channel(p, 8), 0x66, 1);
            EXPECT_NEAR(Channel(p, 0), 0xCC, 1);
        }
    }
}

TEST(LoadResourceBitmap, GivesTheEmbeddedPicture)
{
    Bitmap bitmap = Bitmap::Blank(1, 1);
    ASSERT_TRUE(LoadResourceBitmap(bitmap));
    EXPECT_EQ(bitmap.Width(), 160u);
    EXPECT_EQ(bitmap.Height(), 95u);
}
