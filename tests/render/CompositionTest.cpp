// Drop shadow, window size, the kept frame against a full paint, and the hand-over.
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "support/TestSupport.h"

#include <array>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>

using gfx::RectF;

namespace {

using namespace std::chrono;

int Alpha(std::uint32_t pixel) { return static_cast<int>(pixel >> 24); }

struct Model {
    TempDir dir;
    MonthModel model{dir.WithSlash()};
    Model()
    {
        model.SetClock([] { return year_month_day{year{2024}, month{9}, day{18}}; });
        model.Show(2024, 9);
    }
};

// Everything a full render would show for this hover, painted from nothing.
void PaintReference(DibSurface& surface, const CalendarPainter& painter, const MonthModel& model, int hover)
{
    const PixelSize size = painter.GetSize();
    const bool shadow = painter.Settings().Background.DropShadow;
    ASSERT_TRUE(surface.Create(size.width + (shadow ? 5 : 0), size.height + (shadow ? 5 : 0)));
    if (shadow) {
        gfx::Graphics graphics = gfx::Graphics::FromHdc(surface.Dc());
        DrawDropShadow(graphics, RectF{0, 0, static_cast<float>(size.width), static_cast<float>(size.height)}, 5);
    }
    painter.Paint(model, surface.Dc(), hover);
    GdiFlush();
}

// Largest difference of any channel of any pixel.
int MaxDifference(const DibSurface& a, const DibSurface& b)
{
    int worst = 0;
    for (int y = 0; y < a.Height(); ++y) {
        for (int x = 0; x < a.Width(); ++x) {
            const std::uint32_t p = a.Pixel(x, y);
            const std::uint32_t q = b.Pixel(x, y);
            for (int shift : {24, 16, 8, 0})
                worst = std::max(
                    worst, std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF)));
        }
    }
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

    // Strength along each band: in over five pixels, 125 in the middle, out over the last five.
    auto along = [](int i, int length) {
        static const int in[] = {0, 25, 50, 75, 100};
        static const int out[] = {125, 100, 75, 50, 25};
        if (i < 5)
            return in[i];
        if (i >= length - 5)
            return out[i - (length - 5)];
        return 125;
    };
    static const int first[] = {0, 25, 50, 75, 100, 125, 125, 125};
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(along(i, 40), first[i]);

    for (int y = 0; y < 35; ++y) {
        for (int x = 0; x < 45; ++x) {
            const std::uint32_t p = surface.Pixel(x, y);
            int expected = 0;
            if (y >= 30 && x >= 5)
                expected = along(x - 5, 40) * (5 - (y - 30)) / 5; // bottom band, fading downwards
            else if (x >= 40 && y >= 5 && y < 30)
                expected = along(y - 5, 30) * (5 - (x - 40)) / 5; // right band, fading rightwards
            ASSERT_NEAR(Alpha(p), expected, 1) << x << "," << y;
            ASSERT_EQ(p & 0x00FFFFFFu, 0u) << "black " << x << "," << y;
        }
    }
    // Spot values straight from the rule: the darkest row and the fade down the middle.
    EXPECT_NEAR(Alpha(surface.Pixel(5 + 1, 30)), 25, 1);
    EXPECT_NEAR(Alpha(surface.Pixel(20, 30)), 125, 1);
    EXPECT_NEAR(Alpha(surface.Pixel(20, 31)), 100, 1);
    EXPECT_NEAR(Alpha(surface.Pixel(20, 34)), 25, 1);
    EXPECT_NEAR(Alpha(surface.Pixel(40 + 4, 5 + 3)), 75 * 1 / 5, 1);
}

TEST(Frame, WindowSizeWithAndWithoutShadowAndTransparentCorners)
{
    for (bool shadow : {false, true}) {
        DesignSettings settings;
        settings.Background.BackColor = 0xFFFFFFFF;
        settings.Background.DropShadow = shadow;
        CalendarPainter painter(settings);
        painter.Layout();
        Model m;
        CalendarFrame frame;
        const DibSurface* image = frame.Compose(painter, m.model, 0);
        ASSERT_NE(image, nullptr);
        const PixelSize size = painter.GetSize();
        EXPECT_EQ(image->Width(), size.width + (shadow ? 5 : 0));
        EXPECT_EQ(image->Height(), size.height + (shadow ? 5 : 0));
        if (!shadow)
            continue;
        const int w = size.width;
        const int h = size.height;
        for (int dy = 0; dy < 5; ++dy) {
            for (int dx = 0; dx < 5; ++dx) {
                EXPECT_EQ(Alpha(image->Pixel(w + dx, dy)), 0) << "top-right " << dx << "," << dy;
                EXPECT_EQ(Alpha(image->Pixel(dx, h + dy)), 0) << "bottom-left " << dx << "," << dy;
            }
        }
        EXPECT_NEAR(Alpha(image->Pixel(w / 2, h)), 125, 1);
        EXPECT_NEAR(Alpha(image->Pixel(w, h / 2)), 125, 1);
    }
}

TEST(Frame, HoverChangesRedrawOnlyButtonsAndMatchAFullPaint)
{
    struct Variant {
        const char* name;
        float monthSize;
        bool shadow;
        Argb back;
    } variants[] = {
        {"plain", 9, false, 0x80FFFFFF},
        {"shadow, translucent", 12, true, 0x40FFE0C0},
        // A title wider than the space between the buttons: it is drawn over them.
        {"title over buttons", 26, true, 0xFFFFFFFF},
    };
    for (const Variant& v : variants) {
        DesignSettings settings;
        settings.MonthFont.Size = v.monthSize;
        settings.DayFont.Font.Size = 8;
        settings.Background.DropShadow = v.shadow;
        settings.Background.BackColor = v.back;
        settings.ButtonColors.ButtonBackColor = 0xC0DCDCDC;
        CalendarPainter painter(settings);
        painter.Layout();
        Model m;
        m.model.Cell(3, 2).flags |= DAY_MEMO;

        CalendarFrame frame;
        ASSERT_NE(frame.Compose(painter, m.model, 0), nullptr);
        EXPECT_TRUE(frame.LastComposeWasFull());
        // Each look drawn once, then met again from what was kept.
        const int sequence[] = {AREA_NEXT_MONTH,
                                AREA_DAYS,
                                AREA_PREV_YEAR,
                                0,
                                AREA_NEXT_YEAR,
                                AREA_PREV_MONTH,
                                AREA_TITLE,
                                0,
                                AREA_NEXT_MONTH,
                                AREA_PREV_YEAR,
                                AREA_WEEKDAYS,
                                AREA_NEXT_YEAR,
                                AREA_PREV_MONTH,
                                AREA_NONE,
                                0};
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
        DibSurface without;
        DibSurface with;
        PaintReference(without, painter, m.model, 0);
        PaintReference(with, painter, m.model, AREA_NEXT_MONTH);
        EXPECT_GT(MaxDifference(without, with), 32) << v.name;
    }
}

TEST(Frame, AnythingButTheHoverRepaintsEverything)
{
    DesignSettings settings;
    settings.Background.BackColor = 0xFFFFFFFF;
    CalendarPainter painter(settings);
    painter.Layout();
    Model m;
    CalendarFrame frame;
    frame.Compose(painter, m.model, AREA_DAYS);

    struct Step {
        const char* name;
        void (*change)(MonthModel&, DesignSettings&, CalendarPainter&);
    } steps[] = {
        {"next month", [](MonthModel& model, DesignSettings&, CalendarPainter&) { model.NextMonth(); }},
        {"memo flag", [](MonthModel& model, DesignSettings&, CalendarPainter&) { model.Cell(2, 2).flags |= DAY_MEMO; }},
        {"colour", [](MonthModel&, DesignSettings& s, CalendarPainter&) { s.DayFont.SunFontColor = 0xFF00FFFF; }},
        {"relayout",
         [](MonthModel&, DesignSettings& s, CalendarPainter& p) {
             s.DayFont.Font.Size = 16;
             p.Layout();
         }},
        {"shadow", [](MonthModel&, DesignSettings& s, CalendarPainter&) { s.Background.DropShadow = true; }},
    };
    for (const Step& step : steps) {
        step.change(m.model, settings, painter);
        const DibSurface* image = frame.Compose(painter, m.model, AREA_DAYS);
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(frame.LastComposeWasFull()) << step.name;
        DibSurface reference;
        PaintReference(reference, painter, m.model, AREA_DAYS);
        ASSERT_EQ(image->Width(), reference.Width()) << step.name;
        ASSERT_EQ(image->Height(), reference.Height()) << step.name;
        EXPECT_LE(MaxDifference(*image, reference), 1) << step.name;
        // Same state again: nothing to redraw.
        frame.Compose(painter, m.model, AREA_DAYS);
        EXPECT_FALSE(frame.LastComposeWasFull()) << step.name;
    }
}

namespace {

// A layered popup of a private class, destroyed with the test.
class LayeredWindow {
public:
    LayeredWindow()
    {
        WNDCLASSEXW wc{sizeof(wc)};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"RenderTestLayered";
        RegisterClassExW(&wc);
        window_ = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, L"RenderTestLayered", L"", WS_POPUP, 40, 30, 10, 10,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~LayeredWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }

private:
    HWND window_ = nullptr;
};

SIZE WindowSize(HWND window)
{
    RECT r{};
    GetWindowRect(window, &r);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

} // namespace

TEST(HandOver, RenderCalendarSizesTheLayeredWindow)
{
    LayeredWindow window;
    ASSERT_NE(window.Get(), nullptr);
    DesignSettings settings;
    CalendarPainter painter(settings);
    Model m;

    ASSERT_TRUE(RenderCalendar(window.Get(), painter, m.model, 0, true));
    const PixelSize size = painter.GetSize();
    EXPECT_EQ(WindowSize(window.Get()).cx, size.width);
    EXPECT_EQ(WindowSize(window.Get()).cy, size.height);

    settings.Background.DropShadow = true;
    ASSERT_TRUE(RenderCalendar(window.Get(), painter, m.model, AREA_TITLE, false));
    EXPECT_EQ(WindowSize(window.Get()).cx, size.width + 5);
    EXPECT_EQ(WindowSize(window.Get()).cy, size.height + 5);
    RECT placed{};
    GetWindowRect(window.Get(), &placed);
    EXPECT_EQ(placed.left, 40); // the top-left corner stays
    EXPECT_EQ(placed.top, 30);
}

TEST(HandOver, UpdateLayeredPaintsAFreshSurfaceAndRefusesUnusableSizes)
{
    LayeredWindow window;
    int calls = 0;
    std::uint32_t seen = 1;
    const bool done = UpdateLayered(window.Get(), 60, 40, [&](HDC dc) {
        ++calls;
        // The surface arrives fully transparent.
        BITMAP info{};
        GetObjectW(GetCurrentObject(dc, OBJ_BITMAP), sizeof(info), &info);
        seen = info.bmBits != nullptr ? *static_cast<const std::uint32_t*>(info.bmBits) : 1;
        EXPECT_EQ(info.bmWidth, 60);
        EXPECT_EQ(info.bmBitsPixel, 32);
    });
    EXPECT_TRUE(done);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(WindowSize(window.Get()).cx, 60);
    EXPECT_EQ(WindowSize(window.Get()).cy, 40);

    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, -3}, std::pair{100000, 10}, std::pair{8000, 8000}}) {
        calls = 0;
        EXPECT_FALSE(UpdateLayered(window.Get(), w, h, [&](HDC) { ++calls; })) << w << "x" << h;
        EXPECT_EQ(calls, 0);
    }
}
