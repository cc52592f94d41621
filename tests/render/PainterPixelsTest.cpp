// What Paint puts into a 32-bit image: disc and number colours by their precedence,
// the today ring, adjacent-month cells, the buttons and their highlight.
#include "RenderTestSupport.h"

#include <cmath>
#include <map>

using gfx::RectF;

namespace {

constexpr Argb kWhite = 0xFFFFFFFF, kRing = 0xFFC00000;

struct Painted {
    DibSurface surface;
    Painted(const CalendarPainter& painter, const MonthModel& model, int hover)
    {
        PaintReference(surface, painter, model, hover);
    }
    std::uint32_t At(float x, float y) const { return surface.Pixel(static_cast<int>(x), static_cast<int>(y)); }
};

// Distinct colours throughout.
DesignSettings OpaqueDesign()
{
    DesignSettings s;
    s.Background.BackColor = kWhite;
    s.DayBackColors = {.DayBackColor = 0xFF102030, .TodayBackColor = kRing, .MemodayBackColor = 0xFF405060};
    s.LNMonthFont.LNMonthFontBackColor = 0xFF708090;
    s.ButtonColors.ButtonBackColor = 0xFF808080;
    s.ButtonColors.ButtonForColor = 0xFF000000;
    s.DayFont.Font.Color = 0xFF000000;
    s.DayFont.SunFontColor = 0xFFFF0000;
    s.DayFont.SatFontColor = 0xFF0000FF;
    s.DayFont.MemorialdayFontColor = 0xFF00A000;
    s.LNMonthFont.Font.Color = 0xFF808000;
    return s;
}

} // namespace

TEST(PainterPixels, DiscNumberAndRingColoursByPrecedence)
{
    DesignSettings settings = OpaqueDesign();
    settings.DayFont.Font.Size = settings.LNMonthFont.Font.Size = 36;
    settings.DayFont.Font.Style = settings.LNMonthFont.Font.Style = 1;
    CalendarPainter painter(settings);
    ShownMonth january(2024, 1);
    constexpr Argb kDay = 0xFF102030, kMemo = 0xFF405060, kOther = 0xFF708090, kBlack = 0xFF000000, kRed = 0xFFFF0000;
    const std::uint32_t all = DAY_MEMO | DAY_TODAY | DAY_MEMORIAL | DAY_HOLIDAY | DAY_SATURDAY;
    const struct {
        int column, row;
        std::uint32_t flags;
        Argb disc;
        bool ring;
        Argb number;
    } cases[] = {
        {1, 2, 0, kDay, false, kBlack},
        {2, 2, DAY_MEMO | DAY_MEMORIAL | DAY_HOLIDAY | DAY_REST, kMemo, false, 0xFF00A000},
        {3, 2, DAY_TODAY | DAY_HOLIDAY, kDay, true, kRed},
        {4, 2, DAY_TODAY | DAY_MEMO, kMemo, true, kBlack},
        {0, 2, DAY_REST, kDay, false, kRed},
        {6, 2, DAY_SATURDAY | DAY_HOLIDAY, kDay, false, kRed},
        {6, 3, DAY_SATURDAY, kDay, false, 0xFF0000FF},
        {0, 0, DAY_PREV_MONTH | all, kOther, false, 0xFF808000},
        {6, 5, DAY_NEXT_MONTH | all, kOther, false, 0xFF808000},
    };
    for (const auto& c : cases)
        january.model.Cell(c.column, c.row).flags = c.flags;
    const DesignSettings opaque = settings;
    // Numbers invisible: the disc points show the disc alone.
    settings.DayFont.Font.Color = settings.DayFont.SunFontColor = settings.DayFont.SatFontColor = 0;
    settings.DayFont.MemorialdayFontColor = settings.LNMonthFont.Font.Color = 0;
    painter.Layout();
    const Painted discs(painter, january.model, 0);
    // Discs and ring transparent: only the numbers land on the white background.
    settings = opaque;
    settings.DayBackColors = {0, 0, 0};
    settings.LNMonthFont.LNMonthFontBackColor = 0;
    painter.Layout();
    const Painted numbers(painter, january.model, 0);

    for (const auto& c : cases) {
        const RectF cell = painter.CellRect(c.column, c.row);
        const RectF e{cell.x - 1, cell.y - 1, cell.width, cell.height}; // the disc
        EXPECT_EQ(discs.At(e.x + e.width / 2, e.y + e.height / 2), c.disc) << c.column << "," << c.row;
        EXPECT_EQ(discs.At(e.x + e.width * 0.3f, e.y + e.height * 0.7f), c.disc) << c.column << "," << c.row;
        // Leftmost and topmost points of the outline.
        EXPECT_EQ(discs.At(std::floor(e.x), e.y + e.height / 2) == kRing, c.ring) << c.column << "," << c.row;
        EXPECT_EQ(discs.At(e.x + e.width / 2, std::floor(e.y)) == kRing, c.ring) << c.column << "," << c.row;

        // The colour covering most of the cell apart from the background is the number's.
        std::map<std::uint32_t, int> histogram;
        for (int y = static_cast<int>(cell.y); y < static_cast<int>(cell.Bottom()); ++y)
            for (int x = static_cast<int>(cell.x); x < static_cast<int>(cell.Right()); ++x)
                if (const std::uint32_t p = numbers.surface.Pixel(x, y); p != kWhite)
                    ++histogram[p];
        const auto most = std::max_element(histogram.begin(), histogram.end(),
                                           [](const auto& a, const auto& b) { return a.second < b.second; });
        ASSERT_NE(most, histogram.end()) << c.column << "," << c.row;
        EXPECT_EQ(most->first, c.number) << c.column << "," << c.row;
        EXPECT_GT(most->second, 20) << c.column << "," << c.row;
    }
    const RectF a = painter.CellRect(1, 2);
    EXPECT_EQ(discs.At(a.Right() + 5, a.y + a.height / 2), kWhite);
}

TEST(PainterPixels, ButtonsOnlyWithHoverAndTheHighlightShiftsLightness)
{
    const std::pair<Argb, Argb> colours[] = {{0xFF808080, 0xFFC1C1C1}, {0xFF818181, 0xFF404040}};
    for (const auto& [back, highlighted] : colours) {
        DesignSettings settings = OpaqueDesign();
        settings.MonthFont.Size = 28;
        settings.ButtonColors.ButtonBackColor = back;
        CalendarPainter painter(settings);
        painter.Layout();
        ShownMonth january(2024, 1);
        const struct {
            RectF rect;
            int area;
            bool single;
        } buttons[] = {{painter.PrevYearButton(), AREA_PREV_YEAR, false},
                       {painter.PrevMonthButton(), AREA_PREV_MONTH, true},
                       {painter.NextMonthButton(), AREA_NEXT_MONTH, true},
                       {painter.NextYearButton(), AREA_NEXT_YEAR, false}};
        // Above the arrows, well inside the disc.
        auto discPoint = [](const Painted& image, const RectF& r) {
            return image.At(r.x + r.width / 2, r.y + r.height / 2 - 0.4f * r.width);
        };
        const Painted none(painter, january.model, 0);
        for (const auto& b : buttons)
            EXPECT_EQ(discPoint(none, b.rect), kWhite);
        for (const auto& hovered : buttons) {
            const Painted image(painter, january.model, hovered.area);
            for (const auto& b : buttons) {
                EXPECT_EQ(discPoint(image, b.rect), b.area == hovered.area ? highlighted : back)
                    << "hover " << hovered.area;
                // The arrow (the single one, or the left one of a pair) is ButtonForColor.
                const float ax = b.rect.x + b.rect.width / 2 - (b.single ? 0 : 0.175f * b.rect.width);
                EXPECT_EQ(image.At(ax, b.rect.y + b.rect.height / 2), 0xFF000000u);
            }
        }
    }
}

TEST(ColourSpace, ShiftLightness)
{
    const struct {
        Argb in, out;
    } cases[] = {
        {0xFF808080, 0xFFC1C1C1}, // lightness 128 -> 193
        {0xFF818181, 0xFF404040}, // lightness 129 -> 64
        {0x12808080, 0x12C1C1C1}, // alpha kept
        {0xFFFF0000, 0xFFFF8383}, {0xFF00FF00, 0xFF83FF83}, {0xFF0000FF, 0xFF8383FF}, {0xFFDCDCDC, 0xFF9B9B9B},
        {0xFF000000, 0xFF414141}, {0xFFFFFFFF, 0xFFBEBEBE}, {0xFF3FBBF8, 0xFF0677B0}, {0xFFF2C744, 0xFFA8830C},
        {0xFFFF8040, 0xFFBE3F00}, {0xFF643296, 0xFFA578D2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShiftLightness(c.in), c.out) << std::hex << c.in;
}
