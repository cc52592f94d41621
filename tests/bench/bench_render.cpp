// Costs of the calendar's renders against the bare hand-over to a layered window.
#include "app/Application.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

namespace {

constexpr int kRounds = 200;

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Median in microseconds of `rounds` runs of `step`.
double Median(const std::function<void(int)>& step, int rounds = kRounds)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        const auto start = std::chrono::steady_clock::now();
        step(i);
        const auto end = std::chrono::steady_clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        Pump();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

HWND MakeLayeredWindow()
{
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BenchRenderLayered";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP, 100, 100, 10, 10,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    return window;
}

void Run(const char* label, DesignSettings settings, HWND window, const std::filesystem::path& data)
{
    CalendarPainter painter(settings);
    MonthModel model(data.wstring() + L"\\");
    model.ShowThisMonth();
    RenderCalendar(window, painter, model, 0, true);

    const PixelSize size = painter.GetSize();
    const int width = size.width + (settings.Background.DropShadow ? 5 : 0);
    const int height = size.height + (settings.Background.DropShadow ? 5 : 0);

    DibSurface painted;
    painted.Create(width, height);
    painter.Paint(model, painted.Dc(), AREA_NEXT_MONTH);
    GdiFlush();

    const double bare = Median([&](int) { HandOver(window, painted.Dc(), width, height); });
    const double hover = Median(
        [&](int i) { RenderCalendar(window, painter, model, i % 2 == 0 ? AREA_NEXT_MONTH : AREA_PREV_MONTH, false); });
    // The first visit of a look of the buttons after a month change draws them.
    std::vector<double> firstVisits;
    for (int i = 0; i < kRounds; ++i) {
        model.NextMonth();
        RenderCalendar(window, painter, model, AREA_DAYS, false);
        Pump();
        const auto start = std::chrono::steady_clock::now();
        RenderCalendar(window, painter, model, i % 2 == 0 ? AREA_NEXT_MONTH : AREA_PREV_MONTH, false);
        firstVisits.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        Pump();
    }
    std::sort(firstVisits.begin(), firstVisits.end());
    const double firstHover = firstVisits[firstVisits.size() / 2];
    const double fullHover = Median([&](int i) {
        painter.Frame().Invalidate();
        RenderCalendar(window, painter, model, i % 2 == 0 ? AREA_NEXT_MONTH : AREA_PREV_MONTH, false);
    });
    const double month = Median([&](int) {
        model.NextMonth();
        RenderCalendar(window, painter, model, AREA_DAYS, false);
    });
    const double layout = Median([&](int) { painter.Layout(); });

    std::printf("%s: window %d x %d, medians of %d runs\n", label, width, height, kRounds);
    std::printf("  bare hand-over (UpdateLayeredWindow)   %9.1f us\n", bare);
    std::printf("  RenderCalendar, hover change           %9.1f us   %5.2f x bare\n", hover, hover / bare);
    std::printf("  RenderCalendar, hover, first visit     %9.1f us   %5.2f x bare\n", firstHover, firstHover / bare);
    std::printf("  RenderCalendar, hover, full repaint    %9.1f us   %5.2f x bare\n", fullHover, fullHover / bare);
    std::printf("  NextMonth + RenderCalendar             %9.1f us   %5.2f x bare\n", month, month / bare);
    std::printf("  Layout                                 %9.1f us   %5.2f x bare\n", layout, layout / bare);
}

} // namespace

int main()
{
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    static Application app;
    app.SetInstance(GetModuleHandleW(nullptr));
    SetTheApp(&app);

    // An empty data directory: months without memos, nothing written.
    const std::filesystem::path data =
        std::filesystem::temp_directory_path() / ("mosaryn-bench-" + std::to_string(GetCurrentProcessId()));
    std::filesystem::create_directories(data);

    HWND window = MakeLayeredWindow();
    {
        DesignSettings defaults;
        Run("default design", defaults, window, data);
        DesignSettings large;
        large.MonthFont.Size = 16;
        large.WeekFont.Size = 11;
        large.DayFont.Font.Size = 18;
        large.LNMonthFont.Font.Size = 14;
        large.Background.DropShadow = true;
        Run("large fonts with shadow", large, window, data);
    }
    DestroyWindow(window);

    std::error_code ignored;
    std::filesystem::remove_all(data, ignored);
    Gdiplus::GdiplusShutdown(token);
    return 0;
}
