// Drop shadow, window size, and the kept frame against a full paint.
#include "RenderTestSupport.h"

#include <cstdlib>

using gfx::RectF;

namespace {

int Alpha(std::uint32_t pixel) { return Channel(pixel, 24); }

// Largest difference of any channel of any pixel.
int MaxDifference(const DibSurface& a, const DibSurface& b)
{
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            for (int shift : {24, 16, 8, 0})
                worst = std::max(worst, std::abs(Channel(a.Pixel(x, y), shift) - Channel(b.Pixel(x, y), shift)));
    return worst;
}

} // namespace

TEST(DropShadow, AlphasRowByRowAndColumnByColumn)
{
    // R = (0, 0, 40, 30), s = 5 on a transparent 45 x 35 surface.
    DibSurface surface;
    ASSERT_TRUE(surface.Create(45, 35));
    {
        gfx::Graphics graphics = gfx::Graphics::FromHdc(surface.Dc());
        DrawDropShadow(graphics, RectF{0, 0, 40, 30}, 5);
    }
    GdiFlush();
    // Strength along a band: in over five pixels (0, 25 .. 100), 125 in the middle, out over the last five.
    auto along = [](int i, int length) { return i < 5 ? 25 * i : i >= length - 5 ? 25 * (length - i) : 125; };
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 45; ++x) {
            int expected = 0;
            if (y >= 30 && x >= 5)
                expected = along(x - 5, 40) * (35 - y) / 5; // bottom band, fading downwards
            else if (x >= 40 && y >= 5)
                expected = along(y - 5, 30) * (45 - x) / 5; // right band, fading rightwards
            ASSERT_NEAR(Alpha(surface.Pixel(x, y)), expected, 1) << x << "," << y;
            ASSERT_EQ(surface.Pixel(x, y) & 0x00FFFFFFu, 0u) << "black " << x << "," << y;
        }
    // Spot values straight from the rule.
    EXPECT_NEAR(Alpha(surface.Pixel(20, 30)), 125, 1);
    EXPECT_NEAR(Alpha(surface.Pixel(20, 34)), 25, 1);
    EXPECT_NEAR(Alpha(surface.Pixel(44, 8)), 15, 1);
}

TEST(Frame, WindowSizeWithAndWithoutShadowAndTransparentCorners)
{
    const HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 40, 30, 10, 10,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    DesignSettings settings;
    settings.Background.BackColor = 0xFFFFFFFF;
    CalendarPainter painter(settings);
    ShownMonth m(2024, 9, 18);
    for (bool shadow : {false, true}) {
        settings.Background.DropShadow = shadow;
        ASSERT_TRUE(RenderCalendar(window, painter, m.model, 0, true));
        const PixelSize size = painter.GetSize();
        RECT placed{};
        GetWindowRect(window, &placed);
        EXPECT_EQ(placed.left, 40);
        EXPECT_EQ(placed.right - placed.left, size.width + (shadow ? 5 : 0));
        EXPECT_EQ(placed.bottom - placed.top, size.height + (shadow ? 5 : 0));
        const DibSurface* image = painter.Frame().Compose(painter, m.model, 0);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->Width(), placed.right - placed.left);
        if (!shadow)
            continue;
        const int w = size.width, h = size.height;
        for (int dy = 0; dy < 5; ++dy)
            for (int dx = 0; dx < 5; ++dx) {
                EXPECT_EQ(Alpha(image->Pixel(w + dx, dy)), 0) << "top-right " << dx << "," << dy;
                EXPECT_EQ(Alpha(image->Pixel(dx, h + dy)), 0) << "bottom-left " << dx << "," << dy;
            }
        EXPECT_NEAR(Alpha(image->Pixel(w / 2, h)), 125, 1);
        EXPECT_NEAR(Alpha(image->Pixel(w, h / 2)), 125, 1);
    }
    DestroyWindow(window);
}

TEST(Frame, HoverChangesRedrawOnlyButtonsAndMatchAFullPaint)
{
    const struct {
        const char* name;
        float monthSize;
        bool shadow;
        Argb back;
    } variants[] = {
        {"plain", 9, false, 0x80FFFFFF},
        {"shadow, translucent", 12, true, 0x40FFE0C0},
        {"title wider than the space between the buttons", 26, true, 0xFFFFFFFF},
    };
    for (const auto& v : variants) {
        DesignSettings settings;
        settings.MonthFont.Size = v.monthSize;
        settings.DayFont.Font.Size = 8;
        settings.Background.DropShadow = v.shadow;
        settings.Background.BackColor = v.back;
        settings.ButtonColors.ButtonBackColor = 0xC0DCDCDC;
        CalendarPainter painter(settings);
        painter.Layout();
        ShownMonth m(2024, 9, 18);
        m.model.Cell(3, 2).flags |= DAY_MEMO;
        CalendarFrame frame;
        ASSERT_NE(frame.Compose(painter, m.model, 0), nullptr);
        EXPECT_TRUE(frame.LastComposeWasFull());
        // Each look drawn once, then met again from what was kept.
        const int sequence[] = {AREA_NEXT_MONTH, AREA_DAYS,       AREA_PREV_YEAR, 0,
                                AREA_NEXT_YEAR,  AREA_PREV_MONTH, AREA_TITLE,     0,
                                AREA_NEXT_MONTH, AREA_PREV_YEAR,  AREA_NONE,      0};
        for (int hover : sequence) {
            const DibSurface* kept = frame.Compose(painter, m.model, hover);
            ASSERT_NE(kept, nullptr);
            EXPECT_FALSE(frame.LastComposeWasFull()) << v.name << " hover " << hover;
            DibSurface reference;
            PaintReference(reference, painter, m.model, hover);
            ASSERT_EQ(kept->Width(), reference.Width());
            EXPECT_LE(MaxDifference(*kept, reference), 1) << v.name << " hover " << hover;
        }
        // The buttons really change the image, so the comparison above could fail.
        DibSurface without, with;
        PaintReference(without, painter, m.model, 0);
        PaintReference(with, painter, m.model, AREA_NEXT_MONTH);
        EXPECT_GT(MaxDifference(without, with), 32) << v.name;
    }
}

// Anything but a hover change repaints everything: a kept frame never shows a stale month.
TEST(Frame, OtherChangesRepaintEverything)
{
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    ShownMonth m(2024, 9, 18);
    CalendarFrame frame;
    ASSERT_NE(frame.Compose(painter, m.model, AREA_DAYS), nullptr);
    const std::function<void()> changes[] = {
        [&] { m.model.NextMonth(); },
        [&] { m.model.Cell(2, 2).flags |= DAY_MEMO; },
        [&] { settings.DayBackColors.DayBackColor = 0xFF102030; },
        [&] { painter.Layout(); },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        changes[i]();
        const DibSurface* kept = frame.Compose(painter, m.model, AREA_DAYS);
        ASSERT_NE(kept, nullptr);
        EXPECT_TRUE(frame.LastComposeWasFull()) << "change " << i;
        DibSurface reference;
        PaintReference(reference, painter, m.model, AREA_DAYS);
        EXPECT_LE(MaxDifference(*kept, reference), 1) << "change " << i;
    }
}
