// Layout rectangles from measured text, hit testing order and edges, cells and gaps.
#include "render/CalendarPainter.h"

#include <cmath>
#include <gtest/gtest.h>

using gfx::PointF;
using gfx::RectF;

namespace {

struct Measured {
    float d = 0, t = 0, k = 0;
};

// Measures like the layout does, independently: "00" wide in the day font, "WW" high in the others.
Measured MeasureFonts(const DesignSettings& s)
{
    Measured m;
    HDC screen = GetDC(nullptr);
    {
        gfx::Graphics graphics = gfx::Graphics::FromHdc(screen);
        const gfx::Font day(s.DayFont.Font.Name, s.DayFont.Font.Size, s.DayFont.Font.Style);
        const gfx::Font month(s.MonthFont.Name, s.MonthFont.Size, s.MonthFont.Style);
        const gfx::Font week(s.WeekFont.Name, s.WeekFont.Size, s.WeekFont.Style);
        m.d = graphics.MeasureString(L"00", day, PointF{}).width;
        m.t = graphics.MeasureString(L"WW", month, PointF{}).height;
        m.k = graphics.MeasureString(L"WW", week, PointF{}).height;
    }
    ReleaseDC(nullptr, screen);
    return m;
}

void ExpectRect(const RectF& r, float x, float y, float w, float h, const char* name)
{
    EXPECT_NEAR(r.x, x, 1e-3) << name;
    EXPECT_NEAR(r.y, y, 1e-3) << name;
    EXPECT_NEAR(r.width, w, 1e-3) << name;
    EXPECT_NEAR(r.height, h, 1e-3) << name;
}

int Ceil(float v) { return static_cast<int>(std::ceil(v)); }

} // namespace

TEST(PainterLayout, RectanglesFollowTheMeasuredText)
{
    DesignSettings settings;
    settings.MonthFont.Size = 14;
    settings.WeekFont.Size = 8;
    settings.DayFont.Font.Size = 12;
    CalendarPainter painter(settings);
    painter.Layout();

    const Measured m = MeasureFonts(settings);
    ASSERT_GT(m.d, 0);
    ASSERT_GT(m.t, 0);
    ASSERT_GT(m.k, 0);
    const float w = 7 * m.d + 76;
    const float h = 6 * m.d + m.t + m.k + 53;
    const float b = 0.8f * m.t;
    const float top = 8 + 0.5f * m.t - 0.5f * b;

    ExpectRect(painter.Whole(), 0, 0, w, h, "whole");
    ExpectRect(painter.TitleRect(), 8, 8, 7 * m.d + 60, m.t, "title");
    ExpectRect(painter.WeekdayRect(), 8, m.t + 13, 7 * m.d + 60, m.k, "weekdays");
    ExpectRect(painter.GridRect(), 8, m.t + m.k + 18, 7 * m.d + 60, 6 * m.d + 25, "grid");
    ExpectRect(painter.PrevYearButton(), 8, top, b, b, "<<");
    ExpectRect(painter.PrevMonthButton(), 8 + 1.25f * b, top, b, b, "<");
    ExpectRect(painter.NextMonthButton(), w - 8 - 2.25f * b, top, b, b, ">");
    ExpectRect(painter.NextYearButton(), w - 8 - b, top, b, b, ">>");
    EXPECT_NEAR(painter.CellWidth(), m.d, 1e-3);
    EXPECT_NEAR(painter.CellHeight(), m.d, 1e-3);
    EXPECT_NEAR(painter.GridX(), 8, 1e-3);
    EXPECT_NEAR(painter.GridY(), m.t + m.k + 18, 1e-3);
    ExpectRect(painter.CellRect(3, 2), 8 + 3 * (m.d + 10), m.t + m.k + 18 + 2 * (m.d + 5), m.d, m.d, "cell 3,2");

    const PixelSize size = painter.GetSize();
    EXPECT_EQ(size.width, static_cast<int>(w));
    EXPECT_EQ(size.height, static_cast<int>(h));
}

TEST(PainterLayout, OnlyTheDayFontSizeMovesCellsPitchAndSize)
{
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    const RectF title = painter.TitleRect();
    const RectF weekdays = painter.WeekdayRect();
    const float cell = painter.CellWidth();
    const float pitch = painter.CellRect(1, 1).x - painter.CellRect(0, 1).x;
    const RectF whole = painter.Whole();

    settings.DayFont.Font.Size *= 2;
    painter.Layout();
    const float grown = painter.CellWidth();
    ASSERT_GT(grown, cell + 1);
    EXPECT_FLOAT_EQ(painter.CellHeight(), grown); // cells stay square
    EXPECT_NEAR(painter.CellRect(1, 1).x - painter.CellRect(0, 1).x, grown + 10, 1e-3);
    EXPECT_NEAR(painter.CellRect(0, 2).y - painter.CellRect(0, 1).y, grown + 5, 1e-3);
    EXPECT_NEAR(pitch, cell + 10, 1e-3);
    EXPECT_NEAR(painter.Whole().width - whole.width, 7 * (grown - cell), 1e-3);
    EXPECT_NEAR(painter.Whole().height - whole.height, 6 * (grown - cell), 1e-3);
    // Title line and weekday row keep their heights and places.
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

    auto centre = [](const RectF& r) {
        return std::pair{static_cast<int>(r.x + r.width / 2), static_cast<int>(r.y + r.height / 2)};
    };
    struct Case {
        RectF rect;
        int area;
    } cases[] = {
        {painter.NextMonthButton(), AREA_NEXT_MONTH}, {painter.NextYearButton(), AREA_NEXT_YEAR},
        {painter.PrevMonthButton(), AREA_PREV_MONTH}, {painter.PrevYearButton(), AREA_PREV_YEAR},
        {painter.WeekdayRect(), AREA_WEEKDAYS},       {painter.GridRect(), AREA_DAYS},
    };
    for (const Case& c : cases) {
        const auto [x, y] = centre(c.rect);
        EXPECT_EQ(painter.HitTest(x, y), c.area);
    }
    // The buttons lie inside the title line; the line between them is the title.
    const auto [tx, ty] = centre(painter.TitleRect());
    EXPECT_EQ(painter.HitTest(tx, ty), AREA_TITLE);
    EXPECT_TRUE(
        painter.TitleRect().Contains(centre(painter.PrevYearButton()).first, centre(painter.PrevYearButton()).second));

    const RectF grid = painter.GridRect();
    const int midY = static_cast<int>(grid.y + grid.height / 2);
    EXPECT_EQ(painter.HitTest(8, midY), AREA_DAYS); // left edge is inside
    EXPECT_EQ(painter.HitTest(7, midY), AREA_NONE); // margin
    EXPECT_EQ(painter.HitTest(Ceil(grid.Right()) - 1, midY), AREA_DAYS);
    EXPECT_EQ(painter.HitTest(Ceil(grid.Right()), midY), AREA_NONE); // right edge and beyond
    EXPECT_EQ(painter.HitTest(20, Ceil(grid.Bottom()) - 1), AREA_DAYS);
    EXPECT_EQ(painter.HitTest(20, Ceil(grid.Bottom())), AREA_NONE);
    // Gap between weekday row and grid.
    EXPECT_EQ(painter.HitTest(20, Ceil(painter.WeekdayRect().Bottom()) + 1), AREA_NONE);
}

TEST(PainterCellAt, CellsGapsAndEdges)
{
    DesignSettings settings;
    settings.DayFont.Font.Size = 14;
    CalendarPainter painter(settings);
    painter.Layout();

    for (int column = 0; column < 7; ++column) {
        for (int row = 0; row < 6; ++row) {
            const RectF cell = painter.CellRect(column, row);
            EXPECT_EQ(
                painter.CellAt(static_cast<int>(cell.x + cell.width / 2), static_cast<int>(cell.y + cell.height / 2)),
                (row << 16) | column);
        }
    }
    const RectF first = painter.CellRect(2, 3);
    const int midX = static_cast<int>(first.x + first.width / 2);
    const int midY = static_cast<int>(first.y + first.height / 2);
    // 10-pixel gap between columns, 5-pixel gap between rows: inside the grid but in no cell.
    const int gapX = Ceil(first.Right()) + 2;
    const int gapY = Ceil(first.Bottom()) + 2;
    EXPECT_EQ(painter.HitTest(gapX, midY), AREA_DAYS);
    EXPECT_EQ(painter.CellAt(gapX, midY), -1);
    EXPECT_EQ(painter.HitTest(midX, gapY), AREA_DAYS);
    EXPECT_EQ(painter.CellAt(midX, gapY), -1);
    // Right and bottom edges belong to the gap.
    EXPECT_EQ(painter.CellAt(Ceil(first.Right()) - 1, midY), (3 << 16) | 2);
    EXPECT_EQ(painter.CellAt(Ceil(first.Right()), midY), -1);
    EXPECT_EQ(painter.CellAt(midX, Ceil(first.Bottom()) - 1), (3 << 16) | 2);
    EXPECT_EQ(painter.CellAt(midX, Ceil(first.Bottom())), -1);
    // Outside the grid.
    EXPECT_EQ(painter.CellAt(2, 2), -1);
}
