// The calendar painter: layout rectangles from measured text, hit testing order and edges, font
// fallback, the embedded picture; and what Paint puts into a 32-bit image: the background to every
// edge, disc and number colours by their precedence, the today ring, adjacent-month cells, the
// buttons and their highlight.
#include "RenderTestSupport.h"

#include <cmath>
#include <map>
#include <tuple>

using gfx::RectF;

namespace {

constexpr Argb kWhite = 0xFFFFFFFF, kRing = 0xFFC00000, kBlack = 0xFF000000, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;
constexpr Argb kDay = 0xFF102030, kMemo = 0xFF405060, kOther = 0xFF708090, kGreen = 0xFF00A000, kOlive = 0xFF808000;

int Ceil(float v) { return static_cast<int>(std::ceil(v)); }
int Mid(float from, float length) { return static_cast<int>(from + length / 2); }

struct Painted : DibSurface {
    Painted(const CalendarPainter& painter, const MonthModel& model, int hover)
    {
        PaintReference(*this, painter, model, hover);
    }
    std::uint32_t At(float x, float y) const { return Pixel(static_cast<int>(x), static_cast<int>(y)); }
};

} // namespace

TEST(PainterLayout, RectanglesFollowTheMeasuredTextAndHitsKeepTheirOrderEdgesAndGaps)
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
    EXPECT_EQ(painter.GetSize().width * 10000 + painter.GetSize().height, int(w) * 10000 + int(h));

    const RectF grid = painter.GridRect(), c = painter.CellRect(2, 3), py = painter.PrevYearButton();
    // The buttons lie inside the title line, so their hits show the order.
    ASSERT_TRUE(painter.TitleRect().Contains(py.x + py.width / 2, py.y + py.height / 2));
    const RectF nm = painter.NextMonthButton(), ny = painter.NextYearButton(), pm = painter.PrevMonthButton();
    const RectF rects[] = {nm, ny, pm, py, painter.TitleRect(), painter.WeekdayRect(), grid};
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

TEST(PainterPixels, BackgroundCoversTheFirstAndLastRowAndColumnWhateverFractionTheSizeHas)
{
    ShownMonth shown(2026, 12);
    DesignSettings design;
    design.Background.BackColor = kDay;
    CalendarPainter painter(design);
    for (const float size : {9.0f, 10.5f, 11.3f, 13.7f}) {
        design.DayFont.Font.Size = size;
        painter.Layout();
        const auto [w, h] = painter.GetSize();
        const Painted image(painter, shown.model, 0);
        int misses = 0;
        for (int x = 0; x < w; ++x)
            misses += (image.Pixel(x, 0) != kDay) + (image.Pixel(x, h - 1) != kDay);
        for (int y = 0; y < h; ++y)
            misses += (image.Pixel(0, y) != kDay) + (image.Pixel(w - 1, y) != kDay);
        EXPECT_EQ(misses, 0) << "day font " << size << ", " << w << " x " << h;
    }
}

TEST(PainterPixels, DiscNumberAndRingColoursByPrecedence)
{
    // First the discs alone (numbers invisible), then the numbers alone on white (discs invisible).
    DesignSettings settings;
    settings.Background.BackColor = kWhite;
    settings.DayFont = {{0, L"MS UI Gothic", 36, 1}, 0, 0, 0};
    settings.LNMonthFont = {{0, L"MS UI Gothic", 36, 1}, kOther};
    settings.DayBackColors = {kDay, kRing, kMemo};
    CalendarPainter painter(settings);
    ShownMonth january(2024, 1);
    const std::uint32_t all = DAY_MEMO | DAY_TODAY | DAY_MEMORIAL | DAY_HOLIDAY | DAY_SATURDAY;
    // Column, row, flags, disc colour, ring, number colour.
    const std::tuple<int, int, std::uint32_t, Argb, bool, Argb> cases[] = {
        {1, 2, 0, kDay, false, kBlack},
        {2, 2, DAY_MEMO | DAY_MEMORIAL | DAY_HOLIDAY | DAY_REST, kMemo, false, kGreen},
        {3, 2, DAY_TODAY | DAY_HOLIDAY, kDay, true, kRed},
        {4, 2, DAY_TODAY | DAY_MEMO, kMemo, true, kBlack},
        {0, 2, DAY_REST, kDay, false, kRed},
        {6, 2, DAY_SATURDAY | DAY_HOLIDAY, kDay, false, kRed},
        {6, 3, DAY_SATURDAY, kDay, false, kBlue},
        {0, 0, DAY_PREV_MONTH | all, kOther, false, kOlive},
        {6, 5, DAY_NEXT_MONTH | all, kOther, false, kOlive}};
    for (const auto& [column, row, flags, disc, ring, number] : cases)
        january.model.Cell(column, row).flags = flags;
    painter.Layout();
    const Painted discs(painter, january.model, 0);
    settings.DayFont = {{kBlack, L"MS UI Gothic", 36, 1}, kRed, kBlue, kGreen};
    settings.LNMonthFont = {{kOlive, L"MS UI Gothic", 36, 1}, 0};
    settings.DayBackColors = {0, 0, 0};
    painter.Layout();
    const Painted numbers(painter, january.model, 0);

    for (const auto& [column, row, flags, disc, ring, number] : cases) {
        const RectF cell = painter.CellRect(column, row);
        const RectF e{cell.x - 1, cell.y - 1, cell.width, cell.height}; // the disc
        EXPECT_EQ(discs.At(e.x + e.width / 2, e.y + e.height / 2), disc) << column << "," << row;
        EXPECT_EQ(discs.At(std::floor(e.x), e.y + e.height / 2) == kRing, ring) << column << "," << row;
        // The colour covering most of the cell apart from the background is the number's.
        std::map<std::uint32_t, int> histogram;
        for (int y = int(cell.y); y < int(cell.Bottom()); ++y)
            for (int x = int(cell.x); x < int(cell.Right()); ++x)
                ++histogram[numbers.Pixel(x, y)];
        histogram.erase(kWhite);
        const auto most = std::ranges::max_element(histogram, {}, [](const auto& p) { return p.second; });
        ASSERT_NE(most, histogram.end()) << column << "," << row;
        EXPECT_EQ(most->first, number) << column << "," << row;
        EXPECT_GT(most->second, 20) << column << "," << row;
    }
}

TEST(PainterPixels, ButtonsOnlyWithHoverAndTheHighlightShiftsLightness)
{
    for (const auto& [back, highlighted] : {std::pair{0xFF808080u, 0xFFC1C1C1u}, {0xFF818181u, 0xFF404040u}}) {
        DesignSettings settings;
        settings.MonthFont.Size = 28;
        settings.Background.BackColor = kWhite;
        settings.ButtonColors = {kBlack, back};
        CalendarPainter painter(settings);
        painter.Layout();
        ShownMonth january(2024, 1);
        const std::pair<RectF, int> buttons[] = {{painter.PrevYearButton(), AREA_PREV_YEAR},
                                                 {painter.PrevMonthButton(), AREA_PREV_MONTH},
                                                 {painter.NextMonthButton(), AREA_NEXT_MONTH},
                                                 {painter.NextYearButton(), AREA_NEXT_YEAR}};
        // Above the arrows, well inside the disc.
        auto discPoint = [](const Painted& image, const RectF& r) {
            return image.At(r.x + r.width / 2, r.y + r.height / 2 - 0.4f * r.width);
        };
        const Painted none(painter, january.model, 0);
        for (const auto& [r, area] : buttons)
            EXPECT_EQ(discPoint(none, r), kWhite);
        for (const auto& [_, hovered] : buttons) {
            const Painted image(painter, january.model, hovered);
            for (const auto& [r, area] : buttons) {
                EXPECT_EQ(discPoint(image, r), area == hovered ? highlighted : back) << "hover " << hovered;
                // The arrow (the single one, or the left one of a pair) is ButtonForColor.
                const bool pair = area == AREA_PREV_YEAR || area == AREA_NEXT_YEAR;
                EXPECT_EQ(image.At(r.x + r.width / 2 - (pair ? 0.175f * r.width : 0), r.y + r.height / 2), kBlack);
                // Arrow pixels away from the middle row lie towards the base: right of the rest for a left arrow.
                double all = 0, outer = 0;
                int n = 0, m = 0;
                for (int y = int(r.y); y < int(r.Bottom()); ++y)
                    for (int x = int(r.x); x < int(r.Right()); ++x)
                        if (image.Pixel(x, y) == kBlack) {
                            all += x, ++n;
                            if (std::abs(y - (r.y + r.height / 2)) > 0.1f * r.width)
                                outer += x, ++m;
                        }
                ASSERT_GT(m, 0);
                EXPECT_EQ(outer / m > all / n, area == AREA_PREV_YEAR || area == AREA_PREV_MONTH) << area;
                // Two arrows for a year, one for a month, in a row a little below the middle.
                int arrows = 0;
                const int row = int(r.y + r.height / 2 + 0.08f * r.width);
                for (int x = int(r.x); x < int(r.Right()); ++x)
                    arrows += image.Pixel(x, row) == kBlack && image.Pixel(x - 1, row) != kBlack;
                EXPECT_EQ(arrows, pair ? 2 : 1) << area;
            }
        }
    }
}

TEST(ColourSpace, ShiftLightness)
{
    // Lightness 128 -> 193 and 129 -> 64 are seen on the buttons above; here alpha and hues.
    const std::pair<Argb, Argb> cases[] = {{0x12808080, 0x12C1C1C1}, {0xFFFF0000, 0xFFFF8383}, {0xFF00FF00, 0xFF83FF83},
                                           {0xFF0000FF, 0xFF8383FF}, {0xFFDCDCDC, 0xFF9B9B9B}, {0xFF000000, 0xFF414141},
                                           {0xFFFFFFFF, 0xFFBEBEBE}, {0xFF3FBBF8, 0xFF0677B0}, {0xFFF2C744, 0xFFA8830C},
                                           {0xFFFF8040, 0xFFBE3F00}, {0xFF643296, 0xFFA578D2}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(ShiftLightness(in), out) << std::hex << in;
}

TEST(PainterPixels, EventDotsUnderTheNumberDrawnOverTheKeptDaysOfAFrame)
{
    ShownMonth shown(2026, 3); // 1 March is a Sunday: the 10th stands in column 2 of row 1
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    CalendarFrame frame;
    const DibSurface* surface = frame.Compose(painter, shown.model, 0);
    ASSERT_NE(surface, nullptr);
    const auto pixels = [&] {
        std::vector<std::uint32_t> all;
        for (int y = 0; y < surface->Height(); ++y)
            all.insert(all.end(), surface->Row(y), surface->Row(y) + surface->Width());
        return all;
    };
    const std::vector<std::uint32_t> before = pixels();
    MonthDots dots{2026, 3, {}};
    dots.days[10] = {{kBlue, kRed}, 2};
    painter.SetMonthDots(&dots);
    surface = frame.Compose(painter, shown.model, 0);
    EXPECT_EQ(frame.LastCompose(), CalendarFrame::Kind::Month);
    EXPECT_EQ(frame.LastDaysDrawn(), 0);
    const RectF cell = painter.CellRect(2, 1);
    std::map<std::uint32_t, int> inCell;
    int changedElsewhere = 0;
    for (int y = 0; y < surface->Height(); ++y)
        for (int x = 0; x < surface->Width(); ++x) {
            const bool inside = x >= cell.x - 2 && x < cell.Right() + 2 && y >= cell.y - 2 && y < cell.Bottom() + 2;
            if (inside && y > cell.y + cell.height / 2) // under the number
                ++inCell[surface->Pixel(x, y)];
            changedElsewhere += !inside && surface->Pixel(x, y) != before[std::size_t(y * surface->Width() + x)];
        }
    EXPECT_GT(inCell[kBlue], 3);
    EXPECT_GT(inCell[kRed], 3);
    EXPECT_EQ(changedElsewhere, 0);
    dots.year = 2025; // dots of another month show nowhere
    frame.Invalidate();
    surface = frame.Compose(painter, shown.model, 0);
    EXPECT_TRUE(pixels() == before);
}
