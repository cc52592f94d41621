// Layout rectangles from measured text, hit testing order and edges, cells and gaps.
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

    // Measured independently: "00" wide in the day font, "WW" high in the others.
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

TEST(PainterLayout, OnlyTheDayFontSizeMovesCellsPitchAndSize)
{
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    const RectF title = painter.TitleRect(), weekdays = painter.WeekdayRect(), whole = painter.Whole();
    const float cell = painter.CellWidth();

    settings.DayFont.Font.Size *= 2;
    painter.Layout();
    const float grown = painter.CellWidth();
    ASSERT_GT(grown, cell + 1);
    EXPECT_FLOAT_EQ(painter.CellHeight(), grown);
    EXPECT_NEAR(painter.CellRect(1, 1).x - painter.CellRect(0, 1).x, grown + 10, 1e-3);
    EXPECT_NEAR(painter.CellRect(0, 2).y - painter.CellRect(0, 1).y, grown + 5, 1e-3);
    EXPECT_NEAR(painter.Whole().width - whole.width, 7 * (grown - cell), 1e-3);
    EXPECT_NEAR(painter.Whole().height - whole.height, 6 * (grown - cell), 1e-3);
    EXPECT_FLOAT_EQ(painter.TitleRect().height, title.height);
    EXPECT_FLOAT_EQ(painter.WeekdayRect().y, weekdays.y);
    EXPECT_FLOAT_EQ(painter.WeekdayRect().height, weekdays.height);
}

TEST(PainterHitTest, ButtonsWinOverTheTitleAndEdgesAreExcluded)
{
    DesignSettings settings;
    settings.MonthFont.Size = 20;
    CalendarPainter painter(settings);
    painter.Layout();
    const std::pair<RectF, int> cases[] = {
        {painter.NextMonthButton(), AREA_NEXT_MONTH},
        {painter.NextYearButton(), AREA_NEXT_YEAR},
        {painter.PrevMonthButton(), AREA_PREV_MONTH},
        {painter.PrevYearButton(), AREA_PREV_YEAR},
        {painter.TitleRect(), AREA_TITLE},
        {painter.WeekdayRect(), AREA_WEEKDAYS},
        {painter.GridRect(), AREA_DAYS},
    };
    for (const auto& [r, area] : cases)
        EXPECT_EQ(painter.HitTest(Mid(r.x, r.width), Mid(r.y, r.height)), area) << area;
    // The buttons lie inside the title line.
    const RectF b = painter.PrevYearButton();
    EXPECT_TRUE(painter.TitleRect().Contains(b.x + b.width / 2, b.y + b.height / 2));

    const RectF grid = painter.GridRect();
    const int midY = Mid(grid.y, grid.height);
    EXPECT_EQ(painter.HitTest(8, midY), AREA_DAYS);
    EXPECT_EQ(painter.HitTest(7, midY), AREA_NONE);
    EXPECT_EQ(painter.HitTest(Ceil(grid.Right()) - 1, midY), AREA_DAYS);
    EXPECT_EQ(painter.HitTest(Ceil(grid.Right()), midY), AREA_NONE);
    EXPECT_EQ(painter.HitTest(20, Ceil(grid.Bottom()) - 1), AREA_DAYS);
    EXPECT_EQ(painter.HitTest(20, Ceil(grid.Bottom())), AREA_NONE);
}

TEST(PainterCellAt, CellsGapsAndEdges)
{
    DesignSettings settings;
    settings.DayFont.Font.Size = 14;
    CalendarPainter painter(settings);
    painter.Layout();
    const RectF c = painter.CellRect(2, 3);
    const int midX = Mid(c.x, c.width), midY = Mid(c.y, c.height), right = Ceil(c.Right()), bottom = Ceil(c.Bottom());
    // In the 10-pixel column gap and the 5-pixel row gap: inside the grid, in no cell.
    EXPECT_EQ(painter.HitTest(right + 2, midY), AREA_DAYS);
    EXPECT_EQ(painter.CellAt(right + 2, midY), -1);
    EXPECT_EQ(painter.HitTest(midX, bottom + 2), AREA_DAYS);
    EXPECT_EQ(painter.CellAt(midX, bottom + 2), -1);
    // Right and bottom edges belong to the gap.
    EXPECT_EQ(painter.CellAt(right - 1, midY), (3 << 16) | 2);
    EXPECT_EQ(painter.CellAt(right, midY), -1);
    EXPECT_EQ(painter.CellAt(midX, bottom - 1), (3 << 16) | 2);
    EXPECT_EQ(painter.CellAt(midX, bottom), -1);
}
