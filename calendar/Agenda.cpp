#include "calendar/Agenda.h"

#include "app/TextCodec.h"
#include "app/Application.h"
#include "calendar/DayDataExchange.h"
#include "calendar/FileIO.h"
#include "calendar/Holidays.h"
#include "res/resource.h"
#include "settings/IniFile.h"

#include <algorithm>
#include <array>
#include <cwchar>
#include <tuple>

using namespace std::chrono;

namespace agenda {
namespace {
enum Rank { kHoliday, kMemo, kMemorial, kEvent };

int Int(auto value) { return static_cast<int>(static_cast<unsigned>(value)); }

// One field of a line: no tab or line break may cut it.
std::wstring Field(std::wstring_view text)
{
    std::wstring out(text);
    std::replace_if(
        out.begin(), out.end(), [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n'; }, L' ');
    return out;
}

std::vector<std::wstring> MemoLines(const std::wstring& memo)
{
    std::vector<std::wstring> lines;
    std::size_t pos = 0;
    while (pos <= memo.size()) {
        const std::size_t end = std::min(memo.find_first_of(L"\r\n", pos), memo.size());
        if (end > pos)
            lines.push_back(Field(std::wstring_view(memo).substr(pos, end - pos)));
        pos = end + (memo.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    }
    return lines;
}
} // namespace

std::vector<Line> Collect(local_days first, local_days last, const exchange::DayData& data, const FeedShelf& feeds,
                          const tz::TimeZone& shownIn)
{
    std::vector<Line> lines;
    const std::wstring holiday = ResString(IDS_AGENDA_HOLIDAY), memo = ResString(IDS_AGENDA_MEMO),
                       memorial = ResString(IDS_AGENDA_MEMORIAL);
    for (local_days d = first; d <= last; d += days{1}) {
        const year_month_day ymd(d);
        const int y = static_cast<int>(ymd.year()), m = Int(ymd.month()), day = Int(ymd.day());
        if (const wchar_t* name = HolidayName(y, m, day, static_cast<int>(weekday(d).c_encoding())))
            lines.push_back({d, kHoliday, true, 0, 24 * 60, 0, holiday, name});
        if (const auto month = data.memos.find(y * 100 + m); month != data.memos.end())
            if (const auto text = month->second.find(day); text != month->second.end())
                for (std::wstring& l : MemoLines(text->second))
                    lines.push_back({d, kMemo, true, 0, 24 * 60, 0, memo, std::move(l)});
        if (const auto month = data.memorials.find(m); month != data.memorials.end())
            if (const auto entry = month->second.find(day); entry != month->second.end() && !entry->second.name.empty())
                lines.push_back({d, kMemorial, true, 0, 24 * 60, 0, memorial, Field(entry->second.name)});
    }
    const auto events = feeds.Days(first, last, shownIn);
    for (std::size_t i = 0; i < events.size(); ++i)
        for (const DayEvent& e : events[i])
            lines.push_back({first + days{static_cast<int>(i)}, kEvent, e.allDay, e.from, e.to, e.source,
                             Field(feeds.Sources()[static_cast<std::size_t>(e.source)].name), Field(e.summary)});
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) {
        if (a.day != b.day)
            return a.day < b.day;
        if (a.allDay != b.allDay)
            return a.allDay;
        if (a.allDay)
            return std::pair(a.rank, a.source) < std::pair(b.rank, b.source);
        return std::tuple(a.from, a.to, a.source) < std::tuple(b.from, b.to, b.source);
    });
    return lines;
}

std::string Format(std::span<const Line> lines)
{
    const std::wstring allDay = ResString(IDS_EVENT_ALL_DAY);
    std::wstring text;
    for (const Line& l : lines) {
        const year_month_day d(l.day);
        wchar_t date[16];
        std::swprintf(date, std::size(date), L"%04d-%02d-%02d", static_cast<int>(d.year()), Int(d.month()),
                      Int(d.day()));
        DayEvent range;
        range.allDay = l.allDay;
        range.from = l.from;
        range.to = l.to;
        text += date;
        text += L'\t' + TimeRangeText(range, allDay) + L'\t' + l.kind + L'\t' + l.text + L"\r\n";
    }
    return ToUtf8(text);
}

std::optional<local_days> ParseDate(std::wstring_view text)
{
    if (text.size() != 10 || text[4] != L'-' || text[7] != L'-')
        return std::nullopt;
    int parts[3] = {0, 0, 0};
    for (std::size_t i = 0, part = 0; i < text.size(); ++i) {
        if (i == 4 || i == 7) {
            ++part;
            continue;
        }
        if (text[i] < L'0' || text[i] > L'9')
            return std::nullopt;
        parts[part] = parts[part] * 10 + (text[i] - L'0');
    }
    const year_month_day d{year{parts[0]}, month{static_cast<unsigned>(parts[1])},
                           day{static_cast<unsigned>(parts[2])}};
    if (!d.ok() || parts[0] < 1)
        return std::nullopt;
    return local_days(d);
}

} // namespace agenda

int RunAgenda(const std::wstring& first, const std::wstring& last, const std::wstring& path, std::wstring& line,
              const std::wstring& dataDirectory)
{
    const auto from = agenda::ParseDate(first), to = agenda::ParseDate(last);
    if (!from || !to || *to < *from || (*to - *from).count() >= agenda::kMaxDays || path.empty()) {
        line = ResFormat(IDS_CMD_BAD_ARGUMENTS, ResString(IDS_AGENDA_USAGE).c_str());
        return 2;
    }
    // A full path: the file layer replaces an existing file by its full name.
    std::vector<wchar_t> full(32768);
    const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0 || length >= full.size()) {
        line = ResString(IDS_AGENDA_WRITE_FAILED);
        return 1;
    }
    const std::wstring target(full.data(), length);
    std::wstring directory = dataDirectory;
    if (directory.empty())
        TheApp()->ModuleDirectory(directory);

    const std::wstring dataPath = directory + ResString(IDS_DAT_FILE);
    if (const UINT refused = exchange::RefusedExportTarget(dataPath, target)) {
        line = ResString(refused);
        return 1;
    }
    MappedFile dat;
    const ReadResult read = dat.Open(dataPath);
    if (read == ReadResult::Failed) {
        line = ResString(IDS_AGENDA_READ_FAILED);
        return 1;
    }
    const exchange::DayData data = read == ReadResult::Ok ? exchange::ReadDayData(dat.Bytes()) : exchange::DayData{};
    dat.Close();
    SubscriptionList subscriptions;
    subscriptions.Load(IniFile(directory + ResString(IDS_INI_FILE)));
    FeedShelf feeds;
    feeds.Load(subscriptions, directory);

    const auto lines = agenda::Collect(*from, *to, data, feeds, *tz::ComputerZone());
    const std::string text = agenda::Format(lines);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    FileReplacement replacement(target, {}); // a name of its own: never over another file
    if (!replacement.Write(std::array{bytes}) || !replacement.Commit()) {
        line = ResString(IDS_AGENDA_WRITE_FAILED);
        return 1;
    }
    const std::wstring format = ResString(IDS_AGENDA_DONE);
    std::vector<wchar_t> done(format.size() + 32);
    std::swprintf(done.data(), done.size(), format.c_str(), static_cast<int>(lines.size()));
    line = done.data();
    return 0;
}
