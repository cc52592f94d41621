// A month change keeps the background and copies the days drawn before, and every such frame
// equals a full paint, with and without a background picture and shadow.
#include "RenderTestSupport.h"

#include <cstdlib>

TEST(MonthChange, EveryFrameEqualsAFullPaint)
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
            const DibSurface* kept = frame.Compose(painter, m.model, i % 3 == 0 ? AREA_NEXT_MONTH : AREA_DAYS);
            ASSERT_NE(kept, nullptr);
            EXPECT_EQ(frame.LastCompose(), i == 0 ? CalendarFrame::Kind::Full : CalendarFrame::Kind::Month) << i;
            if (steps[i] < 0) {
                EXPECT_EQ(frame.LastDaysDrawn(), 0) << i;
            }
            DibSurface full;
            PaintReference(full, painter, m.model, i % 3 == 0 ? AREA_NEXT_MONTH : AREA_DAYS);
            ASSERT_EQ(kept->Height(), full.Height());
            int worst = 0;
            for (int y = 0; y < full.Height(); ++y)
                for (int x = 0; x < full.Width(); ++x)
                    for (int shift : {24, 16, 8, 0})
                        worst = std::max(
                            worst, std::abs(Channel(kept->Pixel(x, y), shift) - Channel(full.Pixel(x, y), shift)));
            EXPECT_LE(worst, 1) << "picture " << withPicture << ", " << m.model.Year() << "/" << m.model.Month();
        }
    }
}
