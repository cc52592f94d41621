// The calendar program's application object: single instance, the two top-level windows, the loop.
#pragma once
#include "app/Application.h"
#include "app/CommandLine.h"
#include "app/Handle.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

class CalendarApp : public Application {
public:
    CalendarApp() = default;
    ~CalendarApp() override = default;

    bool InitInstance() override;
    int Run() override;
    // Runs a verb of the command line in the running calendar, or alone without any window;
    // prints its line and returns the exit code.
    int RunCommand(const ParsedCommand& command);

    CalendarWindow& Calendar() { return calendar_; }

private:
    // The calendar window of a copy that runs or is starting, or null once no other copy
    // holds the instance mutex (kept by this copy when it `claims` the instance);
    // `timedOut` when the starting copy showed no window in time.
    HWND ClaimInstance(const std::wstring& className, const std::wstring& title, bool claim, bool& timedOut);
    CommandResult Execute(const ParsedCommand& command);

    OwnerWindow owner_;
    CalendarWindow calendar_;
    UniqueHandle instanceMutex_;
    bool showAtStart_ = false; // whatever ShowBegin says
};
