// Reminders on the calendar window: one timer for the next due moment, the
// balloon when something is due, and the last reminder shown kept in qv.ini.
#pragma once
#include "calendar/Reminders.h"
#include "settings/ReminderSettings.h"
#include "settings/SettingsHost.h"
#include "ui/calendar/ReminderNotifier.h"

#include <chrono>
#include <optional>
#include <string>

class ReminderService {
public:
    // The timer runs on the host window under `timerId`; balloons come from its icon `iconId`.
    ReminderService(ReminderSettings& settings, SettingsHost& host, UINT_PTR timerId, UINT iconId);

    // Further sources (online calendars) are added here, before Start.
    reminders::Scheduler& Scheduler() { return scheduler_; }
    ReminderNotifier& Notifier() { return notifier_; }

    // Once qv.ini has been read and the icon added: the memo lines of `dataPath`
    // become a source, and what was missed meanwhile is shown.
    void Start(std::wstring dataPath);
    // Looks again and re-arms the timer: after a memo save, an import, a refresh
    // of an online calendar, an Apply of the options, and when the timer fires.
    void Rearm();
    // The clock or the time zone changed (the zone already read again), or the computer
    // woke up: the last reminder's moment is kept in the new local time, then Rearm.
    void ClockChanged();
    // The day of the balloon last shown, which a click on it opens.
    std::optional<std::chrono::year_month_day> BalloonDay() const { return notifier_.Day(); }

private:
    ReminderSettings& settings_;
    SettingsHost& host_;
    UINT_PTR timerId_;
    UINT iconId_;
    reminders::Scheduler scheduler_;
    ReminderNotifier notifier_;
    bool started_ = false;
    bool store_ = false; // qv.ini must be written
};
