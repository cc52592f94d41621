// Helpers shared by the render tests.
#pragma once
#include "app/Handle.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "support/TestSupport.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

// A month of a model in its own directory; `today` far away unless given.
struct ShownMonth {
    TempDir dir;
    MonthModel model{dir.WithSlash()};
    ShownMonth(int y, int m, int todayDay = 0)
    {
        const std::chrono::year_month_day today =
            todayDay ? std::chrono::year{y} / m / todayDay : std::chrono::year{2000} / 6 / 15;
        model.SetClock([today] { return today; });
        model.Show(y, m);
    }
};

inline gfx::RectF Measure(const std::wstring& text, const gfx::Font& font, gfx::PointF from = {})
{
    ScreenDC screen;
    gfx::Graphics graphics = gfx::Graphics::FromHdc(screen.Get());
    return graphics.MeasureString(text, font, from);
}

inline int Channel(std::uint32_t pixel, int shift) { return static_cast<int>((pixel >> shift) & 0xFF); }

inline void ExpectRect(const gfx::RectF& got, const gfx::RectF& want, const char* what)
{
    EXPECT_NEAR(got.x, want.x, 0.01) << what;
    EXPECT_NEAR(got.y, want.y, 0.01) << what;
    EXPECT_NEAR(got.width, want.width, 0.01) << what;
    EXPECT_NEAR(got.height, want.height, 0.01) << what;
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

// A picture file written with GDI+'s own encoder, pixel (x, y) = colour(x, y).
inline void SavePicture(const std::filesystem::path& file, int width, int height,
                        const std::function<std::uint32_t(int, int)>& colour, const wchar_t* mime = L"image/png")
{
    gfx::Bitmap bitmap = gfx::Bitmap::Blank(width, height);
    {
        gfx::BitmapPixels pixels = bitmap.Lock();
        ASSERT_TRUE(pixels);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels.At(x, y) = colour(x, y);
    }
    UINT count = 0, bytes = 0;
    ASSERT_EQ(Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes), Gdiplus::Ok);
    std::vector<std::uint64_t> storage((bytes + 7) / 8);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
    ASSERT_EQ(Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs), Gdiplus::Ok);
    for (UINT i = 0; i < count; ++i)
        if (std::wcscmp(codecs[i].MimeType, mime) == 0) {
            ASSERT_EQ(Gdiplus::DllExports::GdipSaveImageToFile(bitmap.Get(), file.c_str(), &codecs[i].Clsid, nullptr),
                      Gdiplus::Ok);
            return;
        }
    FAIL() << "no encoder";
}
