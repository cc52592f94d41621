#include "ui/calendar/RefreshSchedule.h"

#include "app/RefreshCommand.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {
// The network comes back a little after the system.
constexpr UINT kResumeDelayMs = 10000;
} // namespace

RefreshSchedule::RefreshSchedule(std::wstring dataDirectory, const SubscriptionList& subscriptions,
                                 std::function<void(bool)> onFeedDone)
    : dataDirectory_(std::move(dataDirectory)), subscriptions_(subscriptions), onFeedDone_(std::move(onFeedDone)),
      message_(RegisterWindowMessageW(L"Mosaryn.FeedRefresh"))
{
}

RefreshSchedule::~RefreshSchedule() { Stop(); }

void RefreshSchedule::Start(HWND window)
{
    window_ = window;
    refresher_ = std::make_unique<FeedRefresher>(dataDirectory_, window, message_);
    std::vector<std::wstring> all;
    for (const Subscription& s : subscriptions_.items)
        all.push_back(s.url);
    refresher_->SetSubscriptions(std::move(all));
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

std::vector<std::wstring> RefreshSchedule::ShownUrls() const
{
    std::vector<std::wstring> urls;
    for (const Subscription& s : subscriptions_.items)
        if (s.shown)
            urls.push_back(s.url);
    return urls;
}

void RefreshSchedule::StartTimer()
{
    if (window_ != nullptr)
        SetTimer(window_, TIMER_REFRESH, static_cast<UINT>(subscriptions_.refreshMinutes) * 60000u, nullptr);
}

void RefreshSchedule::RefreshAll()
{
    if (refresher_)
        refresher_->Request(ShownUrls());
}

void RefreshSchedule::SubscriptionsChanged(std::span<const std::wstring> refreshUrls)
{
    if (!refresher_)
        return;
    std::vector<std::wstring> all;
    for (const Subscription& s : subscriptions_.items)
        all.push_back(s.url);
    refresher_->SetSubscriptions(std::move(all));
    refresher_->Request(refreshUrls);
    StartTimer();
}

void RefreshSchedule::AnswerWaiters()
{
    const UINT reply = RefreshReplyMessage();
    for (const FeedRefresher::Report& report : refresher_->TakeReports()) {
        const auto answered = std::remove_if(waiters_.begin(), waiters_.end(), [&](const Waiter& w) {
            if (w.round > report.round)
                return false;
            PostMessageW(w.window, reply, static_cast<WPARAM>(report.failed), report.refreshed);
            return true;
        });
        waiters_.erase(answered, waiters_.end());
    }
}

bool RefreshSchedule::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    if (!refresher_)
        return false;
    if (msg == message_) {
        if (wParam == FeedRefresher::kFeedDone && onFeedDone_)
            onFeedDone_(lParam != 0);
        else if (wParam == FeedRefresher::kRoundDone)
            AnswerWaiters();
        return true;
    }
    switch (msg) {
    case WM_TIMER:
        if (wParam == TIMER_RESUME)
            KillTimer(window_, TIMER_RESUME);
        else if (wParam != TIMER_REFRESH)
            return false;
        RefreshAll();
        return true;
    case WM_POWERBROADCAST:
        if (wParam != PBT_APMRESUMEAUTOMATIC)
            return false;
        SetTimer(window_, TIMER_RESUME, kResumeDelayMs, nullptr);
        result = TRUE;
        return true;
    case WM_COPYDATA: {
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (data == nullptr || data->dwData != COPYDATA_REFRESH)
            return false;
        std::uint64_t handle = 0;
        if (data->cbData != sizeof(handle) || data->lpData == nullptr)
            return true; // a malformed request is answered 0: not taken up
        std::memcpy(&handle, data->lpData, sizeof(handle));
        const HWND waiter = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(handle));
        const std::vector<std::wstring> urls = ShownUrls();
        if (urls.empty())
            PostMessageW(waiter, RefreshReplyMessage(), 0, 0);
        else
            waiters_.push_back({refresher_->Request(urls), waiter});
        result = 1;
        return true;
    }
    default: return false;
    }
}
