// The GDI+ object layer: rectangles, font fallback, the embedded picture.
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

TEST(LoadResourceBitmap, GivesTheEmbeddedPicture)
{
    Bitmap bitmap = Bitmap::Blank(1, 1);
    ASSERT_TRUE(LoadResourceBitmap(bitmap));
    EXPECT_EQ(bitmap.Width(), 160u);
    EXPECT_EQ(bitmap.Height(), 95u);
}
