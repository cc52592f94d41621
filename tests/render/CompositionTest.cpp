// Drop shadow, window size, and the kept frame against a full paint.
#include "RenderTestSupport.h"

#include <cstdlib>
#include <tuple>

using gfx::RectF;

namespace {

int Alpha(std::uint32_t pixel) { return Channel(pixel, 24); }

// Composes `hover` and compares with a full paint.
void ExpectComposed(CalendarFrame& frame, const CalendarPainter& painter, const MonthModel& model, int hover, bool full)
{
    const DibSurface* kept = frame.Compose(painter, model, hover);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(frame.LastComposeWasFull(), full) << "hover " << hover;
    DibSurface reference;
    PaintReference(reference, painter, model, hover);
    ASSERT_EQ(kept->Width(), reference.Width());
    int worst = 0; // largest difference of any channel of any pixel
    for (int y = 0; y < kept->Height(); ++y)
        for (int x = 0; x < kept->Width(); ++x)
            for (int shift : {24, 16, 8, 0})
                worst = std::max(worst,
                                 std::abs(Channel(kept->Pixel(x, y), shift) - Channel(reference.Pixel(x, y), shift)));
    EXPECT_LE(worst, 1) << "hover " << hover;
}

} // namespace

// Window size with and without the shadow; the shadow's alphas row by row and column by column.
TEST(Frame, WindowSizeAndDropShadowAlphas)
{
    const HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 40, 30, 10, 10,
                                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    DesignSettings settings;
    settings.Background.BackColor = 0xFFFFFFFF;
    CalendarPainter painter(settings);
    CalendarFrame frame;
    ShownMonth m(2024, 9, 18);
    // Along a band: in over five pixels (0, 25 .. 100), 125 in the middle, out over the last five.
    auto along = [](int i, int length) { return i < 5 ? 25 * i : i >= length - 5 ? 25 * (length - i) : 125; };
    for (bool shadow : {false, true}) {
        settings.Background.DropShadow = shadow;
        ASSERT_TRUE(RenderCalendar(window, frame, painter, m.model, 0, true));
        const int w = painter.GetSize().width, h = painter.GetSize().height, s = shadow ? 5 : 0;
        RECT placed{};
        GetWindowRect(window, &placed);
        EXPECT_EQ(placed.right - placed.left, w + s);
        EXPECT_EQ(placed.bottom - placed.top, h + s);
        const DibSurface* image = frame.Compose(painter, m.model, 0);
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(image->Width(), w + s);
        ASSERT_EQ(image->Height(), h + s);
        // Outside the calendar only black shadow, with transparent 5 x 5 corners.
        for (int y = 0; y < h + s; ++y)
            for (int x = y < h ? w : 0; x < w + s; ++x) {
                const int expected = y >= h && x >= 5   ? along(x - 5, w) * (h + 5 - y) / 5 // bottom, fading down
                                     : x >= w && y >= 5 ? along(y - 5, h) * (w + 5 - x) / 5 // right, fading right
                                                        : 0;
                ASSERT_NEAR(Alpha(image->Pixel(x, y)), expected, 1) << x << "," << y;
                ASSERT_EQ(image->Pixel(x, y) & 0x00FFFFFFu, 0u) << "black " << x << "," << y;
            }
    }
    DestroyWindow(window);
}

TEST(Frame, HoverChangesRedrawOnlyButtonsAndMatchAFullPaint)
{
    // Month font size, shadow, background; the last title is wider than the space between the buttons.
    const std::tuple<float, bool, Argb> variants[] = {
        {9, false, 0x80FFFFFF}, {12, true, 0x40FFE0C0}, {26, true, 0xFFFFFFFF}};
    for (const auto& [monthSize, shadow, back] : variants) {
        DesignSettings settings;
        settings.MonthFont.Size = monthSize;
        settings.DayFont.Font.Size = 8;
        settings.Background = {.BackColor = back, .DropShadow = shadow};
        settings.ButtonColors.ButtonBackColor = 0xC0DCDCDC;
        CalendarPainter painter(settings);
        painter.Layout();
        ShownMonth m(2024, 9, 18);
        m.model.Cell(3, 2).flags |= DAY_MEMO;
        CalendarFrame frame;
        SCOPED_TRACE(monthSize);
        ExpectComposed(frame, painter, m.model, 0, true);
        // Each look drawn once, then met again from what was kept.
        for (int hover :
             std::initializer_list<int>{AREA_NEXT_MONTH, AREA_DAYS, AREA_PREV_YEAR, 0, AREA_NEXT_YEAR, AREA_PREV_MONTH,
                                        AREA_TITLE, 0, AREA_NEXT_MONTH, AREA_PREV_YEAR, AREA_NONE, 0})
            ExpectComposed(frame, painter, m.model, hover, false);
    }
}

// A month or a day's marks redraw the days, anything else repaints everything: never a stale image.
TEST(Frame, OtherChangesRepaintEverything)
{
    DesignSettings settings;
    CalendarPainter painter(settings);
    painter.Layout();
    ShownMonth m(2024, 9, 18);
    CalendarFrame frame;
    ExpectComposed(frame, painter, m.model, AREA_DAYS, true);
    const std::function<void()> changes[] = {
        [&] { m.model.NextMonth(); }, [&] { m.model.Cell(2, 2).flags |= DAY_MEMO; },
        [&] { settings.DayBackColors.DayBackColor = 0xFF102030; }, [&] { painter.Layout(); }};
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        SCOPED_TRACE(i);
        changes[i]();
        ExpectComposed(frame, painter, m.model, AREA_DAYS, i >= 2);
    }
}
