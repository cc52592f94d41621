#include "ui/calendar/ReminderService.h"

#include <algorithm>

using namespace std::chrono;

namespace {
// The shell may not be up yet (start at logon): a refused balloon is asked for again after this.
constexpr minutes kRetry{1};
} // namespace

ReminderService::ReminderService(ReminderSettings& settings, SettingsHost& host, UINT_PTR timerId, UINT iconId)
    : settings_(settings), host_(host), timerId_(timerId), iconId_(iconId)
{
}

void ReminderService::Start(std::wstring dataPath)
{
    scheduler_.AddSource(reminders::MemoSource(std::move(dataPath)));
    scheduler_.SetLastShown(settings_.lastShown);
    store_ = settings_.Repaired();
    started_ = true;
    Rearm();
}

void ReminderService::ClockChanged()
{
    if (!started_)
        return;
    const auto lastShown = scheduler_.LastShown();
    if (lastShown != settings_.lastShown) {
        settings_.lastShown = lastShown;
        store_ = true;
    }
    Rearm();
}

void ReminderService::Rearm()
{
    if (!started_)
        return;
    HWND window = host_.HostWindow();
    auto plan = scheduler_.Evaluate({settings_.enabled, minutes{settings_.leadMinutes}});
    if (!plan.due.empty()) {
        const year_month_day day{floor<days>(plan.due.front().appointment.start)};
        if (notifier_.Show(window, iconId_, ComposeBalloon(plan.due, scheduler_.Now()), day)) {
            scheduler_.MarkShown(plan.due);
            settings_.lastShown = scheduler_.LastShown();
            store_ = true;
        } else {
            plan.next = scheduler_.Now() + kRetry;
        }
    }
    if (store_) {
        store_ = false;
        host_.StoreSettings();
    }
    KillTimer(window, timerId_);
    if (plan.next) {
        const auto wait = std::clamp<milliseconds::rep>((*plan.next - scheduler_.Now()).count(), USER_TIMER_MINIMUM,
                                                        milliseconds{reminders::kMaxWait}.count());
        SetTimer(window, timerId_, static_cast<UINT>(wait), nullptr);
    }
}
