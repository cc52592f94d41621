// "/toggle" and "/exit": the desktop's way to reach the calendar from outside (a key bound in
// the desktop, the Linux launcher, an uninstaller), as entries of the command line's verb table.
#pragma once
#include "app/CommandLine.h"

// Shows, raises or hides the calendar as its hot key does.
void ToggleInCalendar(CalendarWindow& calendar, const Arguments& args, Reply reply);
// Replies, then ends the calendar; the caller waits for its process to end.
void ExitInCalendar(CalendarWindow& calendar, const Arguments& args, Reply reply);
// Nothing runs: nothing to end.
CommandResult ExitAlone(const Arguments& args);
