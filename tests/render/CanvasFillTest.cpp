// The background colour reaches every edge pixel of the canvas, whatever fraction the size has.
#include "RenderTestSupport.h"

namespace {

TEST(CanvasFillTest, BackgroundCoversTheFirstAndLastRowAndColumn)
{
    constexpr Argb kBack = 0xFF204060;
    ShownMonth shown(2026, 12);
    DesignSettings design;
    design.Background.BackColor = kBack;
    CalendarPainter painter(design);
    for (const float size : {9.0f, 10.5f, 11.3f, 13.7f}) {
        design.DayFont.Font.Size = size;
        painter.Layout();
        const PixelSize canvas = painter.GetSize();
        DibSurface surface;
        PaintReference(surface, painter, shown.model, 0);
        int misses = 0;
        for (int x = 0; x < canvas.width; ++x)
            misses += (surface.Pixel(x, 0) != kBack) + (surface.Pixel(x, canvas.height - 1) != kBack);
        for (int y = 0; y < canvas.height; ++y)
            misses += (surface.Pixel(0, y) != kBack) + (surface.Pixel(canvas.width - 1, y) != kBack);
        EXPECT_EQ(misses, 0) << "day font " << size << ", whole " << painter.Whole().width << " x "
                             << painter.Whole().height;
    }
}

} // namespace
