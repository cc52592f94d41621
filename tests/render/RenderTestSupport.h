// Helpers shared by the render tests.
#pragma once
#include "app/Handle.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "support/TestSupport.h"

#include <chrono>
#include <functional>
#include <gtest/gtest.h>

// A month of a model in its own directory; `today` far away unless given.
struct ShownMonth {
    TempDir dir;
    MonthModel model{dir.WithSlash()};
    ShownMonth(int y, int m, int todayDay = 0)
    {
        const auto today = todayDay ? std::chrono::year{y} / m / todayDay : std::chrono::year{2000} / 6 / 15;
        model.SetClock([today] { return today; });
        model.Show(y, m);
    }
};

inline gfx::RectF Measure(const std::wstring& text, const gfx::Font& font, gfx::PointF from = {})
{
    ScreenDC screen;
    return gfx::Graphics::FromHdc(screen.get()).MeasureString(text, font, from);
}

inline int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

inline void ExpectRect(const gfx::RectF& got, const gfx::RectF& want, const char* what)
{
    const float g[] = {got.x, got.y, got.width, got.height}, w[] = {want.x, want.y, want.width, want.height};
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(g[i], w[i], 0.01) << what << " [" << i << "]";
}

// The painter's full image for `hover` into a fresh surface, with the shadow when it is set.
inline void PaintReference(DibSurface& surface, const CalendarPainter& painter, const MonthModel& model, int hover)
{
    const PixelSize size = painter.GetSize();
    const int s = painter.Settings().Background.DropShadow ? 5 : 0;
    ASSERT_TRUE(surface.Create(size.width + s, size.height + s));
    if (s) {
        gfx::Graphics graphics = gfx::Graphics::FromHdc(surface.Dc());
        DrawDropShadow(graphics, gfx::RectF{0, 0, float(size.width), float(size.height)}, 5);
    }
    painter.Paint(model, surface.Dc(), hover);
    GdiFlush();
}

// A PNG written with GDI+'s own encoder, pixel (x, y) = colour(x, y).
inline void SavePicture(const std::filesystem::path& file, int width, int height,
                        const std::function<std::uint32_t(int, int)>& colour)
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(width, height);
    {
        gfx::BitmapPixels pixels = bitmap.Lock();
        ASSERT_TRUE(pixels);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.At(x, y) = colour(x, y);
    }
    const CLSID png{0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};
    ASSERT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(bitmap.Get(), file.c_str(), &png, nullptr), Gdiplus::Ok);
}
