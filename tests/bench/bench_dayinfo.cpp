// From a hover-timer tick to the popup on screen: ShowDayInfo with layout, picture,
// composition and the hand-over, for a holiday with a 200-character memo and a picture,
// and for the longest memo a day holds (32 000 characters in lines of 2 000).
//   bench_dayinfo.exe [runs from hidden (30)] [runs while shown (200)]
#include "bench/BenchSupport.h"
#include "calendar/DayDataFormat.h"
#include "calendar/DayRecord.h"
#include "render/DayInfoWindow.h"

using namespace bench;

int main(int argc, char** argv)
{
    Environment env(L"dayinfo");
    const std::filesystem::path picture = env.Dir() / L"memorial.png";
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, env.App().Instance(),
                                 nullptr);
    DayInfoWindow info;
    if (!WritePicture(picture, 640, 480, L"image/png") || owner == nullptr || !info.CreateDayInfo(owner)) {
        std::printf("could not write the picture or create the popup\n");
        return 1;
    }
    DayRecord day{2024,
                  5,
                  3,
                  DAY_HOLIDAY | DAY_REST | DAY_MEMO | DAY_MEMORIAL,
                  5,
                  L"憲法記念日",
                  {},
                  L"結婚記念日",
                  picture.wstring()};
    for (int i = 0; i < 200; ++i)
        day.memo += static_cast<wchar_t>(i % 3 == 0 ? L'a' + i % 26 : 0x3042 + i % 80);
    const DesignSettings settings;
    const auto show = [&] { info.ShowDayInfo(300, 200, day, settings, false); };

    // Hiding waits for the window system (under Wine for its X server), so the runs from a
    // hidden popup are fewer; re-showing a visible popup for another day is the other case.
    const int hiddenRuns = std::max(1, static_cast<int>(Arg(argc, argv, 1, 30)));
    const int shownRuns = std::max(1, static_cast<int>(Arg(argc, argv, 2, 200)));
    for (int i = 0; i < 3; ++i, Pump()) { // warm-up: fonts, codecs, first hand-over
        show();
        info.Hide();
    }
    // A picture seen for the first time is decoded; a popup of its own has nothing kept yet.
    std::vector<double> firstShows;
    for (int i = 0; i < 5; ++i, Pump()) {
        DayInfoWindow fresh;
        fresh.CreateDayInfo(owner);
        firstShows.push_back(Micros([&] { fresh.ShowDayInfo(300, 200, day, settings, false); }));
    }
    std::vector<double> fromHidden, hide, whileShown, layout, layer;
    for (int i = 0; i < hiddenRuns; ++i, Pump()) {
        fromHidden.push_back(Micros(show));
        Pump();
        hide.push_back(Micros([&] { info.Hide(); }));
    }
    show();
    for (int i = 0; i < shownRuns; ++i, Pump()) {
        whileShown.push_back(Micros(show));
        layout.push_back(Micros([&] { info.SetDay(day, settings); }));
        layer.push_back(Micros([&] { info.UpdateDayInfoLayer(); }));
    }
    DayRecord longest = day;
    longest.memo.clear();
    while (longest.memo.size() < dayfile::kMaxMemoChars)
        longest.memo += (longest.memo.empty() ? L"" : L"\r\n") + std::wstring(dayfile::kMaxMemoLine, L'\x3042');
    longest.memo.resize(dayfile::kMaxMemoChars);
    longest.memorialName = std::wstring(dayfile::kMaxMemoLine, L'\x3044');
    std::vector<double> longShows, longLayout;
    for (int i = 0; i < std::max(3, hiddenRuns / 3); ++i, Pump()) {
        longShows.push_back(Micros([&] { info.ShowDayInfo(300, 200, longest, settings, false); }));
        longLayout.push_back(Micros([&] { info.SetDay(longest, settings); }));
    }
    const SIZE longSize = info.ImageSize();
    show();
    const SIZE size = info.ImageSize();
    std::printf("popup %ld x %ld px (holiday, 200-character memo, memorial name, 640x480 PNG picture)\n", size.cx,
                size.cy);
    std::printf("ShowDayInfo, hover tick to on screen (popup hidden before): median %.0f us over %d runs\n",
                Median(fromHidden), hiddenRuns);
    std::printf("ShowDayInfo, first show of the picture (popup hidden):  median %.0f us over %zu runs\n",
                Median(firstShows), firstShows.size());
    std::printf("ShowDayInfo while the popup is visible:                  median %.0f us over %d runs\n",
                Median(whileShown), shownRuns);
    std::printf("  layout (the picture's thumbnail kept):                median %.0f us\n", Median(layout));
    std::printf("  compose and hand-over (UpdateDayInfoLayer):           median %.0f us\n", Median(layer));
    std::printf("(Hide, for reference: median %.0f us)\n", Median(hide));
    std::printf("longest memo (%zu characters) and a %zu-character memorial name, popup %ld x %ld px: median %.0f us "
                "(layout %.0f us)\n",
                longest.memo.size(), longest.memorialName.size(), longSize.cx, longSize.cy, Median(longShows),
                Median(longLayout));
    const bool shown = info.IsShown();
    DestroyWindow(owner);
    Pump();
    return shown ? 0 : 1;
}
