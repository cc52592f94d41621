// Subscribed calendars: a 5 MB feed of 10 000 events (2 000 recurring, 50 zones) parsed once per
// download, expanded per month; with three such subscriptions, the month change against the bare
// hand-over, the popup against its compose time, the extra memory, and a reload of unchanged copies.
//   bench_feeds.exe [runs (40)]
#include "bench/BenchSupport.h"
#include "calendar/DateUtil.h"
#include "calendar/FeedShelf.h"
#include "calendar/MonthModel.h"
#include "render/CalendarPainter.h"
#include "render/Composition.h"
#include "render/DayInfoWindow.h"

#include <atomic>
#include <fstream>
#include <memory>
#include <new>

using namespace bench;
using namespace std::chrono;

namespace {
constexpr int kEvents = 10000, kZones = 50;
const char* const kRules[] = {"FREQ=WEEKLY;BYDAY=MO,WE",
                              "FREQ=DAILY;INTERVAL=2;COUNT=200",
                              "FREQ=MONTHLY;BYDAY=2TU",
                              "FREQ=MONTHLY;BYMONTHDAY=15,-1",
                              "FREQ=YEARLY",
                              "FREQ=WEEKLY;INTERVAL=2;UNTIL=20281231T000000Z",
                              "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-1"};

std::string Feed(int seed)
{
    std::string out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//\r\n";
    char line[512];
    for (int z = 0; z < kZones; ++z) {
        const int offset = -11 * 60 + z * 30, hours = offset / 60, minutes = std::abs(offset % 60);
        std::snprintf(line, sizeof line,
                      "BEGIN:VTIMEZONE\r\nTZID:Bench/Zone%d\r\nBEGIN:STANDARD\r\nDTSTART:19701101T020000\r\n"
                      "TZOFFSETFROM:%+03d%02d\r\nTZOFFSETTO:%+03d%02d\r\n%sEND:STANDARD\r\n",
                      z, hours + (z % 2), minutes, hours, minutes,
                      z % 2 ? "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\r\n" : "");
        out += line;
        if (z % 2) {
            std::snprintf(
                line, sizeof line,
                "BEGIN:DAYLIGHT\r\nDTSTART:19700308T020000\r\nTZOFFSETFROM:%+03d%02d\r\nTZOFFSETTO:%+03d%02d\r\n"
                "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\r\nEND:DAYLIGHT\r\n",
                hours, minutes, hours + 1, minutes);
            out += line;
        }
        out += "END:VTIMEZONE\r\n";
    }
    const std::string padding(330, 'x');
    for (int i = 0; i < kEvents; ++i) {
        int y = 2024, m = 1, d = 1;
        AddDays(y, m, d, (i * 37 + seed) % 1800);
        const bool allDay = i % 11 == 0;
        if (allDay)
            std::snprintf(line, sizeof line, "DTSTART;VALUE=DATE:%04d%02d%02d\r\n", y, m, d);
        else
            std::snprintf(line, sizeof line, "DTSTART;TZID=Bench/Zone%d:%04d%02d%02dT%02d0000\r\nDURATION:PT1H\r\n",
                          i % kZones, y, m, d, 8 + i % 10);
        out += "BEGIN:VEVENT\r\nUID:" + std::to_string(i) + "@bench\r\n" + line;
        if (i % 5 == 0)
            out += std::string("RRULE:") + kRules[i / 5 % std::size(kRules)] + "\r\n";
        out += "SUMMARY:予定 " + std::to_string(i) + "\r\nLOCATION:会議室 " + std::to_string(i % 20) +
               "\r\nDESCRIPTION:" + padding + "\r\nEND:VEVENT\r\n";
    }
    return out + "END:VCALENDAR\r\n";
}

// Bytes held through operator new: what the parsed feeds keep (the process's counters are not kept by Wine).
std::atomic<long long> heldBytes{0};
constexpr std::size_t kHeader = 16;

// The calendar window's month step with subscriptions: which days have events, and their dots.
void MonthEvents(const FeedShelf& shelf, const MonthModel& model, MonthDots& dots, std::vector<std::uint64_t>& busy)
{
    const local_days first(year{model.Year()} / model.Month() / 1);
    busy = shelf.BusyDays(first, first + std::chrono::days{DaysInMonth(model.Year(), model.Month()) - 1});
    dots = MonthDots{model.Year(), model.Month(), {}};
    for (std::size_t d = 0; d < busy.size(); ++d)
        for (std::size_t s = 0; s < shelf.Sources().size(); ++s)
            if ((busy[d] >> s) & 1)
                dots.days[d + 1].colours[static_cast<std::size_t>(dots.days[d + 1].count++)] =
                    shelf.Sources()[s].colour;
}

// The popup's lines of a day, as the calendar window makes them when the popup opens.
std::vector<DayInfoEvent> Lines(const FeedShelf& shelf, const std::vector<DayEvent>& events)
{
    std::vector<DayInfoEvent> lines;
    for (const DayEvent& e : events)
        if (lines.size() >= DayInfoWindow::kMaxEventLines)
            lines.emplace_back();
        else
            lines.push_back({TimeRangeText(e, L"終日") + L"  " + e.summary + L"（" + e.location + L"）",
                             shelf.Sources()[static_cast<std::size_t>(e.source)].colour});
    return lines;
}
} // namespace

void* operator new(std::size_t size)
{
    auto* block = static_cast<std::size_t*>(std::malloc(size + kHeader));
    if (block == nullptr)
        throw std::bad_alloc();
    *block = size;
    heldBytes += static_cast<long long>(size);
    return reinterpret_cast<char*>(block) + kHeader;
}
void operator delete(void* p) noexcept
{
    if (p == nullptr)
        return;
    auto* block = reinterpret_cast<std::size_t*>(static_cast<char*>(p) - kHeader);
    heldBytes -= static_cast<long long>(*block);
    std::free(block);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

int main(int argc, char** argv)
{
    Environment env(L"feeds");
    const int runs = std::max(3, static_cast<int>(Arg(argc, argv, 1, 40)));
    std::filesystem::create_directories(env.Dir() / L"qv.feeds");
    SubscriptionList list;
    std::string text;
    for (int i = 0; i < 3; ++i) {
        list.items.push_back({L"feed" + std::to_wstring(i), L"https://example.invalid/" + std::to_wstring(i) + L".ics",
                              0xFF0000FFu >> (8 * i) | 0xFF000000u, true});
        text = Feed(i * 11);
        std::ofstream(std::filesystem::path(feeds::BodyPath(env.DirWithSlash(), list.items.back().url)),
                      std::ios::binary)
            << text;
    }
    std::vector<double> parse;
    for (int i = 0; i < 5; ++i)
        parse.push_back(Micros([&] { FeedCalendar::Parse(text); }) / 1000);
    const FeedCalendar one = FeedCalendar::Parse(text);
    std::printf("feed: %.1f MB, %d events (%d recurring), %d zones; %zu kept after parsing\n",
                double(text.size()) / 1e6, kEvents, kEvents / 5, kZones, one.EventCount());
    std::printf("  parse (once per download)                %8.1f ms median of 5\n", Median(parse));
    const double expandOne = MedianMicros(runs, [&](int i) {
        const local_days first(year{2025 + i % 3} / (1 + i % 12) / 1);
        one.Expand(first, first + days{30});
    });
    std::printf("  expand one month of one feed             %8.1f ms\n", expandOne / 1000);

    const long long before = heldBytes;
    FeedShelf shelf;
    const double firstLoad = Micros([&] { shelf.Load(list, env.DirWithSlash()); }) / 1000;
    const long long after = heldBytes;
    const double unchangedLoad = MedianMicros(5, [&](int) { shelf.Load(list, env.DirWithSlash()); }) / 1000;
    std::printf("three subscriptions: read at start %.0f ms; again with the copies unchanged %.2f ms (no parse)\n",
                firstLoad, unchangedLoad);
    std::printf("  extra memory for the three                %7.1f MB (held on the heap)\n",
                double(after - before) / (1024 * 1024));

    // Month changes: the bare hand-over, and the step without and with the three subscriptions.
    HWND window = MakeLayeredWindow();
    DesignSettings settings;
    CalendarPainter painter(settings);
    CalendarFrame frame;
    MonthModel model(env.DirWithSlash());
    model.Show(2025, 1);
    RenderCalendar(window, frame, painter, model, 0, true);
    DibSurface painted;
    painted.Create(painter.GetSize().width, painter.GetSize().height);
    painter.Paint(model, painted.Dc(), 0);
    GdiFlush();
    const double bare =
        MedianMicros(runs, [&](int) { HandOver(window, painted.Dc(), painted.Width(), painted.Height()); });
    const double plain = MedianMicros(runs, [&](int) {
        model.NextMonth();
        RenderCalendar(window, frame, painter, model, AREA_DAYS, false);
    });
    MonthDots dots;
    std::vector<std::uint64_t> busy;
    painter.SetMonthDots(&dots);
    std::vector<double> expand;
    const double withFeeds = MedianMicros(runs, [&](int) {
        model.NextMonth();
        expand.push_back(Micros([&] { MonthEvents(shelf, model, dots, busy); }));
        RenderCalendar(window, frame, painter, model, AREA_DAYS, false);
    });
    std::printf("month change (NextMonth + render), medians of %d runs:\n", runs);
    std::printf("  bare hand-over (UpdateLayeredWindow)      %8.1f us\n", bare);
    std::printf("  without subscriptions                     %8.1f us  %5.2f x bare\n", plain, plain / bare);
    std::printf("  with the three                            %8.1f us  %5.2f x bare\n", withFeeds, withFeeds / bare);
    std::printf("    of which the days with events and dots  %8.1f us\n", Median(expand));

    // The popup of a busy day, against the same day without events.
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, nullptr, nullptr);
    DayInfoWindow info;
    info.CreateDayInfo(owner);
    // The month's lines, made in the pause after a month change, then the popup of its busiest day.
    const local_days first(year{model.Year()} / model.Month() / 1);
    std::vector<std::vector<DayEvent>> month;
    const double monthLines = MedianMicros(runs, [&](int) { month = shelf.Days(first, first + days{27}); });
    std::size_t busiest = 0;
    for (std::size_t d = 0; d < month.size(); ++d)
        busiest = month[d].size() > month[busiest].size() ? d : busiest;
    DayRecord day{model.Year(), model.Month(), static_cast<int>(busiest) + 1, DAY_MEMO, 0, nullptr, L"買い物\r\n掃除"};
    // Alternating, so that all see the same load of the machine: the memo alone; the popup with its
    // event lines given (its compose time); the lines taken from the month's, or found for the day
    // alone when the month's are not made yet, and the popup.
    const local_days date = first + days{busiest};
    const std::vector<DayInfoEvent> given = Lines(shelf, month[busiest]);
    std::vector<double> popup[4];
    for (int i = 0; i < 4 * runs + 4; ++i, Pump()) {
        const int kind = i % 4;
        const double micros = Micros([&] {
            if (kind == 0)
                info.ShowDayInfo(300, 200, day, settings, false);
            else if (kind == 1)
                info.ShowDayInfo(300, 200, day, settings, false, given);
            else if (kind == 2)
                info.ShowDayInfo(300, 200, day, settings, false, Lines(shelf, month[busiest]));
            else
                info.ShowDayInfo(300, 200, day, settings, false, Lines(shelf, shelf.Days(date, date).at(0)));
        });
        if (i >= 4) // the first of each: warm-up
            popup[kind].push_back(micros);
    }
    const double compose = Median(popup[1]);
    std::printf("the month's event lines, made in the pause after a month change: %.1f ms\n", monthLines / 1000);
    std::printf("popup of a day with a memo and %zu events (%zu lines shown), ShowDayInfo while shown:\n",
                month[busiest].size(), DayInfoWindow::kMaxEventLines);
    std::printf("  memo only, for reference                  %8.1f us\n", Median(popup[0]));
    std::printf("  compose with the event lines given        %8.1f us\n", compose);
    std::printf("  lines from the month's, and compose       %8.1f us  %5.2f x compose\n", Median(popup[2]),
                Median(popup[2]) / compose);
    std::printf("  the day's events found anew, and compose  %8.1f us  %5.2f x compose\n", Median(popup[3]),
                Median(popup[3]) / compose);
    DestroyWindow(owner);
    DestroyWindow(window);
    return 0;
}
