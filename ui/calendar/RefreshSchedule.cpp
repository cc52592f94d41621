#include "ui/calendar/RefreshSchedule.h"

#include <algorithm>

namespace {
// The network comes back a little after the system.
constexpr UINT kResumeDelayMs = 10000;
} // namespace

RefreshSchedule::RefreshSchedule(std::wstring dataDirectory, const SubscriptionList& subscriptions,
                                 std::function<void(std::vector<FeedRefresher::Kept>)> onFeedDone)
    : dataDirectory_(std::move(dataDirectory)), subscriptions_(subscriptions), onFeedDone_(std::move(onFeedDone)),
      message_(RegisterWindowMessageW(L"Mosaryn.FeedRefresh"))
{
}

RefreshSchedule::~RefreshSchedule() { Stop(); }

void RefreshSchedule::Start(HWND window)
{
    window_ = window;
    refresher_ = std::make_unique<FeedRefresher>(dataDirectory_, window, message_);
    refresher_->SetSubscriptions(Urls(false));
    StartTimer();
    RefreshAll();
}

void RefreshSchedule::Stop()
{
    if (refresher_)
        refresher_->Stop();
    refresher_.reset();
    if (window_ != nullptr && IsWindow(window_)) {
        KillTimer(window_, TIMER_REFRESH);
        KillTimer(window_, TIMER_RESUME);
    }
    window_ = nullptr;
}

std::vector<std::wstring> RefreshSchedule::Urls(bool shownOnly) const
{
    std::vector<std::wstring> urls;
    for (const Subscription& s : subscriptions_.items)
        if (s.shown || !shownOnly)
            urls.push_back(s.url);
    return urls;
}

void RefreshSchedule::StartTimer()
{
    if (window_ != nullptr)
        SetTimer(window_, TIMER_REFRESH, static_cast<UINT>(subscriptions_.refreshMinutes) * 60000u, nullptr);
}

void RefreshSchedule::RefreshAll(RoundDone done)
{
    const std::vector<std::wstring> urls = Urls(true);
    if (!refresher_ || urls.empty()) {
        if (done)
            done(0, 0);
        return;
    }
    const unsigned round = refresher_->Request(urls);
    if (done)
        waiters_.push_back({round, std::move(done)});
}

void RefreshSchedule::SubscriptionsChanged(std::span<const std::wstring> refreshUrls)
{
    if (!refresher_)
        return;
    refresher_->SetSubscriptions(Urls(false));
    refresher_->Request(refreshUrls);
    StartTimer();
}

void RefreshSchedule::AnswerWaiters()
{
    for (const FeedRefresher::Report& report : refresher_->TakeReports()) {
        std::vector<Waiter> answered;
        const auto split = std::stable_partition(waiters_.begin(), waiters_.end(),
                                                 [&](const Waiter& w) { return w.round > report.round; });
        std::move(split, waiters_.end(), std::back_inserter(answered));
        waiters_.erase(split, waiters_.end());
        for (const Waiter& w : answered)
            w.done(report.refreshed, report.failed);
    }
}

bool RefreshSchedule::HandleMessage(UINT msg, WPARAM wParam)
{
    if (!refresher_)
        return false;
    if (msg == message_) {
        if (wParam == FeedRefresher::kFeedDone && onFeedDone_)
            onFeedDone_(refresher_->TakeKept());
        else if (wParam == FeedRefresher::kRoundDone)
            AnswerWaiters();
        return true;
    }
    if (msg == WM_TIMER && (wParam == TIMER_REFRESH || wParam == TIMER_RESUME)) {
        if (wParam == TIMER_RESUME)
            KillTimer(window_, TIMER_RESUME);
        RefreshAll();
        return true;
    }
    // The network comes back a little after the system; the reminders look at once.
    if (msg == WM_POWERBROADCAST && wParam == PBT_APMRESUMEAUTOMATIC)
        SetTimer(window_, TIMER_RESUME, kResumeDelayMs, nullptr);
    return false;
}
