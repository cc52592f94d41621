// The reminder balloon from the notification-area icon (a toast on Windows 10
// and 11), and the day it is about, which a click on it opens.
#pragma once
#include "app/Handle.h"
#include "calendar/Reminders.h"

#include <chrono>
#include <functional>
#include <optional>
#include <span>
#include <string>

struct BalloonText {
    std::wstring title; // "10:00 歯医者"
    std::wstring body;  // the day and how soon, the online calendar's name, how many more
};

// The balloon for reminders due together: the first (by start) is named, the others counted.
BalloonText ComposeBalloon(std::span<const reminders::Reminder> due, reminders::Millis now);

class ReminderNotifier {
public:
    // Where a balloon request goes: the shell, or a test's recorder.
    using Sink = std::function<bool(const NOTIFYICONDATAW&)>;

    ReminderNotifier();
    void SetSink(Sink sink) { sink_ = std::move(sink); }

    // Asks for a balloon from icon `iconId` of `window`; false when the shell
    // refused it (no icon yet), and the day is then not taken.
    bool Show(HWND window, UINT iconId, const BalloonText& text, std::chrono::year_month_day day);
    // The day of the last balloon shown.
    std::optional<std::chrono::year_month_day> Day() const { return day_; }

private:
    Sink sink_;
    UniqueIcon icon_; // the program's icon, shown in the balloon
    std::optional<std::chrono::year_month_day> day_;
};
