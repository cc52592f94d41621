// The calendar program's application object: single instance, the two top-level windows, the loop.
#pragma once
#include "app/Application.h"
#include "app/ExchangeCommand.h"
#include "app/Handle.h"
#include "ui/calendar/CalendarWindow.h"
#include "ui/calendar/OwnerWindow.h"

class CalendarApp : public Application {
public:
    CalendarApp() = default;
    ~CalendarApp() override = default;

    bool InitInstance() override;
    int Run() override;
    // Runs an export or import without any window, or hands it to the running
    // calendar; returns the exit code.
    int RunCommand(const ExchangeCommand& command);
    // "/refresh": handed to the running calendar, or done here without a window.
    int RunRefreshCommand(std::wstring& line);

    CalendarWindow& Calendar() { return calendar_; }

private:
    // The calendar window of a copy that runs or is starting, or null once this
    // copy holds the instance mutex; `timedOut` when the starting copy showed
    // no window in time.
    HWND ClaimInstance(const std::wstring& className, const std::wstring& title, bool& timedOut);

    OwnerWindow owner_;
    CalendarWindow calendar_;
    UniqueHandle instanceMutex_;
};
