// What Paint puts into a 32-bit image: disc and number colours by their precedence,
// the today ring, adjacent-month cells, the buttons and their highlight.
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

using gfx::RectF;

namespace {

using namespace std::chrono;

constexpr Argb kWhite = 0xFFFFFFFF;

// January 2024 (starts on a Monday), with a clock far away so that no cell is today.
struct JanuaryModel {
    TempDir dir;
    MonthModel model{dir.WithSlash()};
    JanuaryModel()
    {
        model.SetClock([] { return year_month_day{year{2000}, month{6}, day{15}}; });
        model.Show(2024, 1);
    }
};

struct Painted {
    DibSurface surface;
    Painted(const CalendarPainter& painter, const MonthModel& model, int hover)
    {
        const PixelSize size = painter.GetSize();
        EXPECT_TRUE(surface.Create(size.width, size.height));
        painter.Paint(model, surface.Dc(), hover);
        GdiFlush();
    }
    std::uint32_t At(float x, float y) const { return surface.Pixel(static_cast<int>(x), static_cast<int>(y)); }
};

RectF Disc(const CalendarPainter& painter, int column, int row)
{
    const RectF r = painter.CellRect(column, row);
    return RectF{r.x - 1, r.y - 1, r.width, r.height};
}

// The colour that covers most of the cell apart from the background: the number's own colour.
std::uint32_t NumberColour(const Painted& image, const RectF& cell, int* count)
{
    std::map<std::uint32_t, int> histogram;
    for (int y = static_cast<int>(cell.y); y < static_cast<int>(cell.Bottom()); ++y)
        for (int x = static_cast<int>(cell.x); x < static_cast<int>(cell.Right()); ++x)
            if (const std::uint32_t p = image.surface.Pixel(x, y); p != kWhite)
                ++histogram[p];
    std::uint32_t best = 0;
    int most = 0;
    for (const auto& [colour, n] : histogram) {
        if (n > most) {
            most = n;
            best = colour;
        }
    }
    *count = most;
    return best;
}

DesignSettings OpaqueDesign()
{
    DesignSettings s;
    s.Background.BackColor = kWhite;
    s.DayBackColors.DayBackColor = 0xFF102030;
    s.DayBackColors.MemodayBackColor = 0xFF405060;
    s.DayBackColors.TodayBackColor = 0xFFC00000;
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

TEST(PainterPixels, DiscColoursAndTodayRing)
{
    DesignSettings settings = OpaqueDesign();
    // Numbers invisible, so every disc point shows the disc alone.
    settings.DayFont.Font.Color = settings.DayFont.SunFontColor = settings.DayFont.SatFontColor = 0;
    settings.DayFont.MemorialdayFontColor = settings.LNMonthFont.Font.Color = 0;
    settings.DayFont.Font.Size = 24;
    CalendarPainter painter(settings);
    painter.Layout();

    JanuaryModel january;
    MonthModel& model = january.model;
    const std::uint32_t everything = DAY_MEMO | DAY_TODAY | DAY_MEMORIAL | DAY_HOLIDAY;
    struct Case {
        int column, row;
        std::uint32_t flags;
        Argb disc;
        bool ring;
    } cases[] = {
        {1, 2, 0, 0xFF102030, false},
        {2, 2, DAY_MEMO, 0xFF405060, false},
        {3, 2, DAY_TODAY, 0xFF102030, true},
        {4, 2, DAY_TODAY | DAY_MEMO, 0xFF405060, true},
        {0, 0, DAY_PREV_MONTH | everything, 0xFF708090, false},
        {6, 5, DAY_NEXT_MONTH | everything, 0xFF708090, false},
    };
    for (const Case& c : cases)
        model.Cell(c.column, c.row).flags = c.flags;

    const Painted image(painter, model, 0);
    for (const Case& c : cases) {
        const RectF e = Disc(painter, c.column, c.row);
        EXPECT_EQ(image.At(e.x + e.width / 2, e.y + e.height / 2), c.disc) << c.column << "," << c.row;
        EXPECT_EQ(image.At(e.x + e.width * 0.3f, e.y + e.height * 0.7f), c.disc) << c.column << "," << c.row;
        // Leftmost and topmost points of the outline.
        const std::uint32_t left = image.At(std::floor(e.x), e.y + e.height / 2);
        const std::uint32_t top = image.At(e.x + e.width / 2, std::floor(e.y));
        if (c.ring) {
            EXPECT_EQ(left, 0xFFC00000u) << c.column << "," << c.row;
            EXPECT_EQ(top, 0xFFC00000u) << c.column << "," << c.row;
        } else {
            EXPECT_NE(left, 0xFFC00000u) << c.column << "," << c.row;
            EXPECT_NE(top, 0xFFC00000u) << c.column << "," << c.row;
        }
    }
    // Between discs only the background colour.
    const RectF a = painter.CellRect(1, 2);
    EXPECT_EQ(image.At(a.Right() + 5, a.y + a.height / 2), kWhite);
}

TEST(PainterPixels, NumberColourPrecedence)
{
    DesignSettings settings = OpaqueDesign();
    // Transparent discs and ring: only the number lands on the white background.
    settings.DayBackColors.DayBackColor = settings.DayBackColors.MemodayBackColor = 0;
    settings.DayBackColors.TodayBackColor = settings.LNMonthFont.LNMonthFontBackColor = 0;
    settings.DayFont.Font.Size = 36;
    settings.DayFont.Font.Style = 1;
    settings.LNMonthFont.Font.Size = 36;
    settings.LNMonthFont.Font.Style = 1;
    CalendarPainter painter(settings);
    painter.Layout();

    JanuaryModel january;
    MonthModel& model = january.model;
    struct Case {
        int column, row;
        std::uint32_t flags;
        Argb number;
    } cases[] = {
        {1, 2, 0, 0xFF000000},
        {2, 2, DAY_MEMORIAL | DAY_HOLIDAY | DAY_REST, 0xFF00A000},
        {3, 2, DAY_HOLIDAY, 0xFFFF0000},
        {0, 2, DAY_REST, 0xFFFF0000},
        {6, 2, DAY_SATURDAY | DAY_HOLIDAY, 0xFFFF0000},
        {6, 3, DAY_SATURDAY, 0xFF0000FF},
        {4, 2, DAY_MEMO | DAY_TODAY, 0xFF000000},
        {0, 0, DAY_PREV_MONTH | DAY_MEMORIAL | DAY_HOLIDAY | DAY_TODAY, 0xFF808000},
        {6, 5, DAY_NEXT_MONTH | DAY_SATURDAY, 0xFF808000},
    };
    for (const Case& c : cases)
        model.Cell(c.column, c.row).flags = c.flags;

    const Painted image(painter, model, 0);
    for (const Case& c : cases) {
        int count = 0;
        EXPECT_EQ(NumberColour(image, painter.CellRect(c.column, c.row), &count), c.number) << c.column << "," << c.row;
        EXPECT_GT(count, 20) << c.column << "," << c.row;
    }
}

namespace {

struct ButtonProbe {
    RectF rect;
    int area;
    bool single;
};

std::uint32_t DiscPoint(const Painted& image, const RectF& r)
{
    // Above the arrows, well inside the disc.
    return image.At(r.x + r.width / 2, r.y + r.height / 2 - 0.4f * r.width);
}

} // namespace

TEST(PainterPixels, ButtonsOnlyWithHoverAndTheHighlightShiftsLightness)
{
    struct Case {
        Argb back;
        Argb highlighted;
    } colours[] = {{0xFF808080, 0xFFC1C1C1}, {0xFF818181, 0xFF404040}, {0x80DCDCDC, 0x809B9B9B}};
    for (const Case& colour : colours) {
        DesignSettings settings = OpaqueDesign();
        settings.MonthFont.Size = 28;
        settings.ButtonColors.ButtonBackColor = colour.back;
        CalendarPainter painter(settings);
        painter.Layout();
        JanuaryModel january;
        const ButtonProbe buttons[] = {
            {painter.PrevYearButton(), AREA_PREV_YEAR, false},
            {painter.PrevMonthButton(), AREA_PREV_MONTH, true},
            {painter.NextMonthButton(), AREA_NEXT_MONTH, true},
            {painter.NextYearButton(), AREA_NEXT_YEAR, false},
        };

        const Painted none(painter, january.model, 0);
        for (const ButtonProbe& b : buttons) {
            EXPECT_EQ(DiscPoint(none, b.rect), kWhite);
            EXPECT_EQ(none.At(b.rect.x + b.rect.width / 2, b.rect.y + b.rect.height / 2), kWhite);
        }

        for (const ButtonProbe& hovered : buttons) {
            const Painted image(painter, january.model, hovered.area);
            for (const ButtonProbe& b : buttons) {
                const Argb disc = b.area == hovered.area ? colour.highlighted : colour.back;
                // A translucent disc over opaque white reads back premultiplied and opaque.
                const std::uint32_t a = disc >> 24;
                auto over = [&](int shift) {
                    const std::uint32_t c = (disc >> shift) & 0xFF;
                    return (c * a + 255 * (255 - a) + 127) / 255;
                };
                const std::uint32_t expected = 0xFF000000u | (over(16) << 16) | (over(8) << 8) | over(0);
                const std::uint32_t got = DiscPoint(image, b.rect);
                for (int shift : {24, 16, 8, 0})
                    EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF), static_cast<int>((expected >> shift) & 0xFF),
                                1)
                        << std::hex << got << " vs " << expected << " hover " << std::dec << hovered.area;
                // The arrow (centroid of the single arrow, of the left one of a pair) is ButtonForColor.
                const float d = 0.35f * b.rect.width;
                const float ax = b.rect.x + b.rect.width / 2 - (b.single ? 0 : 0.5f * d);
                EXPECT_EQ(image.At(ax, b.rect.y + b.rect.height / 2), 0xFF000000u);
            }
        }
    }
}

TEST(ColourSpace, ShiftLightnessAtTheTurningPoint)
{
    EXPECT_EQ(RgbToHls(128, 128, 128).l, 128);
    EXPECT_EQ(ShiftLightness(0xFF808080), 0xFFC1C1C1u); // 128 -> 193
    EXPECT_EQ(RgbToHls(129, 129, 129).l, 129);
    EXPECT_EQ(ShiftLightness(0xFF818181), 0xFF404040u); // 129 -> 64
    EXPECT_EQ(ShiftLightness(0x12808080), 0x12C1C1C1u); // alpha kept
}

TEST(ColourSpace, ConversionTable)
{
    struct Case {
        Rgb rgb;
        Hls hls;
        Rgb back;
        Rgb shifted;
    } cases[] = {
        {{255, 0, 0}, {0, 128, 255}, {255, 1, 1}, {255, 131, 131}},
        {{0, 255, 0}, {85, 128, 255}, {1, 255, 1}, {131, 255, 131}},
        {{0, 0, 255}, {170, 128, 255}, {1, 1, 255}, {131, 131, 255}},
        {{220, 220, 220}, {170, 220, 0}, {220, 220, 220}, {155, 155, 155}},
        {{0, 0, 0}, {170, 0, 0}, {0, 0, 0}, {65, 65, 65}},
        {{255, 255, 255}, {170, 255, 0}, {255, 255, 255}, {190, 190, 190}},
        {{63, 187, 248}, {142, 156, 237}, {64, 187, 248}, {6, 119, 176}},
        {{242, 199, 68}, {32, 155, 222}, {242, 201, 68}, {168, 131, 12}},
        {{255, 128, 64}, {14, 160, 255}, {255, 128, 65}, {190, 63, 0}},
        {{100, 50, 150}, {191, 100, 128}, {100, 50, 150}, {165, 120, 210}},
    };
    for (const Case& c : cases) {
        const Hls hls = RgbToHls(c.rgb.r, c.rgb.g, c.rgb.b);
        EXPECT_EQ(hls, c.hls) << c.rgb.r << "," << c.rgb.g << "," << c.rgb.b;
        EXPECT_EQ(HlsToRgb(hls.h, hls.l, hls.s), c.back) << c.rgb.r << "," << c.rgb.g << "," << c.rgb.b;
        const Argb shifted = ShiftLightness(0xFF000000u | (c.rgb.r << 16) | (c.rgb.g << 8) | c.rgb.b);
        EXPECT_EQ((Rgb{static_cast<int>((shifted >> 16) & 0xFF), static_cast<int>((shifted >> 8) & 0xFF),
                       static_cast<int>(shifted & 0xFF)}),
                  c.shifted);
    }
}
