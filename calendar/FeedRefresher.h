// Refreshing the kept copies of the online calendars: one subscription at a
// time (download, check, keep), and rounds of them on a worker thread that
// tells a window what it did.
#pragma once
#include "app/Win.h"
#include "calendar/FeedCalendar.h"
#include "calendar/FeedStore.h"

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

class HttpFetch;

// A subscription downloaded, not kept yet: its new state, and a new body when
// the download gave one that differs from the kept copy and is iCalendar.
struct FetchedFeed {
    FeedState state;
    std::optional<std::string> body;
    std::shared_ptr<const FeedCalendar> feed; // the new body read, so the calendar parses nothing
};
// The kept copy's validators are sent, a 304 or the same bytes confirm it
// without reading it as iCalendar, and a body that is not iCalendar is
// refused with its line number.
FetchedFeed FetchFeed(const FeedStore& store, const std::wstring& url, HttpFetch& fetch, std::chrono::sys_seconds now);
// Writes the new body (if any), then the state; a body that cannot be written
// leaves the kept copy as it was and a state that says so. True when a new
// body was kept.
bool KeepFeed(const FeedStore& store, const std::wstring& url, FetchedFeed& fetched);

class FeedRefresher {
public:
    // wParam of the posted message: one subscription done (lParam 1 when its
    // kept copy changed), or a round done (lParam its number; see TakeReports).
    static constexpr WPARAM kFeedDone = 1;
    static constexpr WPARAM kRoundDone = 2;

    struct Report {
        unsigned round = 0;
        int refreshed = 0; // subscriptions the round took up
        int failed = 0;    // of those, not refreshed
    };

    // `dataDirectory`: where qv.dat lives (with its trailing backslash). The
    // worker starts with the first request.
    FeedRefresher(std::wstring dataDirectory, HWND window, UINT message);
    // Stops the worker (see Stop).
    ~FeedRefresher();
    FeedRefresher(const FeedRefresher&) = delete;
    FeedRefresher& operator=(const FeedRefresher&) = delete;

    // The addresses of every subscription: the kept copies of any other are
    // removed, and nothing is kept any more for them.
    void SetSubscriptions(std::vector<std::wstring> urls);
    // Fetches these addresses in the next round: now, or after the one under
    // way; only those given to SetSubscriptions are kept. The number of that
    // round; 0 when there is nothing to fetch.
    unsigned Request(std::span<const std::wstring> urls);
    // The rounds finished since the last call.
    std::vector<Report> TakeReports();
    // The kept copies that changed since the last call, each with the feed read from it.
    struct Kept {
        std::wstring url;
        std::shared_ptr<const FeedCalendar> feed;
    };
    std::vector<Kept> TakeKept();
    // Cancels the download under way and waits a little for the worker; one
    // that the system keeps blocked is left to end with the process, writing
    // nothing more.
    void Stop();

private:
    struct Shared;
    static void Work(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> shared_;
    std::thread worker_;
};
