// Costs of the calendar's renders against the bare hand-over to a layered window.
#include "bench/BenchSupport.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"

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
    const double layout = MedianMicros(kRounds, [&](int) { painter.Layout(); });

    std::printf("%s: window %d x %d, medians of %d runs\n", label, width, height, kRounds);
    std::printf("  bare hand-over (UpdateLayeredWindow)   %9.1f us\n", bare);
    for (const auto& [what, micros] : {std::pair{"RenderCalendar, hover change        ", hoverChange},
                                       std::pair{"RenderCalendar, hover, first visit  ", Median(firstVisits)},
                                       std::pair{"RenderCalendar, hover, full repaint ", fullHover},
                                       std::pair{"NextMonth + RenderCalendar          ", month},
                                       std::pair{"Layout                              ", layout}})
        std::printf("  %s   %9.1f us   %5.2f x bare\n", what, micros, micros / bare);
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
