// From pressing Apply on the Design page to the new calendar image handed to the
// window: the page applies, the painter lays out again (reloading a 4000 x 3000
// background picture) and the composed image goes to the layered window.
#include "bench/BenchSupport.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "res/resource.h"
#include "settings/SettingsSheet.h"

using namespace bench;

namespace {
// The calendar's part of an apply: a relayout render into a layered window.
struct BenchHost : SettingsHost {
    BenchHost(const DesignSettings& design, MonthModel& model) : painter(design), model(model) {}

    HWND HostWindow() const override { return window; }
    void Render(bool relayout) override
    {
        const auto start = Clock::now();
        handedOver = RenderCalendar(window, frame, painter, model, 0, relayout);
        renderMillis = MillisSince(start);
        rendered = Clock::now();
        ++renders;
    }
    void ApplyHotKey() override {}

    CalendarPainter painter;
    CalendarFrame frame;
    MonthModel& model;
    HWND window = MakeLayeredWindow();
    Clock::time_point rendered{};
    double renderMillis = 0;
    bool handedOver = false;
    int renders = 0;
};
} // namespace

int main()
{
    Environment env(L"settings");
    const std::filesystem::path picture = env.Dir() / L"background.jpg";
    if (!WritePicture(picture, 4000, 3000, L"image/jpeg")) {
        std::printf("could not write the 4000 x 3000 picture\n");
        return 1;
    }
    std::printf("background picture: 4000 x 3000 JPEG, %ju bytes\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(picture)));

    SettingsSheet sheet;
    sheet.SetIniDirectory(env.DirWithSlash());
    sheet.Live().Design.Background.BackImageFile = picture.wstring();
    sheet.Live().Design.Background.BackImagePos = 1;
    MonthModel model(env.DirWithSlash());
    model.Show(2026, 5);
    BenchHost host(sheet.Design(), model);
    host.Render(true); // the calendar as it is before the sheet opens

    HWND window = sheet.OpenSettings(&host);
    PropSheet_SetCurSel(window, nullptr, 1);
    Pump();
    HWND background = sheet.DesignItems().ItemPage(2)->Handle();
    HWND track = GetDlgItem(background, IDC_TRACK2);
    std::vector<double> applies, renders;
    for (int i = 0; i < 9; ++i, Pump()) {
        // An edit on the background page, as a drag of the transparency bar leaves it.
        const int position = 10 + 5 * (i % 2), before = host.renders;
        SendMessageW(track, TBM_SETPOS, TRUE, position);
        SendMessageW(background, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position), reinterpret_cast<LPARAM>(track));
        const auto pressed = Clock::now();
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(0x3021, BN_CLICKED), 0); // Apply
        if (host.renders != before + 1 || !host.handedOver || host.painter.Picture() == nullptr) {
            std::printf("run %d: the apply did not render the picture\n", i);
            break;
        }
        applies.push_back(std::chrono::duration<double, std::milli>(host.rendered - pressed).count());
        renders.push_back(host.renderMillis);
    }
    if (!applies.empty()) {
        const auto [low, high] = std::minmax_element(applies.begin(), applies.end());
        std::printf("Apply -> image handed over: median %.1f ms over %zu runs (min %.1f, max %.1f)\n", Median(applies),
                    applies.size(), *low, *high);
        std::printf("  of which Render(relayout) incl. picture load: median %.1f ms\n", Median(renders));
        const auto size = host.painter.GetSize();
        std::printf("  calendar image %d x %d\n", size.width, size.height);
    }
    DestroyWindow(window);
    DestroyWindow(host.window);
    return applies.size() == 9 ? 0 : 1;
}
