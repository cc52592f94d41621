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
    static constexpr UINT_PTR TIMER_REFRESH = 110;
    static constexpr UINT_PTR TIMER_RESUME = 111;

    // `onFeedDone(changed)` follows every subscription refreshed, `changed`
    // when its kept copy is new.
    RefreshSchedule(std::wstring dataDirectory, const SubscriptionList& subscriptions,
                    std::function<void(bool changed)> onFeedDone);
    ~RefreshSchedule();
    RefreshSchedule(const RefreshSchedule&) = delete;
    RefreshSchedule& operator=(const RefreshSchedule&) = delete;

    // Once the settings are read: the worker reports to `window`, the interval
    // timer runs, and a first round starts.
    void Start(HWND window);
    // Ends the download under way; nothing is written after it.
    void Stop();
    // Every shown subscription.
    void RefreshAll();
    // After the settings page applied: removed subscriptions lose their kept
    // copies, these are fetched, and the interval starts anew.
    void SubscriptionsChanged(std::span<const std::wstring> refreshUrls);
    // The schedule's own messages to the window: its timers, the worker's
    // reports, resume from sleep and a refresh handed over by a second copy.
    // True when handled, with the answer in `result`.
    bool HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    std::vector<std::wstring> ShownUrls() const;
    void StartTimer();
    void AnswerWaiters();

    struct Waiter {
        unsigned round;
        HWND window;
    };

    std::wstring dataDirectory_;
    const SubscriptionList& subscriptions_;
    std::function<void(bool)> onFeedDone_;
    const UINT message_;
    HWND window_ = nullptr;
    std::unique_ptr<FeedRefresher> refresher_;
    std::vector<Waiter> waiters_;
};
