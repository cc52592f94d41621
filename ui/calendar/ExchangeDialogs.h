// The calendar's export and import: from its menu (a file dialog, the work off the window's
// thread, then a message) and from the command line (alone, or in the running calendar).
#pragma once
#include "app/CommandLine.h"
#include "app/JobQueue.h"
#include "calendar/DayDataExchange.h"

#include <functional>
#include <string>

class MonthModel;

// The message shown after an import or export, and the one line printed for a command.
std::wstring ExchangeMessage(bool import, const exchange::Outcome& outcome);
std::wstring ExchangeLine(bool import, const exchange::Outcome& outcome);
int ExchangeExitCode(const exchange::Outcome& outcome);

constexpr UINT WM_EXCHANGE_DONE = WM_APP + 120;

// The calendar's imports and exports, one at a time on a thread of their own, in the order
// they came. When an import is done, the month is read again and drawn before anyone
// hears of the result.
class ExchangeJobs {
public:
    using Done = std::function<void(const exchange::Outcome&)>;

    // `calendar` gets WM_EXCHANGE_DONE, on which RunFinished is called.
    ExchangeJobs(HWND calendar, MonthModel& model, std::function<void()> redraw);

    void Import(const std::wstring& icsPath, Done done);
    void Export(const std::wstring& icsPath, Done done);
    void RunFinished() { queue_.RunFinished(); }

private:
    void Run(bool import, const std::wstring& icsPath, Done done);

    MonthModel& model_;
    std::function<void()> redraw_;
    JobQueue queue_;
};

void ExportWithDialog(HWND owner, ExchangeJobs& jobs);
void ImportWithDialog(HWND owner, ExchangeJobs& jobs);

// The verbs "/export <file>" and "/import <file>".
CommandResult ExportAlone(const Arguments& args);
CommandResult ImportAlone(const Arguments& args);
void ExportInCalendar(CalendarWindow& calendar, const Arguments& args, Reply reply);
void ImportInCalendar(CalendarWindow& calendar, const Arguments& args, Reply reply);
