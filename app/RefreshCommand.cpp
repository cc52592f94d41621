#include "app/RefreshCommand.h"

#include "app/Application.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/RefreshSchedule.h"
#include "calendar/FeedRefresher.h"
#include "calendar/HttpFetch.h"
#include "calendar/Subscriptions.h"
#include "resource.h"
#include "settings/IniFile.h"

#include <memory>
#include <vector>

std::wstring RefreshLine(int total, int failed)
{
    return failed == 0 ? ResFormat(IDS_REFRESH_DONE, total) : ResFormat(IDS_REFRESH_FAILED, total, failed);
}

CommandResult RefreshAlone(const Arguments&)
{
    std::wstring directory;
    TheApp()->ModuleDirectory(directory);
    SubscriptionList subscriptions;
    subscriptions.Load(IniFile(directory + ResString(IDS_INI_FILE)));
    const FeedStore store(directory);
    HttpFetch fetch;
    int total = 0;
    int failed = 0;
    for (const Subscription& s : subscriptions.items) {
        if (!s.shown)
            continue;
        ++total;
        const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        FetchedFeed fetched = FetchFeed(store, s.url, fetch, now);
        KeepFeed(store, s.url, fetched);
        failed += fetched.state.outcome == FeedOutcome::Ok ? 0 : 1;
    }
    return {RefreshExitCode(failed), RefreshLine(total, failed)};
}

void RefreshInCalendar(CalendarWindow& calendar, const Arguments&, Reply reply)
{
    calendar.Refreshes().RefreshAll([reply](int total, int failed) {
        reply({RefreshExitCode(failed), RefreshLine(total, failed)});
    });
}
