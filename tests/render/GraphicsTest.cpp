// The GDI+ object layer: rectangles, font fallback, the alpha factor, the embedded picture.
#include "RenderTestSupport.h"

#include <tuple>

using namespace gfx;

TEST(RectF, ContainsExcludesRightAndBottomEdgesAndInflateGrowsAllSides)
{
    RectF r{10, 20, 30, 40};
    const std::tuple<float, float, bool> cases[] = {{10, 20, true},  {39.99f, 59.99f, true}, {40, 30, false},
                                                    {20, 60, false}, {9.99f, 30, false},     {20, 19.99f, false}};
    for (const auto& [x, y, inside] : cases)
        EXPECT_EQ(r.Contains(x, y), inside) << x << "," << y;
    r.Inflate(5, 1);
    ExpectRect(r, {5, 19, 40, 42}, "inflated");
}

TEST(Font, MissingFamilyFallsBackToGenericSansSerifAtSameSizeAndStyle)
{
    Gdiplus::GpFont* reference = nullptr;
    ASSERT_EQ(
        Gdiplus::DllExports::GdipCreateFont(FontFamily::GenericSansSerif(), 20, 1, Gdiplus::UnitPoint, &reference),
        Gdiplus::Ok);
    const RectF a = Measure(L"Wide text 00", Font(L"No Such Family Anywhere", 20, 1));
    ExpectRect(a, Measure(L"Wide text 00", Font(reference)), "fallback");
    // Another size measures differently, so the comparison above means something.
    EXPECT_LT(Measure(L"Wide text 00", Font(L"No Such Family Anywhere", 10, 1)).width, a.width);
}

TEST(ImageAttributes, AlphaFactorScalesAlphaOnly)
{
    for (const auto& [factor, alpha] : {std::pair{1.0f, 255}, {0.0f, 0}, {0.5f, 128}}) {
        Bitmap source = Bitmap::Blank(4, 4), target = Bitmap::Blank(4, 4);
        {
            BitmapPixels pixels = source.Lock();
            for (int i = 0; i < 16; ++i)
                pixels.At(i % 4, i / 4) = 0xFF3366CCu;
        }
        const ImageAttributes attributes(factor);
        Graphics::FromImage(target).DrawImage(source, RectF{0, 0, 4, 4}, RectF{0, 0, 4, 4}, &attributes);
        const std::uint32_t p = target.Lock(Gdiplus::ImageLockModeRead).At(2, 2);
        EXPECT_NEAR(Channel(p, 24), alpha, 1) << factor;
        if (alpha == 0)
            continue;
        for (const auto& [shift, value] : {std::pair{16, 0x33}, {8, 0x66}, {0, 0xCC}})
            EXPECT_NEAR(Channel(p, shift), value, 1) << factor;
    }
}

TEST(LoadResourceBitmap, GivesTheEmbeddedPicture)
{
    Bitmap bitmap = Bitmap::Blank(1, 1);
    ASSERT_TRUE(LoadResourceBitmap(bitmap));
    EXPECT_EQ(bitmap.Width(), 160u);
    EXPECT_EQ(bitmap.Height(), 95u);
}
