#include "calendar/FeedShelf.h"

#include "calendar/FileIO.h"

#include <algorithm>
#include <cwchar>

using namespace std::chrono;

namespace {
long long LastWrite(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return -1;
    return (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}
} // namespace

bool FeedShelf::Read(Source& source)
{
    const long long written = LastWrite(source.path);
    MappedFile file;
    if (written < 0 || file.Open(source.path) != ReadResult::Ok)
        return false;
    const auto bytes = file.Bytes();
    auto feed = std::make_shared<FeedCalendar>(
        FeedCalendar::Parse({reinterpret_cast<const char*>(bytes.data()), bytes.size()}));
    if (feed->Error() != ical::ParseError::None)
        return false;
    source.feed = std::move(feed);
    source.written = written;
    return true;
}

void FeedShelf::Load(const SubscriptionList& list, const std::wstring& dataDirectory)
{
    std::vector<Source> sources;
    for (const Subscription& s : list.items) {
        if (!s.shown)
            continue;
        Source source{s.name, s.url, s.color, nullptr, feeds::BodyPath(dataDirectory, s.url)};
        const auto old = std::find_if(sources_.begin(), sources_.end(),
                                      [&](const Source& o) { return o.path == source.path && o.feed; });
        if (old != sources_.end() && old->written == LastWrite(source.path)) {
            source.feed = old->feed;
            source.written = old->written;
        } else {
            Read(source);
        }
        sources.push_back(std::move(source));
    }
    sources_ = std::move(sources);
    ++generation_;
}

bool FeedShelf::Reload(std::wstring_view url)
{
    bool read = false;
    for (Source& source : sources_)
        if (source.url == url && Read(source))
            read = true;
    if (read)
        ++generation_;
    return read;
}

void FeedShelf::Replace(std::wstring_view url, std::shared_ptr<const FeedCalendar> feed)
{
    if (!feed || feed->Error() != ical::ParseError::None)
        return;
    for (Source& source : sources_)
        if (source.url == url) {
            source.feed = feed;
            source.written = LastWrite(source.path);
        }
    ++generation_;
}

std::vector<std::uint64_t> FeedShelf::BusyDays(local_days first, local_days last) const
{
    const auto shownIn = tz::ComputerZone();
    std::vector<std::uint64_t> out(last < first ? 0 : static_cast<std::size_t>((last - first).count() + 1));
    for (std::size_t i = 0; i < std::min<std::size_t>(sources_.size(), 64); ++i) {
        if (!sources_[i].feed)
            continue;
        const std::vector<bool> busy = sources_[i].feed->BusyDays(first, last, *shownIn);
        for (std::size_t d = 0; d < busy.size(); ++d)
            out[d] |= std::uint64_t{busy[d]} << i;
    }
    return out;
}

std::vector<std::vector<DayEvent>> FeedShelf::Days(local_days first, local_days last) const
{
    return Days(first, last, *tz::ComputerZone());
}

std::vector<std::vector<DayEvent>> FeedShelf::Days(local_days first, local_days last, const tz::TimeZone& shownIn) const
{
    std::vector<std::vector<DayEvent>> out;
    if (last < first)
        return out;
    out.resize(static_cast<std::size_t>((last - first).count() + 1));
    for (std::size_t i = 0; i < sources_.size(); ++i) {
        if (!sources_[i].feed)
            continue;
        for (const Occurrence& o : sources_[i].feed->Expand(first, last, shownIn)) {
            // The days it covers: an end at midnight does not reach into that day.
            const local_days begin = floor<days>(o.start);
            const local_days end = o.end > o.start ? floor<days>(o.end - seconds{1}) : begin;
            for (local_days d = std::max(begin, first); d <= std::min(end, last); d += days{1}) {
                const bool lastDay = d == std::min(end, last); // the texts move into its entry
                DayEvent e{static_cast<int>(i),
                           o.allDay,
                           0,
                           24 * 60,
                           o.start,
                           lastDay ? std::move(o.summary) : o.summary,
                           lastDay ? std::move(o.location) : o.location};
                if (!o.allDay) {
                    e.from = static_cast<int>(floor<minutes>(std::max(o.start, local_seconds(d)) - d).count());
                    e.to = static_cast<int>(floor<minutes>(std::min(o.end, local_seconds(d + days{1})) - d).count());
                }
                out[static_cast<std::size_t>((d - first).count())].push_back(std::move(e));
            }
        }
    }
    for (auto& day : out)
        std::stable_sort(day.begin(), day.end(), [](const DayEvent& a, const DayEvent& b) {
            if (a.allDay != b.allDay)
                return a.allDay;
            if (a.from != b.from)
                return a.from < b.from;
            if (a.to != b.to)
                return a.to < b.to;
            return a.source < b.source;
        });
    return out;
}

std::wstring TimeRangeText(const DayEvent& event, std::wstring_view allDay)
{
    if (event.allDay)
        return std::wstring(allDay);
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%02d:%02d-%02d:%02d", event.from / 60, event.from % 60, event.to / 60,
                  event.to % 60);
    return text;
}
