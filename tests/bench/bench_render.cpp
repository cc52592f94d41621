// Costs of the calendar's renders against the bare hand-over to a layered window.
#include "bench/BenchSupport.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"

#include <cstring>

using namespace bench;

namespace {
constexpr int kRounds = 200;

void Run(const char* label, const DesignSettings& settings, HWND window, const std::wstring& data)
{
    CalendarPainter painter(settings);
    CalendarFrame frame;
    MonthModel model(data);
    model.ShowThisMonth();
    RenderCalendar(window, frame, painter, model, 0, true);
    const int shadow = settings.Background.DropShadow ? 5 : 0;
    const int width = painter.GetSize().width + shadow, height = painter.GetSize().height + shadow;
    DibSurface painted;
    painted.Create(width, height);
    painter.Paint(model, painted.Dc(), AREA_NEXT_MONTH);
    GdiFlush();

    const auto hover = [&](int i) {
        RenderCalendar(window, frame, painter, model, i % 2 == 0 ? AREA_NEXT_MONTH : AREA_PREV_MONTH, false);
    };
    const double bare = MedianMicros(kRounds, [&](int) { HandOver(window, painted.Dc(), width, height); });
    const double hoverChange = MedianMicros(kRounds, hover);
    // The first visit of a look of the buttons after a month change draws them.
    std::vector<double> firstVisits;
    for (int i = 0; i < kRounds; ++i, Pump()) {
        model.NextMonth();
        RenderCalendar(window, frame, painter, model, AREA_DAYS, false);
        Pump();
        firstVisits.push_back(Micros([&] { hover(i); }));
    }
    const double fullHover = MedianMicros(kRounds, [&](int i) {
        frame.Invalidate();
        hover(i);
    });
    const double month = MedianMicros(kRounds, [&](int) {
        model.NextMonth();
        RenderCalendar(window, frame, painter, model, AREA_DAYS, false);
    });
    // Month changes with nothing kept yet: a year from a fresh frame, every day drawn.
    std::vector<double> coldMonths;
    for (int round = 0; round < 10; ++round) {
        frame.Invalidate();
        RenderCalendar(window, frame, painter, model, AREA_DAYS, false);
        CalendarFrame fresh;
        RenderCalendar(window, fresh, painter, model, AREA_DAYS, false);
        for (int i = 0; i < 12; ++i, Pump())
            coldMonths.push_back(Micros([&] {
                model.NextMonth();
                RenderCalendar(window, fresh, painter, model, AREA_DAYS, false);
            }));
    }
    const double layout = MedianMicros(kRounds, [&](int) { painter.Layout(); });

    // Where a full paint spends its time: each step alone on a scratch surface.
    DibSurface scratch;
    scratch.Create(width, height);
    gfx::Graphics g = gfx::Graphics::FromHdc(scratch.Dc());
    g.SetHighQuality();
    const gfx::Font dayFont = DrawableFont(settings.DayFont.Font, 9);
    const gfx::StringFormat centred(Gdiplus::StringAlignmentCenter, Gdiplus::StringAlignmentCenter);
    const gfx::SolidBrush brush(0xFF336699);
    const auto step = [&](const std::function<void()>& work) {
        return MedianMicros(50, [&](int) {
            work();
            g.Flush();
            GdiFlush();
        });
    };
    const std::pair<const char*, double> parts[] = {
        {"shadow (DrawDropShadow)          ", step([&] {
             DrawDropShadow(g, gfx::RectF{0, 0, float(width - 5), float(height - 5)}, 5);
         })},
        {"background colour and picture    ", step([&] { painter.PaintBackground(g); })},
        {"weekday row (7 strings)          ", step([&] { painter.PaintWeekdays(g); })},
        {"42 days (discs and numbers)      ", step([&] { painter.PaintCells(g, model, nullptr); })},
        {"  of which 42 discs alone        ", step([&] {
             for (int c = 0; c < 42; ++c)
                 g.FillEllipse(brush, painter.CellRect(c % 7, c / 7));
         })},
        {"  of which 42 numbers alone      ", step([&] {
             for (int c = 0; c < 42; ++c)
                 g.DrawString(std::to_wstring(c % 31 + 1), dayFont, painter.CellRect(c % 7, c / 7), centred, brush);
         })},
        {"buttons                          ", step([&] { painter.PaintButtons(g, AREA_DAYS); })},
        {"title                            ", step([&] { painter.PaintTitle(g, model); })},
        {"clear and copy of the surface    ", step([&] {
             scratch.Clear();
             std::memcpy(scratch.Bits(), painted.Bits(), std::size_t(width) * height * 4);
         })},
    };

    std::printf("%s: window %d x %d, medians of %d runs\n", label, width, height, kRounds);
    std::printf("  bare hand-over (UpdateLayeredWindow)   %9.1f us\n", bare);
    for (const auto& [what, micros] : {std::pair{"RenderCalendar, hover change        ", hoverChange},
                                       std::pair{"RenderCalendar, hover, first visit  ", Median(firstVisits)},
                                       std::pair{"RenderCalendar, hover, full repaint ", fullHover},
                                       std::pair{"NextMonth + RenderCalendar          ", month},
                                       std::pair{"  the same, first visit of a month ", Median(coldMonths)},
                                       std::pair{"Layout                              ", layout}})
        std::printf("  %s   %9.1f us   %5.2f x bare\n", what, micros, micros / bare);
    std::printf("  full paint, step by step:\n");
    for (const auto& [what, micros] : parts)
        std::printf("    %s %9.1f us   %5.2f x bare\n", what, micros, micros / bare);
}
} // namespace

int main()
{
    Environment env(L"render"); // an empty data directory: months without memos, nothing written
    HWND window = MakeLayeredWindow();
    Run("default design", DesignSettings{}, window, env.DirWithSlash());
    DesignSettings large;
    large.MonthFont.Size = 16;
    large.WeekFont.Size = 11;
    large.DayFont.Font.Size = 18;
    large.LNMonthFont.Font.Size = 14;
    large.Background.DropShadow = true;
    Run("large fonts with shadow", large, window, env.DirWithSlash());
    DestroyWindow(window);
    return 0;
}
