// "/refresh": every shown online calendar fetched once, by the running
// calendar or, without one, in this process without a window.
#pragma once
#include "app/CommandLine.h"

#include <string>

// The one-line result, and the exit code: 0 when every shown subscription
// was refreshed, 1 when any failed.
std::wstring RefreshLine(int total, int failed);
inline int RefreshExitCode(int failed) { return failed == 0 ? EXIT_DONE : EXIT_REFUSED; }

// Refreshes the subscriptions of qv.ini in the program's folder here; qv.ini
// and qv.dat are only read.
CommandResult RefreshAlone(const Arguments& args);
// The running calendar refreshes every shown subscription and replies when the round ends.
void RefreshInCalendar(CalendarWindow& calendar, const Arguments& args, Reply reply);
