// What a look for due reminders costs against a large data file: 60 years of days with four
// timed memo lines each, and one day of 5000 timed lines. Printed: one evaluation of the
// scheduler (what the timer, a memo save or a resume runs), and the listing of /reminders
// over one year and over all 60.
#include "bench/BenchSupport.h"
#include "calendar/DateUtil.h"
#include "calendar/DayDataFormat.h"
#include "calendar/FileIO.h"
#include "calendar/Reminders.h"

using namespace bench;
using namespace std::chrono;

namespace {
constexpr int kFirstYear = 1990;
constexpr int kYears = 60;
constexpr year_month_day kBusyDay{year{2026}, month{12}, day{8}};

bool WriteTimedDataFile(const std::wstring& path)
{
    std::vector<std::uint8_t> memos;
    for (int y = kFirstYear; y < kFirstYear + kYears; ++y)
        for (int m = 1; m <= 12; ++m) {
            std::vector<dayfile::MemoEntry> entries;
            for (int d = 1; d <= DaysInMonth(y, m); ++d) {
                std::wstring text = L"9:00 朝会\r\n12:30 昼食の約束\r\n買い物\r\n15:00〜16:00 会議\r\n18:45 歯医者";
                if (year_month_day{year{y}, month{static_cast<unsigned>(m)}, day{static_cast<unsigned>(d)}} == kBusyDay)
                    for (int i = 0; i < 5000; ++i)
                        text += L"\r\n" + std::to_wstring(i % 24) + L":" + std::to_wstring(10 + i % 50) + L" 予定";
                entries.push_back({d, text});
            }
            const auto block = dayfile::EncodeMemoBlock(y * 100 + m, entries);
            memos.insert(memos.end(), block->begin(), block->end());
        }
    const auto length = static_cast<std::uint32_t>(memos.size());
    const std::span<const std::uint8_t> pieces[] = {{reinterpret_cast<const std::uint8_t*>(&length), 4}, memos};
    FileReplacement file(path, path + L".new");
    return file.Write(pieces) && file.Commit();
}
} // namespace

int main()
{
    Environment env(L"reminders");
    const std::wstring path = (env.Dir() / L"qv.dat").wstring();
    if (!WriteTimedDataFile(path)) {
        std::printf("could not write %ls\n", path.c_str());
        return 1;
    }
    std::printf("qv.dat: %ju bytes (%d years, four timed lines a day, one day of 5000 more)\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(path)), kYears);

    const tz::TimeZone& zone = *tz::ComputerZone();
    const auto at = [&](local_days d, minutes t) { return time_point_cast<milliseconds>(zone.ToUtc(d + t)); };
    reminders::Scheduler scheduler;
    reminders::Millis now = at(local_days{kBusyDay}, 8h);
    scheduler.AddSource(reminders::MemoSource(path));
    scheduler.SetClock([&] { return now; }, [] { return tz::ComputerZone(); });
    std::size_t due = 0;
    const double busy = MedianMicros(31, [&](int) { due += scheduler.Evaluate({}).due.size(); });
    now = at(local_days{year{2027} / 6 / 15}, 8h);
    const double plain = MedianMicros(31, [&](int) { due += scheduler.Evaluate({}).due.size(); });
    std::printf("one evaluation: %.2f ms on the busy day, %.2f ms on an ordinary one (%zu due)\n", busy / 1000,
                plain / 1000, due);

    const reminders::Source sources[] = {reminders::MemoSource(path)};
    for (const int years : {1, kYears}) {
        std::size_t count = 0;
        const local_days first{year{kFirstYear + kYears - years} / 1 / 1};
        const double us = Micros([&] {
            count = reminders::Listing(sources, zone, {}, first, local_days{year{kFirstYear + kYears - 1} / 12 / 31})
                        ->size();
        });
        std::printf("/reminders over %d year(s): %.1f ms for %zu reminders\n", years, us / 1000, count);
    }
    return 0;
}
