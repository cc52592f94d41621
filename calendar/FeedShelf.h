// The shown subscriptions with their kept copies, each read once, and their
// events laid out per day for the calendar, its popup and the agenda.
#pragma once
#include "calendar/FeedCalendar.h"
#include "calendar/Subscriptions.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// An occurrence as it falls on one day.
struct DayEvent {
    int source = 0; // index among the shelf's sources
    bool allDay = false;
    int from = 0, to = 0; // minutes of that day, 0-1440: the part of the day an event covers
    std::chrono::local_seconds start;
    std::wstring summary, location;
};

class FeedShelf {
public:
    struct Source {
        std::wstring name, url;
        Argb colour = 0;
        std::shared_ptr<const FeedCalendar> feed; // null until a kept copy could be read
        std::wstring path;
        long long written = -1; // the kept copy's last write time when it was read
    };

    // The shown subscriptions of the list, with their kept copies beside qv.dat (a
    // missing or refused copy shows nothing). Copies read before and unchanged since are kept.
    void Load(const SubscriptionList& list, const std::wstring& dataDirectory);
    // A subscription's kept copy was replaced: reads it again. False when it cannot be read
    // or is refused; what it showed before stays.
    bool Reload(std::wstring_view url);
    // The same with a copy already read (on the thread that fetched it): nothing is parsed here.
    void Replace(std::wstring_view url, std::shared_ptr<const FeedCalendar> feed);

    const std::vector<Source>& Sources() const { return sources_; }
    // Bumped by every change of what the shelf shows.
    unsigned Generation() const { return generation_; }

    // The events of each day first..last: element i holds day first + i, all-day events
    // first, then by start. `shownIn` is the zone they are shown in.
    std::vector<std::vector<DayEvent>> Days(std::chrono::local_days first, std::chrono::local_days last,
                                            const tz::TimeZone& shownIn) const;
    std::vector<std::vector<DayEvent>> Days(std::chrono::local_days first, std::chrono::local_days last) const;
    // For each day first..last, bit s set when source s (below 64) has an occurrence that day.
    std::vector<std::uint64_t> BusyDays(std::chrono::local_days first, std::chrono::local_days last) const;

private:
    static bool Read(Source& source);
    std::vector<Source> sources_;
    unsigned generation_ = 0;
};

// "終日" for an all-day event, else "HH:MM-HH:MM" of the part of the day it covers.
std::wstring TimeRangeText(const DayEvent& event, std::wstring_view allDay);
