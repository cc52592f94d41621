// When the online calendars are refreshed: at start, every interval, a little
// after the system resumes from sleep, after subscriptions are added or edited,
// on request (the menu, a second copy's "/refresh"). The work runs on the
// refresher's worker thread; the calendar window only hands messages over.
#pragma once
#include "app/Win.h"
#include "calendar/FeedRefresher.h"
#include "calendar/Subscriptions.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class RefreshSchedule {
public:
    static constexpr UINT_PTR TIMER_REFRESH = 111;
    static constexpr UINT_PTR TIMER_RESUME = 112;
    // Told how many subscriptions a round refreshed and how many of them failed.
    using RoundDone = std::function<void(int refreshed, int failed)>;

    // `onFeedDone(kept)` follows every subscription refreshed, with the kept
    // copies that changed since, each already read.
    RefreshSchedule(std::wstring dataDirectory, const SubscriptionList& subscriptions,
                    std::function<void(std::vector<FeedRefresher::Kept> kept)> onFeedDone);
    ~RefreshSchedule();
    RefreshSchedule(const RefreshSchedule&) = delete;
    RefreshSchedule& operator=(const RefreshSchedule&) = delete;

    // Once the settings are read: the worker reports to `window`, the interval
    // timer runs, and a first round starts.
    void Start(HWND window);
    // Ends the download under way; nothing is written after it.
    void Stop();
    // Every shown subscription; `done` hears of the round's end.
    void RefreshAll(RoundDone done = {});
    // After the settings page applied: removed subscriptions lose their kept
    // copies, these are fetched, and the interval starts anew.
    void SubscriptionsChanged(std::span<const std::wstring> refreshUrls);
    // The schedule's own messages to the window: its timers and the worker's reports; true
    // when handled. A resume from sleep is seen but left to others too.
    bool HandleMessage(UINT msg, WPARAM wParam);

private:
    // The subscriptions' addresses, all or only those of the shown ones.
    std::vector<std::wstring> Urls(bool shownOnly) const;
    void StartTimer();
    void AnswerWaiters();

    struct Waiter {
        unsigned round;
        RoundDone done;
    };

    std::wstring dataDirectory_;
    const SubscriptionList& subscriptions_;
    std::function<void(std::vector<FeedRefresher::Kept>)> onFeedDone_;
    const UINT message_;
    HWND window_ = nullptr;
    std::unique_ptr<FeedRefresher> refresher_;
    std::vector<Waiter> waiters_;
};
