// Drop shadow, window size, and the kept frame against a full paint after a hover, a month or any
// other change, with and without a background picture and shadow.
#include "RenderTestSupport.h"

#include <cstdlib>
#include <tuple>

namespace {

// Composes `hover`, expects the kind of drawing and a full paint within 1 per channel.
void ExpectComposed(CalendarFrame& frame, const CalendarPainter& painter, const MonthModel& model, int hover,
                    CalendarFrame::Kind kind)
{
    const DibSurface* kept = frame.Compose(painter, model, hover);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(frame.LastCompose(), kind) << "hover " << hover;
    DibSurface reference;
    PaintReference(reference, painter, model, hover);
    ASSERT_EQ(kept->Width() * 10000 + kept->Height(), reference.Width() * 10000 + reference.Height());
    int worst = 0; // largest difference of any channel of any pixel
    for (int y = 0; y < kept->Height(); ++y)
        for (int x = 0; x < kept->Width(); ++x)
            for (int shift : {24, 16, 8, 0})
                worst = std::max(worst,
                                 std::abs(Channel(kept->Pixel(x, y), shift) - Channel(reference.Pixel(x, y), shift)));
    EXPECT_LE(worst, 1) << "hover " << hover << ", " << model.Year() << "/" << model.Month();
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
        EXPECT_EQ((placed.right - placed.left) * 10000 + placed.bottom - placed.top, (w + s) * 10000 + h + s);
        const DibSurface* image = frame.Compose(painter, m.model, 0);
        ASSERT_TRUE(image != nullptr && image->Width() == w + s && image->Height() == h + s);
        // Outside the calendar only black shadow, with transparent 5 x 5 corners.
        for (int y = 0; y < h + s; ++y)
            for (int x = y < h ? w : 0; x < w + s; ++x) {
                const int expected = y >= h && x >= 5   ? along(x - 5, w) * (h + 5 - y) / 5 // bottom, fading down
                                     : x >= w && y >= 5 ? along(y - 5, h) * (w + 5 - x) / 5 // right, fading right
                                                        : 0;
                ASSERT_NEAR(Channel(image->Pixel(x, y), 24), expected, 1) << x << "," << y;
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
        ExpectComposed(frame, painter, m.model, 0, CalendarFrame::Kind::Full);
        // Each look drawn once, then met again from what was kept.
        for (int hover :
             std::initializer_list<int>{AREA_NEXT_MONTH, AREA_DAYS, AREA_PREV_YEAR, 0, AREA_NEXT_YEAR, AREA_PREV_MONTH,
                                        AREA_TITLE, 0, AREA_NEXT_MONTH, AREA_PREV_YEAR, AREA_NONE, 0})
            ExpectComposed(frame, painter, m.model, hover, CalendarFrame::Kind::Hover);
    }
}

TEST(Frame, EveryMonthOrOtherChangeFrameEqualsAFullPaint)
{
    TempDir dir;
    const std::filesystem::path picture = dir.Path() / L"back.png";
    SavePicture(picture, 90, 60, [](int x, int y) { return 0xC0000000u | (x * 2u << 16) | (y * 4u << 8) | 0x40u; });
    for (const bool withPicture : {false, true}) {
        DesignSettings settings;
        settings.Background = {.BackColor = 0x90F0F0FF, .DropShadow = withPicture};
        if (withPicture)
            settings.Background.BackImageFile = picture.wstring();
        CalendarPainter painter(settings);
        painter.Layout();
        ASSERT_EQ(painter.Picture() != nullptr, withPicture);
        ShownMonth m(2026, 1, 20);
        CalendarFrame frame;
        // Forward half a year and back to today's month: the way back copies every day, the ring too.
        const int steps[] = {0, 1, 1, 1, 1, 1, 1, -1, -1, -1, -1, -1, -1};
        for (std::size_t i = 0; i < std::size(steps); ++i) {
            if (steps[i] != 0)
                steps[i] > 0 ? m.model.NextMonth() : m.model.PrevMonth();
            ExpectComposed(frame, painter, m.model, i % 3 == 0 ? AREA_NEXT_MONTH : AREA_DAYS,
                           i == 0 ? CalendarFrame::Kind::Full : CalendarFrame::Kind::Month);
            EXPECT_TRUE(steps[i] >= 0 || frame.LastDaysDrawn() == 0) << i;
        }
        // A day's marks redraw the days, anything else repaints everything: never a stale image.
        m.model.Cell(2, 2).flags |= DAY_MEMO;
        ExpectComposed(frame, painter, m.model, AREA_DAYS, CalendarFrame::Kind::Month);
        settings.DayBackColors.DayBackColor = 0xFF102030;
        ExpectComposed(frame, painter, m.model, AREA_DAYS, CalendarFrame::Kind::Full);
        painter.Layout();
        ExpectComposed(frame, painter, m.model, AREA_DAYS, CalendarFrame::Kind::Full);
    }
}
