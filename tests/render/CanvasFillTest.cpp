// The background colour reaches every edge pixel of the canvas, whatever fraction the size has.
#include "RenderTestSupport.h"

TEST(CanvasFillTest, BackgroundCoversTheFirstAndLastRowAndColumn)
{
    ShownMonth shown(2026, 12);
    DesignSettings design;
    design.Background.BackColor = 0xFF204060;
    CalendarPainter painter(design);
    for (const float size : {9.0f, 10.5f, 11.3f, 13.7f}) {
        design.DayFont.Font.Size = size;
        painter.Layout();
        const auto [w, h] = painter.GetSize();
        DibSurface surface;
        PaintReference(surface, painter, shown.model, 0);
        int misses = 0;
        for (int x = 0; x < w; ++x)
            misses += (surface.Pixel(x, 0) != 0xFF204060) + (surface.Pixel(x, h - 1) != 0xFF204060);
        for (int y = 0; y < h; ++y)
            misses += (surface.Pixel(0, y) != 0xFF204060) + (surface.Pixel(w - 1, y) != 0xFF204060);
        EXPECT_EQ(misses, 0) << "day font " << size << ", whole " << painter.Whole().width << " x " << h;
    }
}
