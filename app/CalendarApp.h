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

    CalendarWindow& Calendar() { return calendar_; }

private:
    // Another copy already runs: raise its calendar and let this one end.
    bool OtherInstanceShown(const std::wstring& className, const std::wstring& title);

    OwnerWindow owner_;
    CalendarWindow calendar_;
    UniqueHandle instanceMutex_;
};
