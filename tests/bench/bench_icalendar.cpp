// Import of a large iCalendar file (50 000 events, about 10 MB) into an empty
// and into a full data file, and the export of the result; then 5 000 to 50 000
// events on one day, whose cost must grow with their number, not its square.
#include "bench/BenchSupport.h"
#include "app/TextCodec.h"
#include "calendar/DayDataExchange.h"
#include "calendar/FileIO.h"

using namespace bench;

namespace {
// All-day, UTC-timed and yearly events over 30 years, with escaped Japanese texts.
std::string LargeCalendar(int events)
{
    std::string out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//bench//\r\n";
    char line[256];
    for (int i = 0; i < events; ++i) {
        const int year = 1996 + i % 30, month = 1 + i / 30 % 12, day = 1 + i / 360 % 28;
        out += "BEGIN:VEVENT\r\n";
        std::snprintf(line, sizeof line, "UID:bench-%d@example.com\r\nDTSTAMP:20260101T000000Z\r\n", i);
        out += line;
        if (i % 10 == 9)
            std::snprintf(line, sizeof line, "DTSTART;VALUE=DATE:%04d%02d%02d\r\nRRULE:FREQ=YEARLY\r\n", year, month,
                          day);
        else if (i % 3 == 0)
            std::snprintf(line, sizeof line, "DTSTART:%04d%02d%02dT%02d3000Z\r\nDURATION:PT1H\r\n", year, month, day,
                          i % 24);
        else
            std::snprintf(line, sizeof line, "DTSTART;VALUE=DATE:%04d%02d%02d\r\n", year, month, day);
        out += line;
        out += ical::FoldLine("SUMMARY:" + ToUtf8(L"予定 " + std::to_wstring(i) + L"\\, 会議室"));
        out += ical::FoldLine(ToUtf8(L"DESCRIPTION:資料を準備\\; 第二会議室"));
        out += "END:VEVENT\r\n";
    }
    return out + "END:VCALENDAR\r\n";
}

// `events` timed events on one day, each a line of its own, with a description.
std::string OneDay(int events)
{
    std::string out = "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n";
    char line[128];
    for (int i = 0; i < events; ++i) {
        std::snprintf(line, sizeof line, "BEGIN:VEVENT\r\nDTSTART:20260505T%02d%02d00\r\nSUMMARY:", i / 60 % 24,
                      i % 60);
        out += line + ToUtf8(L"予定 " + std::to_wstring(i)) + "\r\nDESCRIPTION:x\r\nEND:VEVENT\r\n";
    }
    return out + "END:VCALENDAR\r\n";
}

bool WriteText(const std::filesystem::path& file, const std::string& text)
{
    FileReplacement write(file.wstring(), file.wstring() + L".tmp");
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    return write.Write(std::array{bytes}) && write.Commit();
}

std::int64_t FileSize(const std::filesystem::path& file)
{
    std::error_code error;
    return static_cast<std::int64_t>(std::filesystem::file_size(file, error));
}
} // namespace

int main(int argc, char** argv)
{
    Environment env(L"icalendar");
    const int events = static_cast<int>(Arg(argc, argv, 1, 50000));
    const int runs = static_cast<int>(Arg(argc, argv, 2, 3));
    const std::filesystem::path ics = env.Dir() / L"large.ics", dat = env.Dir() / L"qv.dat",
                                out = env.Dir() / L"out.ics";
    const std::string text = LargeCalendar(events);
    if (!WriteText(ics, text))
        return 1;

    exchange::Outcome outcome;
    std::vector<double> fresh, again, exported;
    for (int i = 0; i < runs; ++i) {
        std::filesystem::remove(dat);
        fresh.push_back(Micros([&] { outcome = exchange::ImportDayData(dat, ics); }) / 1000);
        if (outcome.status != exchange::Status::Done)
            return 1;
    }
    std::printf("iCalendar file: %.2f MB, %d events -> %d memo lines, %d memorial days, %d skipped; qv.dat %.2f MB\n",
                static_cast<double>(text.size()) / 1e6, events, outcome.counts.memoLines, outcome.counts.memorials,
                outcome.counts.skipped, static_cast<double>(FileSize(dat)) / 1e6);
    for (int i = 0; i < runs; ++i) {
        again.push_back(Micros([&] { outcome = exchange::ImportDayData(dat, ics); }) / 1000);
        exported.push_back(Micros([&] { exchange::ExportDayData(dat, out); }) / 1000);
    }
    std::printf("import into an empty qv.dat (parse, merge, one atomic save): median %.0f ms over %d runs\n",
                Median(fresh), runs);
    std::printf("the same import again (every line a duplicate, nothing written): median %.0f ms (%d duplicates)\n",
                Median(again), outcome.counts.duplicates);
    std::printf("export of the result (%.2f MB): median %.0f ms\n", static_cast<double>(FileSize(out)) / 1e6,
                Median(exported));

    for (const int count : {5000, 20000, 50000}) {
        if (!WriteText(ics, OneDay(count)))
            return 1;
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            std::filesystem::remove(dat);
            times.push_back(Micros([&] { outcome = exchange::ImportDayData(dat, ics); }) / 1000);
        }
        std::printf("%d events on one day into an empty qv.dat: median %.0f ms (%d lines added until the day's "
                    "memo was full, %d skipped)\n",
                    count, Median(times), outcome.counts.memoLines, outcome.counts.skipped);
    }
    return 0;
}
