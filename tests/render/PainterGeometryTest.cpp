// Layout rectangles from measured text, hit testing order and edges, cells and gaps; font fallback
// and the embedded picture beneath them.
#include "RenderTestSupport.h"

#include <cmath>

using gfx::RectF;

namespace {

int Ceil(float v) { return static_cast<int>(std::ceil(v)); }
int Mid(float from, float length) { return static_cast<int>(from + length / 2); }

} // namespace

TEST(PainterLayout, RectanglesFollowTheMeasuredText)
{
    DesignSettings s;
    s.MonthFont.Size = 14;
    s.WeekFont.Size = 8;
    s.DayFont.Font.Size = 12;
    CalendarPainter painter(s);
    painter.Layout();
    // Measured here: "00" wide in the day font, "WW" high in the others.
    const float d = Measure(L"00", gfx::Font(s.DayFont.Font.Name, 12, s.DayFont.Font.Style)).width;
    const float t = Measure(L"WW", gfx::Font(s.MonthFont.Name, 14, s.MonthFont.Style)).height;
    const float k = Measure(L"WW", gfx::Font(s.WeekFont.Name, 8, s.WeekFont.Style)).height;
    ASSERT_GT(d * t * k, 0);
    const float w = 7 * d + 76, h = 6 * d + t + k + 53, b = 0.8f * t, top = 8 + 0.5f * t - 0.5f * b;
    ExpectRect(painter.Whole(), {0, 0, w, h}, "whole");
    ExpectRect(painter.TitleRect(), {8, 8, 7 * d + 60, t}, "title");
    ExpectRect(painter.WeekdayRect(), {8, t + 13, 7 * d + 60, k}, "weekdays");
    ExpectRect(painter.GridRect(), {8, t + k + 18, 7 * d + 60, 6 * d + 25}, "grid");
    ExpectRect(painter.PrevYearButton(), {8, top, b, b}, "<<");
    ExpectRect(painter.PrevMonthButton(), {8 + 1.25f * b, top, b, b}, "<");
    ExpectRect(painter.NextMonthButton(), {w - 8 - 2.25f * b, top, b, b}, ">");
    ExpectRect(painter.NextYearButton(), {w - 8 - b, top, b, b}, ">>");
    ExpectRect(painter.CellRect(3, 2), {8 + 3 * (d + 10), t + k + 18 + 2 * (d + 5), d, d}, "cell 3,2");
    EXPECT_EQ(painter.GetSize().width, static_cast<int>(w));
    EXPECT_EQ(painter.GetSize().height, static_cast<int>(h));
}

TEST(PainterHitTest, ButtonsWinOverTheTitleEdgesAndGapsAreExcluded)
{
    DesignSettings settings;
    settings.MonthFont.Size = 20;
    settings.DayFont.Font.Size = 14;
    CalendarPainter painter(settings);
    painter.Layout();
    const RectF grid = painter.GridRect(), c = painter.CellRect(2, 3), b = painter.PrevYearButton();
    // The buttons lie inside the title line, so their hits show the order.
    ASSERT_TRUE(painter.TitleRect().Contains(b.x + b.width / 2, b.y + b.height / 2));
    const RectF nm = painter.NextMonthButton(), ny = painter.NextYearButton(), pm = painter.PrevMonthButton();
    const RectF rects[] = {nm, ny, pm, b, painter.TitleRect(), painter.WeekdayRect(), grid};
    const int areas[] = {AREA_NEXT_MONTH, AREA_NEXT_YEAR, AREA_PREV_MONTH, AREA_PREV_YEAR,
                         AREA_TITLE,      AREA_WEEKDAYS,  AREA_DAYS};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(painter.HitTest(Mid(rects[i].x, rects[i].width), Mid(rects[i].y, rects[i].height)), areas[i]) << i;

    const int gy = Mid(grid.y, grid.height), x = Mid(c.x, c.width), y = Mid(c.y, c.height);
    const int right = Ceil(c.Right()), bottom = Ceil(c.Bottom()), in = (3 << 16) | 2;
    const int gr = Ceil(grid.Right()), gb = Ceil(grid.Bottom());
    // Grid edges; the 10-px and 5-px gaps; right and bottom cell edges (cell -2: not checked).
    const struct {
        int x, y, area, cell;
    } points[] = {{8, gy, AREA_DAYS, -2},        {7, gy, AREA_NONE, -2},         {gr - 1, gy, AREA_DAYS, -2},
                  {gr, gy, AREA_NONE, -2},       {20, gb - 1, AREA_DAYS, -2},    {20, gb, AREA_NONE, -2},
                  {right + 2, y, AREA_DAYS, -1}, {x, bottom + 2, AREA_DAYS, -1}, {right - 1, y, AREA_DAYS, in},
                  {right, y, AREA_DAYS, -1},     {x, bottom - 1, AREA_DAYS, in}, {x, bottom, AREA_DAYS, -1}};
    for (const auto& p : points) {
        EXPECT_EQ(painter.HitTest(p.x, p.y), p.area) << p.x << "," << p.y;
        EXPECT_EQ(p.cell == -2 ? -2 : painter.CellAt(p.x, p.y), p.cell) << p.x << "," << p.y;
    }
}

TEST(Font, MissingFamilyFallsBackToGenericSansSerifAtSameSizeAndStyle)
{
    Gdiplus::GpFont* reference = nullptr;
    ASSERT_EQ(
        Gdiplus::DllExports::GdipCreateFont(gfx::FontFamily::GenericSansSerif(), 20, 1, Gdiplus::UnitPoint, &reference),
        Gdiplus::Ok);
    const RectF a = Measure(L"Wide text 00", gfx::Font(L"No Such Family Anywhere", 20, 1));
    ExpectRect(a, Measure(L"Wide text 00", gfx::Font(reference)), "fallback");
    // Another size measures differently, so the comparison above means something.
    EXPECT_LT(Measure(L"Wide text 00", gfx::Font(L"No Such Family Anywhere", 10, 1)).width, a.width);
}

TEST(LoadResourceBitmap, GivesTheEmbeddedPicture)
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(1, 1);
    ASSERT_TRUE(gfx::LoadResourceBitmap(bitmap));
    EXPECT_EQ(bitmap.Width() * 1000 + bitmap.Height(), 160095u);
}
